// The software raster: pixel grids in memory (canvases) and what is drawn on them: rows, plain copies,
// nearest and bilinear stretches, colour-keyed copies, fills, figures under any line mode, and text.
// It knows nothing of windows or devices: a backend hands it a canvas (a window's pixels in memory, a
// bitmap, a picture) for each operation and puts the result on its screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Constants.h"
#include "platform/Geometry.h"
#include "platform/Types.h"
#include "platform/raster/Image.h"

namespace platform::raster {

// How the pixels of a storage are laid out.
enum class PixelFormat : uint8_t {
    Color32,  // 4 bytes per pixel holding a ColorRef (red, green, blue, 0)
    Bgr24,    // 3 bytes per pixel: blue, green, red
    Bgrx32,   // 4 bytes per pixel: blue, green, red, unused (the 32-bit device-independent bitmap)
};

// Where one drawing operation reads and writes: a pixel grid and the part of it that may be touched.
// Grid coordinates: pixel (gx, gy) lies at row0 + gy * stride + gx * bytes per pixel.
struct Canvas {
    uint8_t* row0 = nullptr;
    ptrdiff_t stride = 0;  // negative for bottom-up storage
    PixelFormat format = PixelFormat::Color32;
    Point origin;          // grid position of the surface's (0, 0)
    Rect limit;            // grid pixels that may be read or written
    // Canvases of a window whose picture it shares with other windows (a dialog and its controls): a
    // write may change a grid pixel only where the owner map (one entry per grid pixel, ownerStride
    // entries a row) names `owner`. No map: every pixel of limit.
    const Window* owners = nullptr;
    ptrdiff_t ownerStride = 0;
    Window owner = nullptr;

    bool Usable() const { return row0 != nullptr && !IsRectangleEmpty(limit); }
    bool Owns(int32_t gx, int32_t gy) const {
        return !owners || owners[ptrdiff_t(gy) * ownerStride + gx] == owner;
    }
    // The limit in the surface's own coordinates.
    Rect SurfaceLimit() const {
        return Rect{limit.left - origin.x, limit.top - origin.y, limit.right - origin.x, limit.bottom - origin.y};
    }
};

Canvas CanvasOfImage(Image& image);

// Row access in grid coordinates; the span must lie inside the canvas's limit.
void ReadRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, ColorRef* out);
// keep (may be null) says per pixel whether to write it; the canvas's owner map applies too.
void WriteRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, const ColorRef* in, const uint8_t* keep);
// Calls run(first, end) for each run of pixels gx + [first, end) of row gy, within count, that the
// canvas owns (the whole span when it has no owner map).
template <class Run>
void ForEachOwnedRun(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, Run&& run) {
    if (!canvas.owners) {
        if (count > 0) run(0, count);
        return;
    }
    const Window* map = canvas.owners + ptrdiff_t(gy) * canvas.ownerStride + gx;
    const Window owner = canvas.owner;
    constexpr int32_t Block = 8;  // whole blocks compared at once: a window mostly owns long runs
    int32_t i = 0;
    while (i < count) {
        while (i < count && map[i] != owner) ++i;
        const int32_t first = i;
        while (i + Block <= count) {
            bool all = true;
            for (int32_t k = 0; k < Block; ++k) all &= map[i + k] == owner;
            if (!all) break;
            i += Block;
        }
        while (i < count && map[i] == owner) ++i;
        if (i > first) run(first, i);
    }
}
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
// colorMap (256 entries, or null) is a table every colour byte of a written pixel goes through, applied
// to each row as it is written; a keyed stretch takes none.
bool StretchBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height,
                  const Canvas& source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                  StretchFilter filter, const ColorRef* key, const uint8_t* colorMap = nullptr);
// The runs of the width x height area at (x, y) whose pixels are not the key colour: the pixels a
// colour-keyed copy of that area draws (those outside the canvas are left out like keyed ones).
void FindOpaqueRuns(const Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height, ColorRef key,
                    RowRuns* runs);
// A picture with a colour-keyed overlay over it, in one pass over `area` of the destination: each pixel
// on a run of `opaque` (made for the area) is the overlay's pixel at the same offset from its (0, 0);
// each other one is the picture's pixel, pictureArea's top-left landing on pictureAt; where neither
// reaches (an overlay without pixels reaches nowhere), the destination keeps its pixel. The same as a plain copy of the picture followed by a
// keyed copy of the overlay. False, drawing nothing, when the runs do not fit the area or a source
// shares the destination's storage.
// written (may be null) receives the smallest rectangle (surface coordinates) holding every pixel written.
bool CopyUnderOverlay(const Canvas& destination, const Rect& area, const Canvas& picture, const Rect& pictureArea,
                      Point pictureAt, const Canvas& overlay, const RowRuns& opaque, Rect* written = nullptr);
// The enlargement of the source's rectangle (sourceX, sourceY, sourceWidth x sourceHeight) onto
// `picture` (surface coordinates), laid under an overlay that is there already: each pixel of the area
// off the runs of `opaque` (made for the area) that the picture covers gets the enlargement's pixel;
// the rest keep theirs. The same pixels as StretchBlock into a 32-bit picture followed by
// CopyUnderOverlay of it without an overlay, without that picture: a few rows at a time are enlarged
// into a small buffer and copied on. filter and colorMap as for StretchBlock. False, drawing nothing,
// when the runs do not fit the area, the source's rectangle is not wholly inside the source, or the
// source shares the destination's storage. written as for CopyUnderOverlay.
bool StretchUnderOverlay(const Canvas& destination, const Rect& area, const Canvas& source, int32_t sourceX,
                         int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, const Rect& picture,
                         StretchFilter filter, const uint8_t* colorMap, const RowRuns& opaque,
                         Rect* written = nullptr);
// Whether CopyUnderOverlay with these arguments writes every pixel of the area (as far as the
// destination holds it).
bool OverlayCoversArea(const Rect& area, const Canvas& picture, const Rect& pictureArea, Point pictureAt,
                       const Canvas& overlay, const RowRuns& opaque);
// The copies above take specialised loops for the cases that run every frame (copies between pixel
// formats, an enlargement by a whole factor, a colour-keyed copy without scaling); each gives exactly
// what the general path gives. Switched off, every copy takes the general path (for comparing them).
void UseSpecialisedLoops(bool on);

// ---- Figures (surface coordinates) ----
// Lines are stamped pixel by pixel with a square of the pen's width; wider pens are drawn this wide.
constexpr int32_t MaxLinePenWidth = 64;
// The part of `area` that the canvas can show, in surface coordinates.
Rect VisiblePart(const Canvas& canvas, const Rect& area);
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

}  // namespace platform::raster
