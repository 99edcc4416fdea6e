// WM_PAINT of the progress bar: background gradient, sunken frame, glossy fill, segment
// separators, percentage text and caption, drawn into a memory bitmap and copied to the
// window at once. Positions and colours come from progress_bar_math.h.
#include "controls/progress_bar_paint.h"

#include "controls/progress_bar_math.h"
#include "support/scoped_win.h"

namespace {

HPEN SolidPen(COLORREF color) { return CreatePen(PS_SOLID, 1, color); }

// MoveToEx + LineTo: the end point is not painted.
void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void FillGradient(HDC dc, const RECT& rect, COLORREF color) {
    int n = rect.bottom - rect.top;
    for (int k = 0; k < n; ++k) {
        RECT stripe = {rect.left, rect.top + k, rect.right, rect.top + k + 1};
        GdiObject brush(CreateSolidBrush(BackgroundStripeColor(color, n, k)));
        FillRect(dc, &stripe, static_cast<HBRUSH>(brush.get()));
    }
}

// Selects the control's font and transparent text, and centres a text in area.
TextBox PlaceText(HDC dc, const char* text, const TextBox& area) {
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT measure = {0, 0, 1000, 1000};
    DrawTextA(dc, text, -1, &measure, DT_CALCRECT);
    return CenterText(area, measure.right - measure.left, measure.bottom - measure.top);
}

void DrawTextIn(HDC dc, const char* text, const TextBox& box, COLORREF color) {
    if (box.right <= box.left) return;
    RECT rect = {box.left, box.top, box.right, box.bottom};
    SetTextColor(dc, color);
    DrawTextA(dc, text, -1, &rect, 0);
}

// The percentage text centred in area, clipped on the right at clipRight unless negative.
void DrawPercentText(HDC dc, const ProgressBarState& state, const TextBox& area, int clipRight,
                     COLORREF color) {
    char text[kPercentTextSize];
    if (!PercentText(state.percent, text)) return;
    TextBox box = PlaceText(dc, text, area);
    if (clipRight >= 0) box.right = clipRight;
    DrawTextIn(dc, text, box, color);
}

// The caption centred in area: in the button text colour, then in captionColor up to
// clipRight, so that it reads in two colours split at the end of the fill.
void DrawCaptionText(HDC dc, const ProgressBarState& state, const TextBox& area, int clipRight) {
    if (state.caption[0] == '\0') return;
    TextBox box = PlaceText(dc, state.caption, area);
    if (box.right <= box.left) return;
    DrawTextIn(dc, state.caption, box, GetSysColor(COLOR_BTNTEXT));
    if (clipRight < 0) return;
    box.right = clipRight;
    DrawTextIn(dc, state.caption, box, state.captionColor);
}

struct FillColors {
    COLORREF base;
    COLORREF light;
    COLORREF highlight;
};

FillColors WorkOutColors(uint32_t barColor) {
    COLORREF base = barColor == kSystemBarColor ? GetSysColor(COLOR_HIGHLIGHT) : barColor;
    return FillColors{base, ScaleColor(base, 2.0), ScaleColor(base, 3.0)};
}

struct Pens {
    HGDIOBJ frameLight;
    HGDIOBJ frameShadow;
    HGDIOBJ highlight;
    HGDIOBJ light;
    HGDIOBJ base;
};

void DrawBody(HDC dc, const FillGeometry& fill, const FillColors& colors, int height) {
    for (int i = 0; i < fill.lines; ++i) {
        GdiObject pen(SolidPen(BodyLineColor(colors.base, colors.light, fill.lines, i)));
        SelectObject(dc, pen.get());
        Line(dc, fill.xs, height - 3 - i, fill.fillRight, height - 3 - i);
        SelectObject(dc, GetStockObject(NULL_PEN));
    }
}

void DrawFill(HDC dc, const ProgressBarState& state, const FillGeometry& fill,
              const FillColors& colors, const Pens& pens, int thin, const TextBox& textArea,
              int height) {
    int edge = 2 - thin;
    SelectObject(dc, pens.highlight);
    Line(dc, edge, edge, fill.fillRight, edge);
    Line(dc, edge, edge, edge, height - thin - 1);

    SelectObject(dc, pens.light);
    Line(dc, fill.xs, 3 - thin, fill.fillRight, 3 - thin);

    // Dark text first: the body then covers the part of it that lies over the fill.
    if (state.options & PBXO_PERCENT) DrawPercentText(dc, state, textArea, -1, RGB(0, 0, 0));

    DrawBody(dc, fill, colors, height);

    if (state.options & PBXO_SEGMENTS) {
        SelectObject(dc, pens.light);
        for (int x : SeparatorPositions(fill, height)) Line(dc, x, 3, x, height - 1);
    }

    SelectObject(dc, pens.base);
    Line(dc, fill.xs, height - 2, fill.fillRight, height - 2);

    SelectObject(dc, GetStockObject(BLACK_PEN));
    Line(dc, fill.fillRight, 1, fill.fillRight, height - 1);
}

void DrawOuterFrame(HDC dc, const Pens& pens, int width, int height) {
    SelectObject(dc, pens.frameLight);
    Line(dc, width - 1, height - 1, 0, height - 1);
    Line(dc, width - 1, height - 1, width - 1, 0);
    SelectObject(dc, pens.frameShadow);
    Line(dc, 0, 0, width, 0);
    Line(dc, 0, 0, 0, height);
}

}  // namespace

void PaintProgressBar(HWND window, ProgressBarState& state) {
    PaintSession paint(window);
    int thin = ThinFrame(state.options, state.frameFlags);
    FillColors colors = WorkOutColors(state.barColor);

    // Declared before the memory context, so deleted after it has let go of them.
    GdiObject frameLight(SolidPen(GetSysColor(COLOR_BTNHIGHLIGHT)));
    GdiObject frameShadow(SolidPen(GetSysColor(COLOR_BTNSHADOW)));
    GdiObject highlight(SolidPen(colors.highlight));
    GdiObject light(SolidPen(colors.light));
    GdiObject base(SolidPen(colors.base));
    Pens pens = {frameLight.get(), frameShadow.get(), highlight.get(), light.get(), base.get()};

    state.percent = FillPercent(state.position, state.rangeMin, state.rangeMax);

    RECT client;
    GetClientRect(window, &client);
    int width = client.right;
    int height = client.bottom;
    GdiObject bitmap(CreateCompatibleBitmap(paint.dc(), width, height));
    MemoryDc memory(paint.dc());
    HDC dc = memory.get();
    SelectObject(dc, bitmap.get());

    FillGradient(dc, client, GetSysColor(COLOR_BTNFACE));
    if (!thin) {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        Line(dc, 1, 1, width - 2, 1);
        Line(dc, 1, 1, 1, height - 2);
    }

    FillGeometry fill = ComputeFillGeometry(width, height, thin, state.percent);
    TextBox textArea = {0, -thin, width, height};
    if (state.percent > 0.0) DrawFill(dc, state, fill, colors, pens, thin, textArea, height);
    DrawOuterFrame(dc, pens, width, height);
    if (fill.fillRight != -1 && (state.options & PBXO_PERCENT)) {
        DrawPercentText(dc, state, textArea, fill.fillRight + 1, RGB(255, 255, 255));
    }
    DrawCaptionText(dc, state, textArea, fill.fillRight + 1);

    BitBlt(paint.dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
}
