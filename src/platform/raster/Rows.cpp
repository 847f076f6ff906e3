// Pixel rows of a canvas in its two storage formats, and the binary raster operations.
#include <cstring>

#include "platform/raster/Canvas.h"

namespace platform::raster {

Canvas CanvasOfImage(Image& image) {
    Canvas canvas;
    if (image.width <= 0 || image.height <= 0 || image.pixels.empty()) return canvas;
    canvas.row0 = reinterpret_cast<uint8_t*>(image.pixels.data());
    canvas.stride = ptrdiff_t(image.width) * 4;
    canvas.format = PixelFormat::Color32;
    canvas.limit = Rect{0, 0, image.width, image.height};
    return canvas;
}

namespace {

inline ptrdiff_t BytesPerPixel(PixelFormat format) { return format == PixelFormat::Bgr24 ? 3 : 4; }

inline uint8_t* PixelAddress(const Canvas& canvas, int32_t gx, int32_t gy) {
    const ptrdiff_t bytesPerPixel = BytesPerPixel(canvas.format);
    return canvas.row0 + ptrdiff_t(gy) * canvas.stride + ptrdiff_t(gx) * bytesPerPixel;
}

inline ColorRef LoadBgr(const uint8_t* p) { return ColorRef(p[2]) | ColorRef(p[1]) << 8 | ColorRef(p[0]) << 16; }

inline void StoreBgr(uint8_t* p, ColorRef c) {
    p[0] = BlueOf(c);
    p[1] = GreenOf(c);
    p[2] = RedOf(c);
}

// The word of a 32-bit BGRX pixel and the ColorRef it holds differ in the places of red and blue.
inline uint32_t SwapRedBlue(uint32_t v) { return (v >> 16 & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16; }

inline ColorRef LoadBgrx(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return SwapRedBlue(v);
}

inline void StoreBgrx(uint8_t* p, ColorRef c) {
    const uint32_t v = SwapRedBlue(c);
    std::memcpy(p, &v, 4);
}

inline ColorRef Load32(const uint8_t* p) {
    ColorRef c;
    std::memcpy(&c, p, 4);
    return c & 0xFFFFFF;
}

inline void Store32(uint8_t* p, ColorRef c) {
    c &= 0xFFFFFF;
    std::memcpy(p, &c, 4);
}

}  // namespace

void ReadRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, ColorRef* out) {
    if (count <= 0) return;
    const uint8_t* p = PixelAddress(canvas, gx, gy);
    if (canvas.format == PixelFormat::Color32) {
        std::memcpy(out, p, size_t(count) * 4);
        for (int32_t i = 0; i < count; ++i) out[i] &= 0xFFFFFF;
    } else if (canvas.format == PixelFormat::Bgrx32) {
        for (int32_t i = 0; i < count; ++i, p += 4) out[i] = LoadBgrx(p);
    } else {
        const ptrdiff_t step = BytesPerPixel(canvas.format);
        for (int32_t i = 0; i < count; ++i, p += step) out[i] = LoadBgr(p);
    }
}

void WriteRow(const Canvas& canvas, int32_t gx, int32_t gy, int32_t count, const ColorRef* in, const uint8_t* keep) {
    if (count <= 0) return;
    uint8_t* p = PixelAddress(canvas, gx, gy);
    const bool tested = canvas.owners != nullptr;
    if (!keep && !tested) {
        if (canvas.format == PixelFormat::Color32) {
            std::memcpy(p, in, size_t(count) * 4);
        } else if (canvas.format == PixelFormat::Bgrx32) {
            for (int32_t i = 0; i < count; ++i, p += 4) StoreBgrx(p, in[i]);
        } else {
            for (int32_t i = 0; i < count; ++i, p += 3) StoreBgr(p, in[i]);
        }
        return;
    }
    const ptrdiff_t bytesPerPixel = BytesPerPixel(canvas.format);
    for (int32_t i = 0; i < count; ++i, p += bytesPerPixel) {
        if (keep && !keep[i]) continue;
        if (tested && !canvas.Owns(gx + i, gy)) continue;
        if (canvas.format == PixelFormat::Color32)
            Store32(p, in[i]);
        else if (canvas.format == PixelFormat::Bgrx32)
            StoreBgrx(p, in[i]);
        else
            StoreBgr(p, in[i]);
    }
}

ColorRef ReadPixel(const Canvas& canvas, int32_t gx, int32_t gy) {
    const uint8_t* p = PixelAddress(canvas, gx, gy);
    return canvas.format == PixelFormat::Color32 ? Load32(p) : LoadBgr(p);  // Bgrx32 starts like Bgr24
}

bool SameStorage(const Canvas& a, const Canvas& b) { return a.row0 != nullptr && a.row0 == b.row0; }

bool ValidLineMode(int mode) { return mode >= 1 && mode <= 16; }

// The mode's number minus one is a truth table over (pen bit, destination bit): bit (pen * 2 +
// destination) of it is the result for that pair. So 13 (copy pen) gives the pen, 7 (XOR pen) the
// exclusive or, 11 the destination unchanged, 6 its inverse.
ColorRef ApplyLineMode(int mode, ColorRef pen, ColorRef destination) {
    const uint32_t table = uint32_t(mode - 1);
    const uint32_t p = pen, d = destination;
    uint32_t result = 0;
    if (table & 8) result |= p & d;
    if (table & 4) result |= p & ~d;
    if (table & 2) result |= ~p & d;
    if (table & 1) result |= ~p & ~d;
    return result & 0xFFFFFF;
}

}  // namespace platform::raster
