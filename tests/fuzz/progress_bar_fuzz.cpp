// progress_bar_fuzz: sequences of messages with arbitrary parameters on the progress bar's
// state block, through the window procedure's own dispatch (ApplyProgressMessage), and the
// arithmetic the painting then does with the block (progress_bar_math.h); the input's layout
// is in progress_bar_fuzz.h. PBX_SETCAPTION's lParam is null, or the address of a caption
// taken from the input: terminated when shorter than the caption buffer, unterminated
// otherwise, in an allocation of exactly its bytes, so that ASan reports any read beyond
// what the control may read.
#include <cstring>
#include <memory>
#include <vector>

#include "controls/progress_bar_math.h"
#include "controls/progress_bar_state.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/progress_bar_fuzz.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

uint32_t MessageOf(uint8_t selector, uint32_t wide) {
    if (selector < kFuzzedAnyMessage) return kFuzzedMessages[selector % kFuzzedMessageCount];
    return wide;
}

// The caption a PBX_SETCAPTION points at: `length` bytes of the input, terminated only when
// shorter than what the control may read (kCaptionSize - 1 characters).
std::unique_ptr<char[]> CaptionFrom(FuzzInput& input, size_t* length) {
    size_t wanted = input.Byte();
    if (wanted == kFuzzedLongCaption) wanted = kFuzzedLongCaptionLength;
    size_t taken = 0;
    const uint8_t* bytes = input.Bytes(wanted, &taken);
    const bool terminated = taken < kCaptionSize - 1;
    std::unique_ptr<char[]> text(new char[taken + (terminated ? 1 : 0)]);
    if (taken > 0) std::memcpy(text.get(), bytes, taken);
    if (terminated) text[taken] = '\0';
    *length = taken;
    return text;
}

void CheckCaption(const ProgressBarState& state, const char* text, size_t length) {
    FuzzCheck(state.caption[kCaptionSize - 1] == '\0', "the caption stays terminated");
    if (text == nullptr) {
        FuzzCheck(state.caption[0] == '\0', "a null caption clears it");
        return;
    }
    size_t kept = 0;
    while (kept < length && kept < kCaptionSize - 1 && text[kept] != '\0') ++kept;
    FuzzCheck(std::memcmp(state.caption, text, kept) == 0 && state.caption[kept] == '\0',
              "the caption holds the text up to its terminator or 255 characters");
    for (size_t i = kept; i < kCaptionSize; ++i) {
        FuzzCheck(state.caption[i] == '\0', "nothing of an older caption remains");
    }
}

// What the painting computes from the block, for a control of the input's size.
void CheckPaintArithmetic(const ProgressBarState& state, int width, int height) {
    const double percent = FillPercent(state.position, state.rangeMin, state.rangeMax);
    FuzzCheck(percent >= 0.0 && percent <= 100.0, "the fill lies between 0 and 100 per cent");
    char text[kPercentTextSize];
    if (PercentText(percent, text)) {
        FuzzCheck(std::strlen(text) >= 2 && std::strlen(text) <= 4, "\"1%\" to \"100%\"");
    } else {
        FuzzCheck(text[0] == '\0', "no percentage text below 1 per cent");
    }
    const int thin = ThinFrame(state.options, state.frameFlags);
    const FillGeometry fill = ComputeFillGeometry(width, height, thin, percent);
    if (fill.fillRight < 0) {
        FuzzCheck(!(percent > 0.0), "no fill only for an empty bar");
        return;
    }
    FuzzCheck(fill.fillRight <= width, "the fill ends within the control");
    const std::vector<int> separators = SeparatorPositions(fill, height);
    for (int x : separators) {
        FuzzCheck(x > fill.inset && x < fill.fillRight, "separators lie inside the fill");
    }
    // The system highlight colour stands in for kSystemBarColor, as on a default Windows.
    const uint32_t base = state.barColor == kSystemBarColor ? 0x00D77800u : state.barColor;
    const uint32_t light = ScaleColor(base, 2.0);
    for (int i = 0; i < fill.lines; ++i) {
        const uint32_t color = BodyLineColor(base, light, fill.lines, i);
        FuzzCheck((color >> 24) == 0, "a body line's colour is a COLORREF");
    }
}

}  // namespace

int FuzzProgressBar(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const int width = input.Byte() + 4;  // 4 to 259 pixels, as a dialog's bar
    const int height = input.Byte() % 64 + 1;
    ProgressBarState state;
    std::memset(&state, 0, sizeof state);
    InitProgressBarState(state, 0x400000, 600);
    while (input.left() >= 9) {  // a selector, wParam and lParam
        const uint8_t selector = input.Byte();
        const uint32_t wide = input.Le32();
        const uint32_t low = input.Le32();
        const uint32_t message = MessageOf(selector, wide);
        ProgressBarState before;
        std::memcpy(&before, &state, sizeof state);  // padding too, for the comparison below
        std::unique_ptr<char[]> caption;
        size_t captionLength = 0;
        intptr_t lParam = static_cast<int32_t>(low);
        if (message == PBX_SETCAPTION) {
            if (low & 1) caption = CaptionFrom(input, &captionLength);
            lParam = reinterpret_cast<intptr_t>(caption.get());
        }
        const ProgressRepaint repaint = ApplyProgressMessage(state, message, wide, lParam);
        FuzzCheck(state.rangeMin <= state.rangeMax, "the range is never reversed");
        if (!IsProgressMessage(message)) {
            FuzzCheck(repaint == ProgressRepaint::kNone &&
                          std::memcmp(&before, &state, sizeof state) == 0,
                      "other messages change nothing");
        } else if (message == kProgressSetPos) {
            FuzzCheck(state.position == static_cast<int32_t>(wide), "PBM_SETPOS sets the position");
            FuzzCheck((repaint == ProgressRepaint::kNow) == (before.position != state.position),
                      "PBM_SETPOS repaints only a change, and at once");
        } else if (message == kProgressDeltaPos || message == kProgressStepIt) {
            const uint32_t amount = message == kProgressStepIt ? before.step : wide;
            FuzzCheck(static_cast<uint32_t>(state.position) ==
                          static_cast<uint32_t>(before.position) + amount,
                      "the position advances, wrapping round at 32 bits");
        } else if (message == PBX_SETCAPTION) {
            CheckCaption(state, caption.get(), captionLength);
            FuzzCheck(repaint == ProgressRepaint::kNow, "a caption repaints at once");
        }
        CheckPaintArithmetic(state, width, height);
    }
    return 0;
}
