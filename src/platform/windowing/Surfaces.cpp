// Drawing surfaces: the whole screen, a window's client area, memory surfaces; what is selected into
// them; the canvas each one draws on; and the raster's object table with its stock objects.
#include <algorithm>
#include <climits>
#include <utility>

#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/windowing/RasterInternal.h"

namespace platform::sim::raster {

ObjectTable& Objects() {
    static ObjectTable table;
    return table;
}

BitmapObject* StockBitmap() {
    ObjectTable& table = Objects();
    if (!table.stockBitmap) {
        auto bitmap = std::make_unique<BitmapObject>();
        bitmap->width = 1;
        bitmap->height = 1;
        bitmap->format = PixelFormat::Color32;
        bitmap->storage.assign(4, 0);
        bitmap->row0 = bitmap->storage.data();
        bitmap->stride = 4;
        bitmap->stock = true;
        table.stockBitmap = table.bitmaps.Add(std::move(bitmap));
    }
    return table.stockBitmap;
}

BrushObject* StockBrush() {
    ObjectTable& table = Objects();
    if (!table.stockBrush) {
        auto brush = std::make_unique<BrushObject>();
        brush->color = 0xFFFFFF;
        brush->stock = true;
        table.stockBrush = table.brushes.Add(std::move(brush));
    }
    return table.stockBrush;
}

PenObject* StockPen() {
    ObjectTable& table = Objects();
    if (!table.stockPen) {
        auto pen = std::make_unique<PenObject>();
        pen->style = PenSolid;
        pen->width = 1;
        pen->color = 0;
        pen->stock = true;
        table.stockPen = table.pens.Add(std::move(pen));
    }
    return table.stockPen;
}

FontObject* StockFont() {
    ObjectTable& table = Objects();
    if (!table.stockFont) {
        auto font = std::make_unique<FontObject>();
        font->record.weight = FontWeightNormal;
        font->stock = true;
        table.stockFont = table.fonts.Add(std::move(font));
    }
    return table.stockFont;
}

SurfaceObject* FindSurface(Surface surface) { return surface ? Objects().surfaces.Find(surface) : nullptr; }
BitmapObject* FindBitmap(Bitmap bitmap) { return bitmap ? Objects().bitmaps.Find(bitmap) : nullptr; }
BrushObject* FindBrush(Brush brush) { return brush ? Objects().brushes.Find(brush) : nullptr; }
PenObject* FindPen(Pen pen) { return pen ? Objects().pens.Find(pen) : nullptr; }
FontObject* FindFont(Font font) { return font ? Objects().fonts.Find(font) : nullptr; }

namespace {

SurfaceObject* NewSurface(SurfaceObject::Kind kind) {
    auto surface = std::make_unique<SurfaceObject>();
    surface->kind = kind;
    surface->pen = StockPen();
    surface->brush = StockBrush();
    surface->font = StockFont();
    surface->pen->selections++;
    surface->brush->selections++;
    surface->font->selections++;
    if (kind == SurfaceObject::Kind::Memory) surface->bitmap = StockBitmap();
    detail::CountObject("surfaces", +1);
    return Objects().surfaces.Add(std::move(surface));
}

// Lets go of everything selected into the surface, then frees it.
void FreeSurface(SurfaceObject* surface) {
    if (surface->bitmap && surface->bitmap->selectedInto == surface) surface->bitmap->selectedInto = nullptr;
    if (surface->pen) surface->pen->selections--;
    if (surface->brush) surface->brush->selections--;
    if (surface->font) surface->font->selections--;
    Objects().surfaces.Remove(surface);
    detail::CountObject("surfaces", -1);
}

template <class T>
T* SwapSelection(T** slot, T* object) {
    T* previous = *slot;
    if (previous) previous->selections--;
    object->selections++;
    *slot = object;
    return previous;
}

}  // namespace

Canvas CanvasOf(SurfaceObject* surface) {
    switch (surface->kind) {
        case SurfaceObject::Kind::Screen: {
            if (detail::Dev().keptScreen) return CanvasOfImage(detail::ScreenImage());
            // On a host display the screen's pixels are the host's: figures go there (DrawFigure), reads
            // come from there (SourceCanvasOf); the canvas only tells where the screen lies.
            Canvas canvas;
            canvas.limit = detail::ScreenBounds();
            return canvas;
        }
        case SurfaceObject::Kind::Window: {
            // A window surface follows the window as it is now; a paint surface keeps the region
            // that was to be painted when the paint began.
            if (!surface->paintClip || !surface->clipKnown) {
                surface->clipKnown = detail::GetWindowClip(surface->window, surface->paintClip, &surface->clip);
            }
            if (!surface->clipKnown) return Canvas{};
            // The picture is taken afresh for each canvas: it changes with the window's place and size.
            detail::WindowPictureAccess access;
            if (!detail::AccessWindowPicture(surface->window, &access)) return Canvas{};
            Canvas canvas = access.picture;
            const Rect bounds{surface->clip.bounds.left - access.origin.x, surface->clip.bounds.top - access.origin.y,
                              surface->clip.bounds.right - access.origin.x,
                              surface->clip.bounds.bottom - access.origin.y};
            if (!IntersectRectangles(&canvas.limit, canvas.limit, bounds)) return Canvas{};
            canvas.origin = Point{surface->clip.origin.x - access.origin.x, surface->clip.origin.y - access.origin.y};
            if (surface->clip.ownersOnly && !detail::OwnsEveryPixel(surface->window, canvas.limit)) {
                // A window its tree has no map for yet owns none of the picture.
                if (!access.owners) return Canvas{};
                canvas.owners = access.owners;
                canvas.ownerStride = access.picture.limit.right;
                canvas.owner = surface->window;
            }
            // A host shows the whole part that may have been drawn; the simulated handheld's screen takes
            // exactly what each operation drew (NoteDrawn), so that figures on it stay where nothing drew.
            if (!detail::Dev().keptScreen) detail::NoteDrawn(surface->window, canvas.limit);
            return canvas;
        }
        case SurfaceObject::Kind::Memory: {
            Canvas canvas = SourceCanvasOf(surface, Rect{});
            if (surface->limited && !IntersectRectangles(&canvas.limit, canvas.limit, surface->drawingLimit))
                return Canvas{};
            return canvas;
        }
    }
    return Canvas{};
}

Canvas SourceCanvasOf(SurfaceObject* surface, Rect area) {
    if (surface->kind == SurfaceObject::Kind::Memory) {  // the whole bitmap, whatever limits drawing on it
        Canvas canvas;
        const BitmapObject* bitmap = surface->bitmap;
        if (!bitmap || !bitmap->row0) return canvas;
        canvas.row0 = bitmap->row0;
        canvas.stride = bitmap->stride;
        canvas.format = bitmap->format;
        canvas.limit = Rect{0, 0, bitmap->width, bitmap->height};
        return canvas;
    }
    sim::HostDisplay* host = sim::CurrentHostDisplay();
    if (surface->kind != SurfaceObject::Kind::Screen || !host) return CanvasOf(surface);
    area = Rect{std::min(area.left, area.right), std::min(area.top, area.bottom), std::max(area.left, area.right),
                std::max(area.top, area.bottom)};
    if (!IntersectRectangles(&area, area, detail::ScreenBounds())) return Canvas{};
    return host->ReadScreen(area);
}

bool CanDrawFigure(const SurfaceObject* surface, const Canvas& canvas) {
    if (canvas.Usable()) return true;
    return surface->kind == SurfaceObject::Kind::Screen && sim::CurrentHostDisplay() && !IsRectangleEmpty(canvas.limit);
}

void DrawFigure(SurfaceObject* surface, const Canvas& canvas, const FigureMask& mask, ColorRef outlineInk,
                ColorRef interiorInk, int lineMode) {
    sim::HostDisplay* host = sim::CurrentHostDisplay();
    if (surface->kind == SurfaceObject::Kind::Screen && host) {
        if (!mask.Empty()) host->DrawScreenFigure(mask, outlineInk, interiorInk, lineMode);
        return;
    }
    ApplyFigure(canvas, mask, outlineInk, interiorInk, lineMode);
}

void NoteDrawn(const SurfaceObject* surface, const Canvas& canvas, const Rect& area) {
    if (surface->kind != SurfaceObject::Kind::Window || !canvas.Usable()) return;
    const Rect r{std::min(area.left, area.right), std::min(area.top, area.bottom), std::max(area.left, area.right),
                 std::max(area.top, area.bottom)};
    Rect drawn;
    const Rect grid{int32_t(std::clamp<int64_t>(int64_t(r.left) + canvas.origin.x, INT32_MIN, INT32_MAX)),
                    int32_t(std::clamp<int64_t>(int64_t(r.top) + canvas.origin.y, INT32_MIN, INT32_MAX)),
                    int32_t(std::clamp<int64_t>(int64_t(r.right) + canvas.origin.x, INT32_MIN, INT32_MAX)),
                    int32_t(std::clamp<int64_t>(int64_t(r.bottom) + canvas.origin.y, INT32_MIN, INT32_MAX))};
    if (IntersectRectangles(&drawn, grid, canvas.limit)) detail::NoteDrawn(surface->window, drawn);
}

TextStyle TextStyleOf(const SurfaceObject* surface) {
    TextStyle style;
    if (surface->font) {
        style.height = surface->font->record.height;
        style.weight = surface->font->record.weight;
        style.antialiased = surface->font->record.quality == FontQualityAntialiased;
    }
    style.color = surface->textColor;
    style.opaque = surface->backgroundMode == BackgroundOpaque;
    style.background = surface->backgroundColor;
    return style;
}

void ReleaseObjects() {
    ObjectTable& table = Objects();
    table.surfaces.Clear();
    table.bitmaps.Clear();
    table.brushes.Clear();
    table.pens.Clear();
    table.fonts.Clear();
    table.stockBitmap = nullptr;
    table.stockBrush = nullptr;
    table.stockPen = nullptr;
    table.stockFont = nullptr;
    table.systemBrushes.clear();
}

}  // namespace platform::sim::raster

