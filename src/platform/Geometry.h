// Rectangle operations of the platform, which are pure and the same on every backend.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace platform {

inline void CopyRectangle(Rect* to, const Rect& from) { *to = from; }

// Grows by dx, dy on every side (negative values shrink).
inline void InflateRectangle(Rect* rect, int32_t dx, int32_t dy) {
    rect->left -= dx;
    rect->top -= dy;
    rect->right += dx;
    rect->bottom += dy;
}

inline bool IsRectangleEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// True when the two rectangles share at least one pixel; the intersection goes to *result.
inline bool IntersectRectangles(Rect* result, const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsRectangleEmpty(r)) {
        if (result) *result = Rect{};
        return false;
    }
    if (result) *result = r;
    return true;
}

// Left and top inclusive, right and bottom exclusive.
inline bool PointInRectangle(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline int32_t Width(const Rect& r) { return r.right - r.left; }
inline int32_t Height(const Rect& r) { return r.bottom - r.top; }

// A shape on a width x height area as runs of columns on each row: row r holds runs[rowFirst[r]] up to
// (not including) runs[rowFirst[r + 1]], left to right, each [begin, end) in columns from the area's left.
struct RowRuns {
    struct Run {
        int32_t begin = 0;
        int32_t end = 0;
    };
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> rowFirst;  // height + 1 entries
    std::vector<Run> runs;

    bool Fits(int32_t w, int32_t h) const {
        return width == w && height == h && rowFirst.size() == size_t(h) + 1 && rowFirst.back() == runs.size();
    }
};

}  // namespace platform
