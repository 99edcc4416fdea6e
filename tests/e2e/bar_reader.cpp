// Reading another process's progress bar from the screen; see bar_reader.h.
#include "tests/e2e/bar_reader.h"

#include <algorithm>
#include <sstream>

#include "tests/e2e/screen_capture.h"

BarReader::BarReader(HWND bar, uint32_t options, uint32_t colour) : bar_(bar) {
    RECT client = {};
    if (!GetClientRect(bar, &client) || client.right <= 0 || client.bottom <= 0) return;
    width_ = client.right;
    height_ = client.bottom;
    ProgressBarWindow reference(width_, height_);
    reference.Send(PBX_SETOPTIONS, 0, options);
    reference.Send(PBX_SETBARCOLOR, 0, colour);
    for (int position = 0; position <= 100; ++position) {
        reference.Send(PBM_SETPOS, position);
        references_.push_back(reference.Capture());
        byHash_.emplace(Hash(references_.back()), position);
    }
}

uint64_t BarReader::Hash(const Image& image) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (uint32_t pixel : image.pixels) {
        hash = (hash ^ pixel) * 1099511628211ull;
    }
    return hash;
}

int BarReader::Read() const {
    if (references_.empty()) return kNoMatch;
    Image shown = CaptureClient(bar_);
    if (shown.width != width_ || shown.height != height_) return kNoMatch;
    auto range = byHash_.equal_range(Hash(shown));
    for (auto it = range.first; it != range.second; ++it) {
        if (references_[it->second] == shown) return it->second;
    }
    return kNoMatch;
}

int BarReader::WaitFor(int position, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    int shown = Read();
    while (shown != position && GetTickCount() - start < timeoutMs) {
        Sleep(10);
        shown = Read();
    }
    return shown;
}

BarSampler::BarSampler(const BarReader& reader, DWORD periodMs) : reader_(reader) {
    thread_ = std::thread([this, periodMs] { Run(periodMs); });
}

BarSampler::~BarSampler() { Stop(); }

void BarSampler::Run(DWORD periodMs) {
    while (!stop_) {
        int position = reader_.Read();
        ++readings_;
        if (position == BarReader::kNoMatch) {
            ++unmatched_;
        } else {
            std::lock_guard<std::mutex> lock(mutex_);
            if (seen_.empty() || seen_.back() != position) seen_.push_back(position);
        }
        Sleep(periodMs);
    }
}

std::vector<int> BarSampler::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

std::vector<int> Steps(int first, int step, int last) {
    std::vector<int> steps;
    for (int position = first; step > 0 && position <= last; position += step) {
        steps.push_back(position);
    }
    return steps;
}

namespace {

std::string Join(const std::vector<int>& values) {
    std::ostringstream text;
    text << "{";
    for (size_t i = 0; i < values.size(); ++i) text << (i ? "," : "") << values[i];
    text << "}";
    return text.str();
}

}  // namespace

testing::AssertionResult IsRisingSubset(const std::vector<int>& seen,
                                        const std::vector<int>& allowed) {
    if (seen.empty()) return testing::AssertionFailure() << "no position seen";
    for (size_t i = 0; i < seen.size(); ++i) {
        if (!std::binary_search(allowed.begin(), allowed.end(), seen[i])) {
            return testing::AssertionFailure() << "position " << seen[i] << " of " << Join(seen)
                                               << " is not one of " << Join(allowed);
        }
        if (i > 0 && seen[i] <= seen[i - 1]) {
            return testing::AssertionFailure()
                   << "position " << seen[i] << " after " << seen[i - 1] << " in " << Join(seen);
        }
    }
    if (allowed.empty() || seen.back() != allowed.back()) {
        return testing::AssertionFailure()
               << Join(seen) << " does not end at " << (allowed.empty() ? -1 : allowed.back());
    }
    return testing::AssertionSuccess() << Join(seen);
}
