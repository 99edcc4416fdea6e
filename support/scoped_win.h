// Scoped owners of Win32 resources, all in one place: each releases what it holds when it
// goes out of scope, on every path out of a function. Header only, so that every layer
// (controls/ too, which links no other part of support/) can use them. Win32.
#pragma once

#include <windows.h>

#include <cstdint>

// Closes a kernel handle of CreateFile's kind, where INVALID_HANDLE_VALUE means none (files,
// Toolhelp snapshots).
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Hands the handle over to the caller, who closes it.
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

// Closes a kernel handle of OpenProcess's kind, where null means none.
class ObjectHandle {
public:
    explicit ObjectHandle(HANDLE handle) : handle_(handle) {}
    ~ObjectHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    ObjectHandle(const ObjectHandle&) = delete;
    ObjectHandle& operator=(const ObjectHandle&) = delete;
    bool valid() const { return handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Closes a registry key; out() is where RegOpenKeyEx puts it.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Holds a critical section for one operation.
class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION& section) : section_(section) {
        EnterCriticalSection(&section_);
    }
    ~SectionLock() { LeaveCriticalSection(&section_); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

// A whole-file block: one fixed block of global memory (GlobalAlloc + GlobalLock),
// unlocked and freed when the operation that obtained it returns, on every path.
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

// Global memory that someone else owns (a window's state block), locked for one handler
// and unlocked when it returns; empty for a null handle.
template <typename T>
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL handle)
        : handle_(handle), data_(handle ? static_cast<T*>(GlobalLock(handle)) : nullptr) {}
    ~LockedGlobal() {
        if (data_) GlobalUnlock(handle_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;

    T* get() const { return data_; }
    T* operator->() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    HGLOBAL handle_;
    T* data_;
};

// A pen, brush, bitmap or font deleted when it goes out of scope. It must no longer be
// selected into a live device context by then.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// An off-screen device context. On release it takes stock objects back in, so that the
// pens and the bitmap selected into it can be deleted after it.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc_ == nullptr) return;
        SelectObject(dc_, GetStockObject(NULL_BRUSH));
        SelectObject(dc_, GetStockObject(NULL_PEN));
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// BeginPaint and EndPaint of one WM_PAINT.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};
