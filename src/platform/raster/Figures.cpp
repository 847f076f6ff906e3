// Figures: filled rectangles, ellipses, focus frames and lines. A figure is first marked as a pixel
// mask and then drawn, so every pixel is touched exactly once and an XOR figure drawn twice leaves
// the surface as it was.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/raster/Canvas.h"
#include "platform/raster/Reused.h"

namespace platform::raster {

namespace {

__extension__ typedef __int128 Wide;

int32_t ClampToInt32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Rect VisiblePart(const Canvas& canvas, const Rect& area) {
    Rect visible;
    IntersectRectangles(&visible, area, canvas.SurfaceLimit());
    return visible;
}

FigureMask::FigureMask(const Rect& area) : box(area) {
    if (IsRectangleEmpty(area)) {
        box = Rect{};
        return;
    }
    cells.assign(size_t(Width(area)) * size_t(Height(area)), None);
}

void ApplyFigure(const Canvas& canvas, const FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk, int lineMode) {
    if (mask.Empty() || !canvas.Usable()) return;
    const Rect box = VisiblePart(canvas, mask.box);
    if (IsRectangleEmpty(box)) return;
    const int32_t count = Width(box);
    const size_t maskWidth = size_t(Width(mask.box));
    ColorRef* row = ReusedRow<ColorRef, 0>(size_t(count));
    uint8_t* keep = ReusedRow<uint8_t, 1>(size_t(count));
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const uint8_t* cells = mask.cells.data() + size_t(y - mask.box.top) * maskWidth + size_t(box.left - mask.box.left);
        if (std::none_of(cells, cells + count, [](uint8_t c) { return c != FigureMask::None; })) continue;
        const int32_t gx = box.left + canvas.origin.x, gy = y + canvas.origin.y;
        ReadRow(canvas, gx, gy, count, row);
        for (int32_t i = 0; i < count; ++i) {
            keep[i] = cells[i] != FigureMask::None;
            if (!keep[i]) continue;
            const ColorRef ink = cells[i] == FigureMask::Outline ? outlineInk : interiorInk;
            row[i] = ApplyLineMode(lineMode, ink & 0xFFFFFF, row[i]);
        }
        WriteRow(canvas, gx, gy, count, row, keep);
    }
}

// Pixels whose centres lie inside the ellipse inscribed in box; those inside the ellipse shrunk by
// the pen width on every side are the interior, the rest the outline.
void MarkEllipse(FigureMask* mask, const Rect& box, int32_t penWidth, bool outline, bool interior) {
    if (mask->Empty() || IsRectangleEmpty(box)) return;
    Rect area;
    if (!IntersectRectangles(&area, box, mask->box)) return;
    const double a = (double(box.right) - box.left) / 2.0, b = (double(box.bottom) - box.top) / 2.0;
    const double cx = (double(box.left) + box.right) / 2.0, cy = (double(box.top) + box.bottom) / 2.0;
    const double pen = outline ? double(std::max(penWidth, 1)) : 0.0;
    const double innerA = a - pen, innerB = b - pen;
    const bool hasInner = innerA > 0 && innerB > 0;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const double dy = y + 0.5 - cy;
        for (int32_t x = area.left; x < area.right; ++x) {
            const double dx = x + 0.5 - cx;
            if ((dx / a) * (dx / a) + (dy / b) * (dy / b) > 1.0) continue;
            const bool inner = hasInner && (dx / innerA) * (dx / innerA) + (dy / innerB) * (dy / innerB) <= 1.0;
            if (inner) {
                if (interior) mask->Mark(x, y, FigureMask::Interior);
            } else if (outline) {
                mask->Mark(x, y, FigureMask::Outline);
            }
        }
    }
}

