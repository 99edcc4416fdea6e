// A whole-file block: one fixed block of global memory (GlobalAlloc + GlobalLock),
// unlocked and freed when the operation that obtained it returns, on every path.
#pragma once

#include <windows.h>

#include <cstdint>

class GlobalBlock {
public:
    // zeroed: fill the block with zeros (the payload buffer is obtained zero-filled).
    explicit GlobalBlock(uint32_t size, bool zeroed = false) {
        memory_ = GlobalAlloc(GMEM_FIXED | (zeroed ? GMEM_ZEROINIT : 0), size);
        if (memory_ != nullptr) data_ = static_cast<uint8_t*>(GlobalLock(memory_));
    }
    ~GlobalBlock() {
        if (data_ != nullptr) GlobalUnlock(memory_);
        if (memory_ != nullptr) GlobalFree(memory_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    // The locked memory, or null when none could be had.
    uint8_t* data() const { return data_; }

private:
    HGLOBAL memory_ = nullptr;
    uint8_t* data_ = nullptr;
};
