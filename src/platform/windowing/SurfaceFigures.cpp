// The figure services on the device's surfaces: fills, ellipses, focus rectangles, lines and the
// line mode; the pixels are drawn by the raster layer.
#include <algorithm>
#include <climits>

#include "platform/windowing/RasterInternal.h"

namespace platform {

using namespace sim::raster;

namespace {

constexpr int PenNull = 5;

Rect Normalized(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return Rect{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

int32_t ClampToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

bool sim::raster::FillRectangleWithColor(Surface surface, const Rect& rect, ColorRef color) {
    SurfaceObject* s = FindSurface(surface);
    if (!s) return false;
    const Canvas canvas = CanvasOf(s);
    FillBlock(canvas, rect, color);
    NoteDrawn(s, canvas, rect);
    return true;
}

bool FillRectangle(Surface surface, const Rect* rect, Brush brush) {
    BrushObject* b = FindBrush(brush);
    if (!b || !rect) return false;
    return FillRectangleWithColor(surface, *rect, b->color);
}

bool DrawEllipse(Surface surface, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    SurfaceObject* s = FindSurface(surface);
    if (!s) return false;
    const Canvas canvas = CanvasOf(s);
    const Rect box = Normalized(left, top, right, bottom);
    if (!CanDrawFigure(s, canvas) || IsRectangleEmpty(box)) return true;
    const bool outline = s->pen && s->pen->style != PenNull;
    FigureMask mask(VisiblePart(canvas, box));
    MarkEllipse(&mask, box, outline ? s->pen->width : 0, outline, s->brush != nullptr);
    DrawFigure(s, canvas, mask, outline ? s->pen->color : 0, s->brush ? s->brush->color : 0, s->lineMode);
    NoteDrawn(s, canvas, mask.box);
    return true;
}

bool DrawFocusRectangle(Surface surface, const Rect* rect) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || !rect) return false;
    const Canvas canvas = CanvasOf(s);
    if (!CanDrawFigure(s, canvas)) return true;
    FigureMask mask(VisiblePart(canvas, *rect));
    MarkFocusFrame(&mask, *rect);
    DrawFigure(s, canvas, mask, 0xFFFFFF, 0xFFFFFF, Rop2XorPen);
    NoteDrawn(s, canvas, mask.box);
    return true;
}

int SetLineMode(Surface surface, int mode) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || !ValidLineMode(mode)) return 0;
    const int previous = s->lineMode;
    s->lineMode = mode;
    return previous;
}

bool MoveTo(Surface surface, int32_t x, int32_t y, Point* previous) {
    SurfaceObject* s = FindSurface(surface);
    if (!s) return false;
    if (previous) *previous = s->position;
    s->position = Point{x, y};
    return true;
}

bool LineTo(Surface surface, int32_t x, int32_t y) {
    SurfaceObject* s = FindSurface(surface);
    if (!s) return false;
    const Point from = s->position, to{x, y};
    s->position = to;
    if (!s->pen || s->pen->style == PenNull) return true;
    const Canvas canvas = CanvasOf(s);
    if (!CanDrawFigure(s, canvas)) return true;
    const int32_t reach = std::clamp(s->pen->width, 1, MaxLinePenWidth);
    Rect bounds = Normalized(from.x, from.y, to.x, to.y);
    bounds.right = ClampToInt32(int64_t(bounds.right) + 1);
    bounds.bottom = ClampToInt32(int64_t(bounds.bottom) + 1);
    bounds = Rect{ClampToInt32(int64_t(bounds.left) - reach), ClampToInt32(int64_t(bounds.top) - reach),
                  ClampToInt32(int64_t(bounds.right) + reach), ClampToInt32(int64_t(bounds.bottom) + reach)};
    FigureMask mask(VisiblePart(canvas, bounds));
    MarkLine(&mask, from, to, s->pen->width);
    DrawFigure(s, canvas, mask, s->pen->color, s->pen->color, s->lineMode);
    NoteDrawn(s, canvas, mask.box);
    return true;
}

}  // namespace platform
