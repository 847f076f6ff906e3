// The kept capture of the view's source and the record of the last render.
#include "magnifier/ViewSource.h"

#include <cstring>

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
    return v.Surface;
}

bool SameAsLastRender(ViewSource& v, const ViewInputs& inputs, int32_t width, int32_t height) {
    if (!v.Bits || width <= 0 || height <= 0 || width > v.Width || height > v.Height) {
        ForgetLastRender(v);
        return false;
    }
    const size_t rowPixels = size_t(width);
    const size_t stride = size_t(v.Width) * 4;
    const size_t count = rowPixels * size_t(height);
    bool same = v.Recorded && v.RenderedInputs == inputs && v.RenderedPixels.size() == count;
    for (int32_t y = 0; same && y < height; ++y)
        same = std::memcmp(v.RenderedPixels.data() + size_t(y) * rowPixels, v.Bits + size_t(y) * stride,
                           rowPixels * 4) == 0;
    if (same) return true;
    v.RenderedPixels.resize(count);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(v.RenderedPixels.data() + size_t(y) * rowPixels, v.Bits + size_t(y) * stride, rowPixels * 4);
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