namespace platform::sim::detail {

Surface CreateWindowSurface(Window window, bool paintClip) {
    WindowClip clip;
    if (!window || !GetWindowClip(window, paintClip, &clip)) return nullptr;  // no such window
    SurfaceObject* surface = raster::NewSurface(SurfaceObject::Kind::Window);
    surface->window = window;
    surface->paintClip = paintClip;
    surface->clip = std::move(clip);
    surface->clipKnown = true;
    return surface;
}

void DestroyWindowSurface(Surface surface) {
    SurfaceObject* s = raster::FindSurface(surface);
    if (s && s->kind != SurfaceObject::Kind::Memory) raster::FreeSurface(s);
}

// The font engine stays: its faces and glyphs come from the font files alone, not from a device, and
// opening the faces and rendering the glyphs again for every new device would cost more than the rest of
// a short device's life.
void ResetRaster() { raster::ReleaseObjects(); }

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::raster;

Surface GetWindowSurface(Window window) {
    if (!window) return NewSurface(SurfaceObject::Kind::Screen);
    return sim::detail::CreateWindowSurface(window, false);
}

bool ReleaseWindowSurface(Window window, Surface surface) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || s->kind == SurfaceObject::Kind::Memory || s->paintClip || s->window != window) return false;
    FreeSurface(s);
    return true;
}

