// Bitmaps, brushes, pens and fonts: creation, size queries and deletion, and the system colours.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/windowing/DeviceState.h"
#include "platform/windowing/RasterInternal.h"

namespace platform::sim::raster {
namespace {

// Bitmaps larger than this are refused rather than allocated.
constexpr int32_t MaxBitmapSide = 16384;
constexpr int64_t MaxBitmapPixels = int64_t(1) << 26;

bool AcceptableSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= MaxBitmapSide && height <= MaxBitmapSide &&
           width * height <= MaxBitmapPixels;
}

Bitmap AddBitmap(std::unique_ptr<BitmapObject> bitmap) {
    detail::CountObject("bitmaps", +1);
    return Objects().bitmaps.Add(std::move(bitmap));
}

// A bitmap compatible with the screen: in the pixel format of the windows' pictures.
std::unique_ptr<BitmapObject> NewColorBitmap(int32_t width, int32_t height) {
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->format = detail::Dev().pictureFormat;
    bitmap->storage.assign(size_t(width) * size_t(height) * 4, 0);
    bitmap->row0 = bitmap->storage.data();
    bitmap->stride = ptrdiff_t(width) * 4;
    return bitmap;
}

// The classic system colours of the handheld, 0x00BBGGRR, by index.
struct SystemColor {
    int index;
    ColorRef color;
};
constexpr SystemColor SystemColors[] = {
    {0, 0xC0C0C0},  {1, 0x808000},  {2, 0x800000},  {3, 0x808080},  {4, 0xC0C0C0},  {5, 0xFFFFFF},
    {6, 0x000000},  {7, 0x000000},  {8, 0x000000},  {9, 0xFFFFFF},  {10, 0xC0C0C0}, {11, 0xC0C0C0},
    {12, 0x808080}, {13, 0x800000}, {14, 0xFFFFFF}, {15, 0xC0C0C0}, {16, 0x808080}, {17, 0x808080},
    {18, 0x000000}, {19, 0xC0C0C0}, {20, 0xFFFFFF}, {21, 0x000000}, {22, 0xDFDFDF}, {23, 0x000000},
    {24, 0xE1FFFF},
};

// Indexes may carry the handheld's system-colour flag (0x40000000).
const SystemColor* FindSystemColor(int index) {
    const int plain = index & ~0x40000000;
    for (const auto& entry : SystemColors)
        if (entry.index == plain) return &entry;
    return nullptr;
}

template <class T>
bool DeleteCounted(Registry<T>& registry, T* object, const char* kind) {
    if (!object || object->stock || object->selections > 0) return false;
    registry.Remove(object);
    detail::CountObject(kind, -1);
    return true;
}

}  // namespace
}  // namespace platform::sim::raster

