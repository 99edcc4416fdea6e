// The progress bar's arithmetic; see progress_bar_math.h for the contracts.
#include "controls/progress_bar_math.h"

#include <cstdio>
#include <cstring>

#include "support/text_format.h"

namespace {

uint32_t Component(uint32_t color, int shift) { return (color >> shift) & 0xFFu; }

uint32_t ScaleComponent(uint32_t value, double factor) {
    double scaled = static_cast<double>(value) * factor;
    if (scaled > 255.0) scaled = 255.0;
    return static_cast<uint32_t>(scaled);
}

uint32_t RampComponent(uint32_t base, uint32_t light, int lines, int i) {
    double step = (static_cast<double>(light) - static_cast<double>(base)) / (lines + 1);
    return static_cast<uint32_t>(step * (i + 1) + static_cast<double>(base));
}

}  // namespace

uint32_t ScaleColor(uint32_t color, double factor) {
    return ScaleComponent(Component(color, 0), factor) |
           ScaleComponent(Component(color, 8), factor) << 8 |
           ScaleComponent(Component(color, 16), factor) << 16;
}

uint32_t RgbToColorref(uint32_t value) {
    uint32_t reversed =
        (value & 0xFFu) << 24 | (value & 0xFF00u) << 8 | (value >> 8 & 0xFF00u) | value >> 24;
    return reversed >> 8;
}

int ThinFrame(uint32_t options, uint32_t frameFlags) {
    return ((options | frameFlags) & PBXO_THIN) ? 1 : 0;
}

double FillPercent(int32_t position, uint16_t rangeMin, uint16_t rangeMax) {
    // An empty range would divide by zero; the bar is full only above it.
    if (rangeMax == rangeMin) return position > rangeMin ? 100.0 : 0.0;
    // In 64 bits: a position far below the range (after a wrapping PBM_DELTAPOS) must
    // not wrap round into a large positive difference and show a full bar.
    int64_t done = static_cast<int64_t>(position) - rangeMin;
    int64_t span = static_cast<int64_t>(rangeMax) - rangeMin;
    double percent = static_cast<double>(done) * 100.0 / static_cast<double>(span);
    if (percent > 100.0) percent = 100.0;
    if (percent < 0.0) percent = 0.0;
    return percent;
}

FillGeometry ComputeFillGeometry(int width, int height, int thin, double percent) {
    FillGeometry fill = {-1, 0, 0, 0};
    if (!(percent > 0.0)) return fill;
    int scaled = static_cast<int>(static_cast<double>(width - 3) * percent);
    fill.fillRight = scaled / 100 + 2;
    fill.inset = fill.fillRight - 2 < 2 ? 1 : 2;
    fill.xs = fill.inset + 1 - thin;
    fill.lines = height + thin - 6;
    return fill;
}

std::vector<int> SeparatorPositions(const FillGeometry& fill, int height) {
    std::vector<int> positions;
    int step = height - 1;
    // A step of 0 or less would never reach the end of the fill.
    if (fill.fillRight < 0 || step < 1) return positions;
    for (int x = fill.inset + 1; x <= fill.fillRight - 1; x += step) positions.push_back(x);
    return positions;
}

uint32_t BodyLineColor(uint32_t base, uint32_t light, int lines, int i) {
    uint32_t color = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        color |= RampComponent(Component(base, shift), Component(light, shift), lines, i) << shift;
    }
    return color;
}

uint32_t BackgroundStripeColor(uint32_t color, int n, int k) {
    uint32_t start = ScaleColor(color, 0.9);
    if (k == 0) return start;
    return ScaleColor(start, 1.0 + (k - 1) * 0.3 / n);
}

bool PercentText(double percent, char (&text)[kPercentTextSize]) {
    text[0] = '\0';
    int whole = static_cast<int>(percent);
    if (whole < 1) return false;
    if (whole > 100) whole = 100;
    std::snprintf(text, sizeof text, "%s%%", NumberToText(whole, 0, false));
    return true;
}

TextBox CenterText(const TextBox& area, int w, int h) {
    int cx = area.left + (area.right - area.left) / 2;
    int cy = area.top + (area.bottom - area.top) / 2;
    return TextBox{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
}
