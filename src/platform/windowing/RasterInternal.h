// What the simulated device's drawing files share: the drawing objects behind the handles and the
// canvas of a surface; the pixels themselves are drawn by the raster layer (platform/raster).
// Private to the device's drawing (Surfaces.cpp, RasterObjects.cpp, SurfaceCopies.cpp,
// SurfaceFigures.cpp, SurfaceText.cpp, Desktop.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "platform/Drawing.h"
#include "platform/Geometry.h"
#include "platform/raster/Canvas.h"
#include "platform/windowing/Image.h"
#include "platform/windowing/Internal.h"

namespace platform::sim::raster {

// The canvases and their operations live in the raster layer.
using namespace platform::raster;

}  // namespace platform::sim::raster

namespace platform {

struct BitmapObject {
    int32_t width = 0;
    int32_t height = 0;
    raster::PixelFormat format = raster::PixelFormat::Color32;
    std::vector<uint8_t> storage;
    uint8_t* row0 = nullptr;  // top row
    ptrdiff_t stride = 0;     // negative for bottom-up storage
    SurfaceObject* selectedInto = nullptr;
    bool stock = false;
};

struct BrushObject {
    ColorRef color = 0;
    bool stock = false;
    int selections = 0;
};

struct PenObject {
    int style = PenSolid;
    int32_t width = 1;
    ColorRef color = 0;
    bool stock = false;
    int selections = 0;
};

struct FontObject {
    FontRecord record;
    bool stock = false;
    int selections = 0;
};

struct SurfaceObject {
    enum class Kind { Screen, Window, Memory };
    Kind kind = Kind::Memory;
    Window window = nullptr;
    bool paintClip = false;
    sim::detail::WindowClip clip;  // window surfaces: how the surface reaches the screen
    bool clipKnown = false;

    BitmapObject* bitmap = nullptr;  // memory surfaces
    PenObject* pen = nullptr;
    BrushObject* brush = nullptr;
    FontObject* font = nullptr;

    ColorRef textColor = 0;
    ColorRef backgroundColor = 0xFFFFFF;
    int backgroundMode = BackgroundOpaque;
    int lineMode = Rop2CopyPen;
    int stretchMode = StretchColorOnColor;
    Point position;
    bool limited = false;  // memory surfaces: drawing changes only drawingLimit
    Rect drawingLimit;
};

}  // namespace platform

namespace platform::sim::raster {

// The live objects of one kind, owned here; a handle is valid exactly while its object is listed.
template <class T>
class Registry {
public:
    T* Add(std::unique_ptr<T> object) {
        T* raw = object.get();
        items_.emplace(raw, std::move(object));
        return raw;
    }
    T* Find(const void* handle) const {
        auto it = items_.find(static_cast<T*>(const_cast<void*>(handle)));
        return it == items_.end() ? nullptr : it->second.get();
    }
    void Remove(T* object) { items_.erase(object); }
    template <class F>
    void ForEach(F f) const {
        for (const auto& [raw, owned] : items_) f(raw);
    }
    void Clear() { items_.clear(); }

private:
    std::unordered_map<T*, std::unique_ptr<T>> items_;
};

struct ObjectTable {
    Registry<SurfaceObject> surfaces;
    Registry<BitmapObject> bitmaps;
    Registry<BrushObject> brushes;
    Registry<PenObject> pens;
    Registry<FontObject> fonts;
    // Stock objects: listed like the others (so their handles are valid) but never counted or
    // deleted. Made on first use.
    BitmapObject* stockBitmap = nullptr;
    BrushObject* stockBrush = nullptr;
    PenObject* stockPen = nullptr;
    FontObject* stockFont = nullptr;
    std::unordered_map<int, BrushObject*> systemBrushes;
};
ObjectTable& Objects();
BitmapObject* StockBitmap();  // 1 x 1, black
BrushObject* StockBrush();    // white
PenObject* StockPen();        // solid, 1 pixel, black
FontObject* StockFont();      // the default font

// Handle checks: the object behind a live handle, or null for anything else (a stale or foreign
// handle included).
SurfaceObject* FindSurface(Surface surface);
BitmapObject* FindBitmap(Bitmap bitmap);
BrushObject* FindBrush(Brush brush);
PenObject* FindPen(Pen pen);
FontObject* FindFont(Font font);

// The canvas of a surface for one operation (an unusable canvas when it draws nowhere now).
Canvas CanvasOf(SurfaceObject* surface);
TextStyle TextStyleOf(const SurfaceObject* surface);
// An operation drew inside area (surface coordinates, either corner first) of the canvas: for a
// window's surface, that part of its picture is to be shown.
void NoteDrawn(const SurfaceObject* surface, const Canvas& canvas, const Rect& area);
// The canvas a copy reads `area` (surface coordinates) from: on a host display the whole-screen
// surface reads the real screen, only that rectangle.
Canvas SourceCanvasOf(SurfaceObject* surface, Rect area);
// Whether a figure can be drawn through the canvas (on a host display, the whole-screen surface's
// figures go to the host's screen).
bool CanDrawFigure(const SurfaceObject* surface, const Canvas& canvas);
// Fills the rectangle with one colour, as FillRectangle with a solid brush of that colour (no brush
// is made).
bool FillRectangleWithColor(Surface surface, const Rect& rect, ColorRef color);
// Draws a figure on the surface: on a host display, figures on the whole-screen surface go to the
// real screen.
void DrawFigure(SurfaceObject* surface, const Canvas& canvas, const FigureMask& mask, ColorRef outlineInk,
                ColorRef interiorInk, int lineMode);

}  // namespace platform::sim::raster
