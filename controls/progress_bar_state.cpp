// Field changes of the progress bar's messages; see progress_bar_state.h.
#include "controls/progress_bar_state.h"

#include <cstring>

#include "controls/progress_bar_math.h"

void InitProgressBarState(ProgressBarState& state, uintptr_t instance, uint16_t controlId) {
    state.ownerInstance = instance;
    state.controlId = controlId;
    state.barColor = kSystemBarColor;
    state.position = 0;
    state.percent = 0.0;
    state.rangeMin = 0;
    state.rangeMax = 100;
    state.step = 10;
}

void SetProgressRange(ProgressBarState& state, uint32_t range) {
    uint16_t low = static_cast<uint16_t>(range & 0xFFFFu);
    uint16_t high = static_cast<uint16_t>(range >> 16);
    state.rangeMin = low > high ? high : low;
    state.rangeMax = low > high ? low : high;
}

bool SetProgressPosition(ProgressBarState& state, int32_t position) {
    if (state.position == position) return false;
    state.position = position;
    return true;
}

void AdvanceProgressPosition(ProgressBarState& state, uint32_t amount) {
    // Unsigned addition wraps round where signed addition would overflow.
    state.position = static_cast<int32_t>(static_cast<uint32_t>(state.position) + amount);
}

void SetProgressCaption(ProgressBarState& state, uint32_t rgbColor, const char* text) {
    state.captionColor = RgbToColorref(rgbColor);
    std::memset(state.caption, 0, sizeof state.caption);
    if (text == nullptr) return;
    for (int i = 0; i < kCaptionSize - 1 && text[i] != '\0'; ++i) state.caption[i] = text[i];
}

bool IsProgressMessage(uint32_t message) {
    return (message >= kProgressSetRange && message <= kProgressStepIt) ||
           (message >= PBX_SETOPTIONS && message <= PBX_SETFRAME);
}

ProgressRepaint ApplyProgressMessage(ProgressBarState& state, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
    uint32_t wide = static_cast<uint32_t>(wParam);
    uint32_t low = static_cast<uint32_t>(lParam);
    switch (message) {
        case kProgressSetRange:
            SetProgressRange(state, low);
            return ProgressRepaint::kLater;
        case kProgressSetPos:
            return SetProgressPosition(state, static_cast<int32_t>(wide)) ? ProgressRepaint::kNow
                                                                          : ProgressRepaint::kNone;
        case kProgressDeltaPos:
            AdvanceProgressPosition(state, wide);
            return ProgressRepaint::kLater;
        case kProgressSetStep:
            state.step = wide;
            return ProgressRepaint::kNone;
        case kProgressStepIt:
            AdvanceProgressPosition(state, state.step);
            return ProgressRepaint::kLater;
        case PBX_SETOPTIONS:
            state.options = low;
            return ProgressRepaint::kLater;
        case PBX_SETBARCOLOR:
            state.barColor = RgbToColorref(low);
            return ProgressRepaint::kLater;
        case PBX_SETCAPTION:
            SetProgressCaption(state, wide, reinterpret_cast<const char*>(lParam));
            return ProgressRepaint::kNow;
        case PBX_SETFRAME:
            state.frameFlags = low;
            return ProgressRepaint::kLater;
    }
    return ProgressRepaint::kNone;
}
