// The kept capture of the view's source and the record of the last render.
#include "magnifier/ViewSource.h"

#include <algorithm>
#include <cstring>

#include "platform/Geometry.h"

using namespace platform;

namespace {

void FreeSection(ViewSource& v) {
    if (v.Surface && v.Bitmap) SelectBitmapInto(v.Surface, v.SurfaceOriginal);
    if (v.Bitmap) DeleteBitmapObject(v.Bitmap);
    v.Bitmap = nullptr;
    v.SurfaceOriginal = nullptr;
    v.Bits = nullptr;
    v.Width = 0;
    v.Height = 0;
}

// Row y of the capture, width pixels.
const uint8_t* CapturedRow(const ViewSource& v, int32_t y) { return v.Bits + size_t(y) * size_t(v.Width) * 4; }

uint32_t* RecordedRow(ViewSource& v, int32_t width, int32_t y) { return v.RenderedPixels.data() + size_t(y) * size_t(width); }

bool SamePixel(const uint32_t* recorded, const uint8_t* captured, int32_t x) {
    uint32_t now;
    std::memcpy(&now, captured + size_t(x) * 4, 4);
    return recorded[x] == now;
}

// The smallest rectangle holding every pixel of the capture that differs from the recorded one (both
// width x height); empty when none does.
Rect ChangedPixels(ViewSource& v, int32_t width, int32_t height) {
    Rect box{width, height, 0, 0};
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* recorded = RecordedRow(v, width, y);
        const uint8_t* captured = CapturedRow(v, y);
        if (std::memcmp(recorded, captured, size_t(width) * 4) == 0) continue;
        // Only pixels outside the box so far can widen it; where those are the same, the row's
        // change lies within it.
        int32_t left = box.left;
        if (left > 0 && std::memcmp(recorded, captured, size_t(left) * 4) != 0)
            for (left = 0; SamePixel(recorded, captured, left); ++left) {}
        int32_t right = box.right;
        if (right < width && std::memcmp(recorded + right, captured + size_t(right) * 4, size_t(width - right) * 4) != 0)
            for (right = width; SamePixel(recorded, captured, right - 1); --right) {}
        box = Rect{std::min(box.left, left), std::min(box.top, y), std::max(box.right, right), y + 1};
    }
    return IsRectangleEmpty(box) ? Rect{} : box;
}

// Rows [top, bottom) of the capture become those of the record.
void RecordRows(ViewSource& v, int32_t width, int32_t top, int32_t bottom) {
    for (int32_t y = top; y < bottom; ++y) std::memcpy(RecordedRow(v, width, y), CapturedRow(v, y), size_t(width) * 4);
}

}  // namespace

Surface SourceCaptureSurface(ViewSource& v, Surface compatibleWith, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    if (v.Bitmap && v.Width >= width && v.Height >= height) return v.Surface;
    // Grown, never shrunk: a zoom drag changes the source's size on every render.
    const int32_t w = width > v.Width ? width : v.Width;
    const int32_t h = height > v.Height ? height : v.Height;
    FreeSection(v);
    ForgetLastRender(v);
    if (!v.Surface) v.Surface = CreateMemorySurface(compatibleWith);
    if (!v.Surface) return nullptr;
    BitmapInfoHeader header;
    header.width = w;
    header.height = -h;
    header.bitCount = 32;
    uint8_t* bits = nullptr;
    Bitmap section = CreateDibSection(v.Surface, &header, &bits);
    if (!section || !bits) {
        if (section) DeleteBitmapObject(section);
        return nullptr;
    }
    v.SurfaceOriginal = SelectBitmapInto(v.Surface, section);
    v.Bitmap = section;
    v.Bits = bits;
    v.Width = w;
    v.Height = h;
    ++v.Section;
    return v.Surface;
}

bool SameAsLastRender(ViewSource& v, const ViewInputs& inputs, int32_t width, int32_t height, Rect* changed) {
    if (changed) *changed = Rect{0, 0, width, height};
    if (!v.Bits || width <= 0 || height <= 0 || width > v.Width || height > v.Height) {
        ForgetLastRender(v);
        return false;
    }
    const size_t count = size_t(width) * size_t(height);
    if (v.Recorded && v.RenderedInputs == inputs && v.RenderedPixels.size() == count) {
        const Rect box = ChangedPixels(v, width, height);
        if (IsRectangleEmpty(box)) return true;
        if (changed) *changed = box;
        RecordRows(v, width, box.top, box.bottom);
        return false;
    }
    v.RenderedPixels.resize(count);
    RecordRows(v, width, 0, height);
    v.RenderedInputs = inputs;
    v.Recorded = true;
    return false;
}

void ForgetLastRender(ViewSource& v) {
    v.Recorded = false;
    v.RenderedPixels.clear();
}

void ReleaseViewSource(ViewSource& v) {
    FreeSection(v);
    if (v.Surface) DeleteMemorySurface(v.Surface);
    v.Surface = nullptr;
    ForgetLastRender(v);
    v.RenderedPixels.shrink_to_fit();
}