// The pixels of the line from `from` towards `to` without the end point: along the longer axis one
// pixel per step, the other coordinate rounded from the exact line. Only the steps that can reach
// the mask are visited, so a line of any length costs at most the mask's size.
void MarkLine(FigureMask* mask, Point from, Point to, int32_t penWidth) {
    if (mask->Empty()) return;
    const int32_t width = std::clamp(penWidth, 1, MaxLinePenWidth);
    const int32_t before = (width - 1) / 2, after = width / 2;  // stamp extent around each pixel
    const int64_t dx = int64_t(to.x) - from.x, dy = int64_t(to.y) - from.y;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
    if (steps == 0) return;
    const int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int64_t majorStart = xMajor ? from.x : from.y, minorStart = xMajor ? from.y : from.x;
    const int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    // Major coordinates whose stamp can touch the mask.
    const int64_t low = int64_t(xMajor ? mask->box.left : mask->box.top) - after;
    const int64_t high = int64_t(xMajor ? mask->box.right : mask->box.bottom) - 1 + before;
    int64_t first, last;
    if (majorSign > 0) {
        first = low - majorStart;
        last = high - majorStart;
    } else {
        first = majorStart - high;
        last = majorStart - low;
    }
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps - 1);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t major = majorStart + majorSign * i;
        const int64_t offset = int64_t((Wide(2) * i * minor + steps) / (Wide(2) * steps));
        const int64_t other = minorStart + minorSign * offset;
        const int64_t px = xMajor ? major : other, py = xMajor ? other : major;
        for (int64_t sy = py - before; sy <= py + after; ++sy)
            for (int64_t sx = px - before; sx <= px + after; ++sx) mask->Mark(ClampToInt32(sx), ClampToInt32(sy), FigureMask::Outline);
    }
}

// A 1-pixel frame along the inside of rect, every other pixel (by the parity of x + y).
void MarkFocusFrame(FigureMask* mask, const Rect& rect) {
    if (mask->Empty() || IsRectangleEmpty(rect)) return;
    Rect area;
    if (!IntersectRectangles(&area, rect, mask->box)) return;
    auto mark = [&](int32_t x, int32_t y) {
        if (((int64_t(x) + y) & 1) == 0) mask->Mark(x, y, FigureMask::Outline);
    };
    for (int32_t x = area.left; x < area.right; ++x) {
        if (rect.top >= area.top) mark(x, rect.top);
        if (rect.bottom - 1 < area.bottom) mark(x, rect.bottom - 1);
    }
    for (int32_t y = area.top; y < area.bottom; ++y) {
        if (rect.left >= area.left) mark(rect.left, y);
        if (rect.right - 1 < area.right) mark(rect.right - 1, y);
    }
}

void FillBlock(const Canvas& canvas, const Rect& rect, ColorRef color) {
    if (!canvas.Usable()) return;
    const Rect area = VisiblePart(canvas, rect);
    if (IsRectangleEmpty(area)) return;
    ColorRef* row = ReusedRow<ColorRef, 0>(size_t(Width(area)));
    std::fill(row, row + Width(area), color & 0xFFFFFF);
    const int32_t gx = area.left + canvas.origin.x, top = area.top + canvas.origin.y;
    const int32_t height = Height(area);
    if (canvas.owners) {
        for (int32_t y = 0; y < height; ++y) WriteRow(canvas, gx, top + y, Width(area), row, nullptr);
        return;
    }
    // Without an owner map every further row takes the bytes of the first.
    WriteRow(canvas, gx, top, Width(area), row, nullptr);
    const ptrdiff_t bytes = canvas.format == PixelFormat::Bgr24 ? 3 : 4;
    const uint8_t* first = canvas.row0 + ptrdiff_t(top) * canvas.stride + ptrdiff_t(gx) * bytes;
    for (int32_t y = 1; y < height; ++y)
        std::memcpy(canvas.row0 + ptrdiff_t(top + y) * canvas.stride + ptrdiff_t(gx) * bytes, first,
                    size_t(Width(area)) * size_t(bytes));
}

}  // namespace platform::raster