namespace platform {

using namespace sim::raster;

Bitmap CreateCompatibleBitmapFor(Surface surface, int32_t width, int32_t height) {
    if (surface && !FindSurface(surface)) return nullptr;
    if (!AcceptableSize(width, height)) return nullptr;
    return AddBitmap(NewColorBitmap(width, height));
}

Bitmap CreateDibSection(Surface surface, const BitmapInfoHeader* header, uint8_t** bits) {
    if (bits) *bits = nullptr;
    if (surface && !FindSurface(surface)) return nullptr;
    if (!header || header->size < 40 || header->planes != 1 || (header->bitCount != 24 && header->bitCount != 32) ||
        header->compression != 0)
        return nullptr;
    const int64_t width = header->width, height = std::llabs(int64_t(header->height));
    if (!AcceptableSize(width, height)) return nullptr;
    const int64_t bitCount = header->bitCount;
    const ptrdiff_t stride = ptrdiff_t(((width * bitCount + 31) / 32) * 4);
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->width = int32_t(width);
    bitmap->height = int32_t(height);
    bitmap->format = bitCount == 32 ? PixelFormat::Bgrx32 : PixelFormat::Bgr24;
    bitmap->storage.assign(size_t(stride) * size_t(height), 0);
    if (header->height > 0) {  // bottom-up: the first stored row is the bottom one
        bitmap->row0 = bitmap->storage.data() + stride * (height - 1);
        bitmap->stride = -stride;
    } else {
        bitmap->row0 = bitmap->storage.data();
        bitmap->stride = stride;
    }
    if (bits) *bits = bitmap->storage.data();
    return AddBitmap(std::move(bitmap));
}

Bitmap LoadBitmapFile(const char16_t* path) {
    if (!path) return nullptr;
    const std::string hostPath = sim::detail::HostPath(path);
    if (hostPath.empty()) return nullptr;
    const std::optional<sim::Image> image = sim::ReadBmpFile(hostPath);
    if (!image || !AcceptableSize(image->width, image->height)) return nullptr;
    auto bitmap = NewColorBitmap(image->width, image->height);
    Canvas canvas;
    canvas.row0 = bitmap->storage.data();
    canvas.stride = bitmap->stride;
    canvas.format = bitmap->format;
    canvas.limit = Rect{0, 0, bitmap->width, bitmap->height};
    for (int32_t y = 0; y < image->height; ++y)
        WriteRow(canvas, 0, y, image->width, &image->pixels[size_t(y) * size_t(image->width)], nullptr);
    return AddBitmap(std::move(bitmap));
}

bool GetBitmapSize(Bitmap bitmap, int32_t* width, int32_t* height) {
    const BitmapObject* b = FindBitmap(bitmap);
    if (!b) return false;
    if (width) *width = b->width;
    if (height) *height = b->height;
    return true;
}

bool DeleteBitmapObject(Bitmap bitmap) {
    BitmapObject* b = FindBitmap(bitmap);
    // A bitmap selected into a surface stays until it is selected out.
    if (!b || b->stock || b->selectedInto) return false;
    Objects().bitmaps.Remove(b);
    sim::detail::CountObject("bitmaps", -1);
    return true;
}

Brush CreateSolidBrushOf(ColorRef color) {
    auto brush = std::make_unique<BrushObject>();
    brush->color = color & 0xFFFFFF;
    sim::detail::CountObject("brushes", +1);
    return Objects().brushes.Add(std::move(brush));
}

Brush GetSystemColorBrush(int index) {
    const SystemColor* entry = FindSystemColor(index);
    if (!entry) return nullptr;
    ObjectTable& table = Objects();
    auto it = table.systemBrushes.find(entry->index);
    if (it != table.systemBrushes.end()) return it->second;
    auto brush = std::make_unique<BrushObject>();
    brush->color = entry->color;
    brush->stock = true;
    BrushObject* shared = table.brushes.Add(std::move(brush));
    table.systemBrushes.emplace(entry->index, shared);
    return shared;
}

ColorRef GetSystemColor(int index) {
    const SystemColor* entry = FindSystemColor(index);
    return entry ? entry->color : 0;
}

Pen CreatePenOf(int style, int32_t width, ColorRef color) {
    // Solid, dashed, dotted and the dash-dot styles are all drawn solid; 5 draws nothing; 6 is solid.
    if (style < 0 || style > 6) return nullptr;
    auto pen = std::make_unique<PenObject>();
    pen->style = style;
    pen->width = width > 0 ? width : 1;
    pen->color = color & 0xFFFFFF;
    sim::detail::CountObject("pens", +1);
    return Objects().pens.Add(std::move(pen));
}

Font CreateFontFrom(const FontRecord* record) {
    if (!record) return nullptr;
    auto font = std::make_unique<FontObject>();
    font->record = *record;
    sim::detail::CountObject("fonts", +1);
    return Objects().fonts.Add(std::move(font));
}

bool DeleteBrushObject(Brush brush) { return DeleteCounted(Objects().brushes, FindBrush(brush), "brushes"); }
bool DeletePenObject(Pen pen) { return DeleteCounted(Objects().pens, FindPen(pen), "pens"); }
bool DeleteFontObject(Font font) { return DeleteCounted(Objects().fonts, FindFont(font), "fonts"); }

}  // namespace platform
