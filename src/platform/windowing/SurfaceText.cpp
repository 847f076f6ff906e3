// The text services on the device's surfaces: background mode, text colour and drawing text; the
// text is laid out and drawn by the raster layer.
#include "platform/windowing/RasterInternal.h"

namespace platform {

using namespace sim::raster;

int SetBackgroundMode(Surface surface, int mode) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || (mode != BackgroundTransparent && mode != BackgroundOpaque)) return 0;
    const int previous = s->backgroundMode;
    s->backgroundMode = mode;
    return previous;
}

ColorRef SetTextColorOf(Surface surface, ColorRef color) {
    SurfaceObject* s = FindSurface(surface);
    if (!s) return 0xFFFFFFFF;
    const ColorRef previous = s->textColor;
    s->textColor = color & 0xFFFFFF;
    return previous;
}

int DrawTextIn(Surface surface, const char16_t* text, int length, Rect* rect, uint32_t format) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || !text || !rect) return 0;
    const std::u16string_view view = length < 0 ? std::u16string_view(text) : std::u16string_view(text, size_t(length));
    const Canvas canvas = CanvasOf(s);
    const Rect area = *rect;  // text is clipped to its rectangle
    const int height = LayOutText(&canvas, TextStyleOf(s), view, rect, format);
    if (!(format & TextCalcRect)) NoteDrawn(s, canvas, area);
    return height;
}

}  // namespace platform
