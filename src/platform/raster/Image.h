// A picture in memory: 24-bit colour kept as 0x00BBGGRR values, top row first; and ".bmp" files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace platform::raster {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<ColorRef> pixels;

    Image() = default;
    Image(int32_t w, int32_t h, ColorRef fill = 0)
        : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(size_t(width) * size_t(height), fill) {}

    bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    ColorRef At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    ColorRef& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    friend bool operator==(const Image&, const Image&) = default;
};

// Reads a ".bmp" file (24-bit, 32-bit, 8-bit and 4-bit and 1-bit palette, bottom-up or top-down, no
// compression). Returns nullopt for anything malformed or truncated.
std::optional<Image> ReadBmpFile(const std::string& hostPath);
std::optional<Image> DecodeBmp(const uint8_t* data, size_t size);
// Writes a 24-bit ".bmp" (used by the data generator and tests).
bool WriteBmpFile(const Image& image, const std::string& hostPath);
}  // namespace platform::raster