Surface CreateMemorySurface(Surface compatibleWith) {
    if (compatibleWith && !FindSurface(compatibleWith)) return nullptr;
    return NewSurface(SurfaceObject::Kind::Memory);
}

bool DeleteMemorySurface(Surface surface) {
    SurfaceObject* s = FindSurface(surface);
    if (!s || s->kind != SurfaceObject::Kind::Memory) return false;
    FreeSurface(s);
    return true;
}

Bitmap SelectBitmapInto(Surface surface, Bitmap bitmap) {
    SurfaceObject* s = FindSurface(surface);
    BitmapObject* b = FindBitmap(bitmap);
    if (!s || !b || s->kind != SurfaceObject::Kind::Memory) return nullptr;
    // A bitmap can be selected into one memory surface at a time (the stock bitmap into any).
    if (!b->stock && b->selectedInto && b->selectedInto != s) return nullptr;
    BitmapObject* previous = s->bitmap;
    if (previous && previous->selectedInto == s) previous->selectedInto = nullptr;
    if (!b->stock) b->selectedInto = s;
    s->bitmap = b;
    return previous;
}

Brush SelectBrushInto(Surface surface, Brush brush) {
    SurfaceObject* s = FindSurface(surface);
    BrushObject* b = FindBrush(brush);
    if (!s || !b) return nullptr;
    return SwapSelection(&s->brush, b);
}

Pen SelectPenInto(Surface surface, Pen pen) {
    SurfaceObject* s = FindSurface(surface);
    PenObject* p = FindPen(pen);
    if (!s || !p) return nullptr;
    return SwapSelection(&s->pen, p);
}

Font SelectFontInto(Surface surface, Font font) {
    SurfaceObject* s = FindSurface(surface);
    FontObject* f = FindFont(font);
    if (!s || !f) return nullptr;
    return SwapSelection(&s->font, f);
}

int GetDeviceCapability(Surface surface, int index) {
    constexpr int HorizontalResolution = 8, VerticalResolution = 10, BitsPerPixel = 12, Planes = 14;
    if (!FindSurface(surface)) return 0;
    switch (index) {
        case DeviceLogPixelsX:
        case DeviceLogPixelsY:
            return sim::detail::ScreenPixelsPerInch();
        case HorizontalResolution:
            return sim::detail::ScreenBounds().right;
        case VerticalResolution:
            return sim::detail::ScreenBounds().bottom;
        case BitsPerPixel:
            return 24;
        case Planes:
            return 1;
        default:
            return 0;
    }
}

}  // namespace platform
