// Which position another process's progress bar shows, read from the screen: the control
// answers no query, so its pixels are matched against reference pictures of positions
// 0..100 that a bar of this process draws at the same size with the same options and
// colour. Windows builds only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "controls/progress_bar.h"
#include "tests/controls/progress_bar_window.h"

class BarReader {
public:
    static constexpr int kNoMatch = -1;

    // References for `bar` (a QEL_PROGRESSBAR of any process) as the UPGRADE dialog sets it
    // up by default: PBX_SETOPTIONS `options`, PBX_SETBARCOLOR `colour` (0x00RRGGBB), range
    // 0..100, no caption. Draws them in a window of its own for a moment.
    explicit BarReader(HWND bar, uint32_t options = PBXO_PERCENT | PBXO_SEGMENTS,
                       uint32_t colour = 0x880000);

    // The position 0..100 whose picture the screen shows exactly, or kNoMatch (a bar drawn
    // otherwise, covered, moved, or caught halfway through a repaint).
    int Read() const;

    // Reads until the bar shows `position` or timeoutMs passes; returns the last reading.
    int WaitFor(int position, DWORD timeoutMs) const;

    HWND bar() const { return bar_; }

private:
    static uint64_t Hash(const Image& image);

    HWND bar_;
    int width_ = 0;
    int height_ = 0;
    std::vector<Image> references_;  // indexed by position
    std::unordered_multimap<uint64_t, int> byHash_;
};

// Reads a bar every periodMs on a thread of its own from construction to Stop(), and keeps
// the positions it showed in the order seen, each run of equal readings once. The reader
// must outlive the sampler.
class BarSampler {
public:
    explicit BarSampler(const BarReader& reader, DWORD periodMs = 15);
    ~BarSampler();
    BarSampler(const BarSampler&) = delete;
    BarSampler& operator=(const BarSampler&) = delete;

    // Stops sampling (once) and returns the positions seen.
    std::vector<int> Stop();
    // Readings so far, and how many of them matched no position.
    int readings() const { return readings_; }
    int unmatched() const { return unmatched_; }

private:
    void Run(DWORD periodMs);

    const BarReader& reader_;
    std::atomic<bool> stop_{false};
    std::atomic<int> readings_{0};
    std::atomic<int> unmatched_{0};
    std::mutex mutex_;
    std::vector<int> seen_;
    std::thread thread_;
};

// first, first + step, ... up to and including last (when the steps reach it).
std::vector<int> Steps(int first, int step, int last);

// For EXPECT_TRUE(IsRisingSubset(seen, allowed)): every position seen is one of `allowed`
// (ascending), they rise strictly, and the last one is allowed.back(). A sampler may miss
// positions, never invent, repeat or reorder them.
testing::AssertionResult IsRisingSubset(const std::vector<int>& seen,
                                        const std::vector<int>& allowed);
