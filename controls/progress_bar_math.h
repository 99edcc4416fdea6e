// The progress bar's arithmetic: fill percentage, fill geometry, segment separators,
// colour ramps and the percentage text. The Win32 paint code draws exactly what these
// functions say, so every pixel position and colour is decided here and tested natively.
//
// Colours are COLORREF values held in uint32_t: red in bits 0..7, green 8..15, blue 16..23.
// All ramps use strict IEEE double arithmetic (the 32-bit build is compiled for SSE2 so that
// no 80-bit x87 intermediate can change a truncated result).
#pragma once

#include <cstdint>
#include <vector>

// Option bits of PBX_SETOPTIONS (and, for PBXO_THIN, of PBX_SETFRAME).
constexpr uint32_t PBXO_PERCENT = 1;   // draw the percentage text
constexpr uint32_t PBXO_SEGMENTS = 2;  // draw segment separators across the fill
constexpr uint32_t PBXO_THIN = 4;      // no inner dark edge; the fill starts 1 px up and left

// barColor value that stands for the system highlight colour.
constexpr uint32_t kSystemBarColor = 0xFFFFFFFFu;

// Each of red, green and blue multiplied by factor, clamped at 255 and truncated toward
// zero; the highest byte of the result is 0. Factors are never negative.
uint32_t ScaleColor(uint32_t color, double factor);

// 0x00RRGGBB (a web colour, as the messages carry it) to the COLORREF 0x00BBGGRR.
// The highest input byte is dropped, so the result is never kSystemBarColor.
uint32_t RgbToColorref(uint32_t value);

// 1 when PBXO_THIN is set in options or in frameFlags, otherwise 0.
int ThinFrame(uint32_t options, uint32_t frameFlags);

// (position - rangeMin) * 100 / (rangeMax - rangeMin), clamped to 0..100. Expects
// rangeMin <= rangeMax. An empty range gives 100 above it and 0 otherwise.
double FillPercent(int32_t position, uint16_t rangeMin, uint16_t rangeMax);

// Where the fill lies in a client area of width x height with the given thin flag.
struct FillGeometry {
    int fillRight;  // x of the dark end line; -1 when there is no fill
    int inset;      // 1 for a very small fill, else 2
    int xs;         // first x of the fill's horizontal lines
    int lines;      // number of body lines (may be 0 or less: no body)
};

// The geometry for percent; fillRight is -1 (and nothing else meaningful) unless percent > 0.
FillGeometry ComputeFillGeometry(int width, int height, int thin, double percent);

// x positions of the segment separators: from inset + 1 in steps of height - 1 while at
// most fillRight - 1. A control too low for a positive step gets none.
std::vector<int> SeparatorPositions(const FillGeometry& fill, int height);

// Colour of body line i (0 = lowest, at y = height - 3 - i) of `lines` lines, ramping
// from base toward light.
uint32_t BodyLineColor(uint32_t base, uint32_t light, int lines, int i);

// Colour of stripe k of an n-stripe background gradient of color: 0.9 of the colour for
// stripes 0 and 1, then up to about 30 per cent lighter toward the last stripe.
uint32_t BackgroundStripeColor(uint32_t color, int n, int k);

// Size of the buffer PercentText writes into ("100%" and terminator).
constexpr int kPercentTextSize = 8;

// The percentage text for percent, truncated toward zero ("99%" at 99.9). Returns false
// and writes an empty text when the truncated value is below 1: "0%" is never shown.
bool PercentText(double percent, char (&text)[kPercentTextSize]);

// A rectangle in client coordinates; right and bottom are exclusive.
struct TextBox {
    int left;
    int top;
    int right;
    int bottom;
};

// A text of size w x h centred in area, all divisions truncating toward zero.
TextBox CenterText(const TextBox& area, int w, int h);
