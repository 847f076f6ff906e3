// What the files of the software raster share: the drawing objects behind the handles, the canvas
// that one drawing operation reads and writes, and the row, figure and text primitives.
// Private to the raster (Surfaces.cpp, RasterObjects.cpp, RasterCanvas.cpp, Blit.cpp, Figures.cpp,
// TextRender.cpp, Desktop.cpp).
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
#include "platform/sim/Image.h"
#include "platform/sim/Internal.h"

namespace platform::sim::raster {

// How the pixels of a storage are laid out.
enum class PixelFormat : uint8_t {
    Color32,  // 4 bytes per pixel holding a ColorRef (red, green, blue, 0)
    Bgr24,    // 3 bytes per pixel: blue, green, red
};

// Where one drawing operation reads and writes: a pixel grid and the part of it that may be touched.
// Grid coordinates: pixel (gx, gy) lies at row0 + gy * stride + gx * bytes per pixel.
struct Canvas {
    uint8_t* row0 = nullptr;
    ptrdiff_t stride = 0;  // negative for bottom-up storage
    PixelFormat format = PixelFormat::Color32;
    Point origin;          // grid position of the surface's (0, 0)
    Rect limit;            // grid pixels that may be read or written
    // Per grid pixel: whether a write may change it (window surfaces only; null = all of limit).
    const std::function<bool(int32_t, int32_t)>* allows = nullptr;

    bool Usable() const { return row0 != nullptr && !IsRectangleEmpty(limit); }
    // The limit in the surface's own coordinates.
    Rect SurfaceLimit() const {
        return Rect{limit.left - origin.x, limit.top - origin.y, limit.right - origin.x, limit.bottom - origin.y};
    }
};

Canvas CanvasOfImage(Image& image);

// Row access in grid coordinates; the span must lie inside the canvas's limit.
void ReadRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, ColorRef* out);
// keep (may be null) says per pixel whether to write it; the canvas's own per-pixel test applies too.
void WriteRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, const ColorRef* in, const uint8_t* keep);
ColorRef ReadPixel(const Canvas& canvas, int32_t gx, int32_t gy);
// True when both canvases address the same pixel storage.
bool SameStorage(const Canvas& a, const Canvas& b);

// The binary raster operation `mode` (1..16) of pen colour and destination colour.
ColorRef ApplyLineMode(int mode, ColorRef pen, ColorRef destination);
bool ValidLineMode(int mode);

// ---- Copies (surface coordinates of each canvas) ----
enum class StretchFilter { Nearest, Bilinear };
bool CopyBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height, const Canvas& source,
               int32_t sourceX, int32_t sourceY);
bool StretchBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height,
                  const Canvas& source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                  StretchFilter filter, const ColorRef* key);

// ---- Figures (surface coordinates) ----
void FillBlock(const Canvas& canvas, const Rect& rect, ColorRef color);

// A figure as a set of pixels, each marked with the ink that draws it, so that no pixel is drawn twice.
struct FigureMask {
    static constexpr uint8_t None = 0;
    static constexpr uint8_t Outline = 1;
    static constexpr uint8_t Interior = 2;
    Rect box;                    // surface coordinates covered by cells
    std::vector<uint8_t> cells;  // row by row over box

    explicit FigureMask(const Rect& area);
    bool Empty() const { return cells.empty(); }
    void Mark(int32_t x, int32_t y, uint8_t ink) {
        if (PointInRectangle(box, Point{x, y}))
            cells[size_t(y - box.top) * size_t(Width(box)) + size_t(x - box.left)] = ink;
    }
};
// Draws every marked pixel once: Outline pixels with outlineInk, Interior pixels with interiorInk,
// each combined with the destination by the line mode.
void ApplyFigure(const Canvas& canvas, const FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk, int lineMode);

void MarkEllipse(FigureMask* mask, const Rect& box, int32_t penWidth, bool outline, bool interior);
void MarkLine(FigureMask* mask, Point from, Point to, int32_t penWidth);  // end point left out
void MarkFocusFrame(FigureMask* mask, const Rect& rect);

// ---- Text ----
struct TextStyle {
    int32_t height = 0;  // negative: character height; positive: cell height; 0: the default
    int32_t weight = 0;
    bool antialiased = false;
    ColorRef color = 0;
    bool opaque = true;
    ColorRef background = 0xFFFFFF;
};
// Lays out and (when canvas is not null) draws text in rect (surface coordinates). With
// TextCalcRect, or a null canvas, only measures: sets rect's right and bottom. Returns the height.
int LayOutText(const Canvas* canvas, const TextStyle& style, std::u16string_view text, Rect* rect, uint32_t format);

// ---- Objects ----
// Frees every object of the raster (surfaces, bitmaps, brushes, pens, fonts, stock objects).
void ReleaseObjects();

}  // namespace platform::sim::raster

namespace platform {

struct BitmapObject {
    int32_t width = 0;
    int32_t height = 0;
    sim::raster::PixelFormat format = sim::raster::PixelFormat::Color32;
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

}  // namespace platform::sim::raster
