// The copy services on the device's surfaces: plain, stretched and colour-keyed copies, the stretch
// mode, and reading one pixel; the pixels are copied by the raster layer.
#include "platform/windowing/RasterInternal.h"

namespace platform::sim::raster {
namespace {

// A copy between two storages that both keep blue first (a window's picture on a host display, the
// bitmaps compatible with it, 32-bit sections) gives exactly what the same copy between two storages
// that keep red first gives, with the key's red and blue exchanged: every channel is copied, compared
// and blended alike. The raster's direct loops for the latter then serve both.
void TakeSameLayout(Canvas* destination, Canvas* source, ColorRef* key) {
    if (destination->format != PixelFormat::Bgrx32 || source->format != PixelFormat::Bgrx32) return;
    destination->format = PixelFormat::Color32;
    source->format = PixelFormat::Color32;
    if (key) *key = (*key >> 16 & 0xFF) | (*key & 0xFF00) | (*key & 0xFF) << 16;
}

}  // namespace
}  // namespace platform::sim::raster

namespace platform {

using namespace sim::raster;

bool CopyBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
              int32_t sourceX, int32_t sourceY, uint32_t rop) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* from = FindSurface(source);
    if (!to || !from || rop != RopSrcCopy) return false;
    Canvas canvas = SourceCanvasOf(from, Rect{sourceX, sourceY, sourceX + width, sourceY + height});
    Canvas target = CanvasOf(to);
    TakeSameLayout(&target, &canvas, nullptr);
    const bool copied = CopyBlock(target, x, y, width, height, canvas, sourceX, sourceY);
    NoteDrawn(to, target, Rect{x, y, x + width, y + height});
    return copied;
}

bool LimitDrawing(Surface surface, const Rect* area) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || s->kind != SurfaceObject::Kind::Memory) return false;
    s->limited = area != nullptr;
    s->drawingLimit = area ? *area : Rect{};
    return true;
}

int SetStretchMode(Surface surface, int mode) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || mode < 1 || mode > StretchBilinear) return 0;
    const int previous = s->stretchMode;
    s->stretchMode = mode;
    return previous;
}

bool StretchBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                 int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* from = FindSurface(source);
    if (!to || !from || rop != RopSrcCopy) return false;
    const StretchFilter filter = to->stretchMode == StretchBilinear ? StretchFilter::Bilinear : StretchFilter::Nearest;
    Canvas canvas = SourceCanvasOf(from, Rect{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight});
    Canvas target = CanvasOf(to);
    TakeSameLayout(&target, &canvas, nullptr);
    const bool copied = StretchBlock(target, x, y, width, height, canvas, sourceX, sourceY, sourceWidth, sourceHeight,
                                     filter, nullptr);
    NoteDrawn(to, target, Rect{x, y, x + width, y + height});
    return copied;
}

bool TransparentCopy(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                     int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, ColorRef key) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* from = FindSurface(source);
    if (!to || !from) return false;
    Canvas canvas = SourceCanvasOf(from, Rect{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight});
    Canvas target = CanvasOf(to);
    TakeSameLayout(&target, &canvas, &key);
    const bool copied = StretchBlock(target, x, y, width, height, canvas, sourceX, sourceY, sourceWidth, sourceHeight,
                                     StretchFilter::Nearest, &key);
    NoteDrawn(to, target, Rect{x, y, x + width, y + height});
    return copied;
}

bool StretchBitsThroughTable(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height,
                             Surface source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                             int32_t sourceHeight, const uint8_t* colorMap) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* from = FindSurface(source);
    if (!to || !from || !colorMap) return false;
    const StretchFilter filter = to->stretchMode == StretchBilinear ? StretchFilter::Bilinear : StretchFilter::Nearest;
    Canvas canvas = SourceCanvasOf(from, Rect{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight});
    Canvas target = CanvasOf(to);
    TakeSameLayout(&target, &canvas, nullptr);  // the table treats the three channels alike
    const bool copied = StretchBlock(target, x, y, width, height, canvas, sourceX, sourceY, sourceWidth, sourceHeight,
                                     filter, nullptr, colorMap);
    NoteDrawn(to, target, Rect{x, y, x + width, y + height});
    return copied;
}

bool FindOpaqueRuns(Surface surface, int32_t x, int32_t y, int32_t width, int32_t height, ColorRef key,
                    RowRuns* runs) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || !runs || width <= 0 || height <= 0) return false;
    platform::raster::FindOpaqueRuns(SourceCanvasOf(s, Rect{x, y, x + width, y + height}), x, y, width, height, key,
                                     runs);
    return true;
}

bool CopyUnderOverlay(Surface destination, const Rect& area, Surface picture, const Rect& pictureArea,
                      Point pictureAt, Surface overlay, const RowRuns& opaque) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* under = picture ? FindSurface(picture) : nullptr;
    SurfaceObject* over = overlay ? FindSurface(overlay) : nullptr;
    if (!to || (!picture && !overlay) || (picture && !under) || (overlay && !over)) return false;
    const Rect overlayArea{0, 0, Width(area), Height(area)};
    const Canvas target = CanvasOf(to);
    Rect written;
    const bool copied =
        platform::raster::CopyUnderOverlay(target, area, under ? SourceCanvasOf(under, pictureArea) : Canvas{},
                                           pictureArea, pictureAt, over ? SourceCanvasOf(over, overlayArea) : Canvas{},
                                           opaque, &written);
    if (copied && !IsRectangleEmpty(written)) NoteDrawn(to, target, written);
    return copied;
}

bool StretchUnderOverlay(Surface destination, const Rect& area, Surface source, int32_t sourceX, int32_t sourceY,
                         int32_t sourceWidth, int32_t sourceHeight, const Rect& picture, const uint8_t* colorMap,
                         const RowRuns& opaque) {
    SurfaceObject* to = FindSurface(destination);
    SurfaceObject* from = FindSurface(source);
    if (!to || !from) return false;
    const StretchFilter filter = to->stretchMode == StretchBilinear ? StretchFilter::Bilinear : StretchFilter::Nearest;
    Canvas canvas = SourceCanvasOf(from, Rect{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight});
    Canvas target = CanvasOf(to);
    TakeSameLayout(&target, &canvas, nullptr);
    Rect written;
    const bool drawn = platform::raster::StretchUnderOverlay(target, area, canvas, sourceX, sourceY, sourceWidth,
                                                             sourceHeight, picture, filter, colorMap, opaque, &written);
    if (drawn && !IsRectangleEmpty(written)) NoteDrawn(to, target, written);
    return drawn;
}

ColorRef GetPixelColor(Surface surface, int32_t x, int32_t y) {
    constexpr ColorRef invalid = 0xFFFFFFFF;
    SurfaceObject* s = FindSurface(surface);
    if (!s) return invalid;
    const Canvas canvas = SourceCanvasOf(s, Rect{x, y, x + 1, y + 1});
    if (!canvas.Usable()) return invalid;
    const int64_t gx = int64_t(x) + canvas.origin.x, gy = int64_t(y) + canvas.origin.y;
    if (gx < canvas.limit.left || gx >= canvas.limit.right || gy < canvas.limit.top || gy >= canvas.limit.bottom)
        return invalid;
    return ReadPixel(canvas, int32_t(gx), int32_t(gy));
}

}  // namespace platform
