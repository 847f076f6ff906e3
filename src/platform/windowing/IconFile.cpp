// Decoding of icon and cursor files: a directory of pictures, each a bitmap header, an optional
// palette, the colour rows and a one-bit transparency mask, both bottom row first.
#include "platform/windowing/IconFile.h"

#include <cstdlib>

namespace platform::sim {

namespace {

constexpr size_t DirectoryHeaderSize = 6;
constexpr size_t DirectoryEntrySize = 16;
constexpr size_t MaxEntries = 64;
constexpr int32_t MaxSide = 256;

uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Entry {
    Point hotSpot;
    size_t offset = 0;
    size_t size = 0;
};

// One picture: the bitmap header and what follows it, all within [data, data + size).
std::optional<IconPicture> DecodePicture(const uint8_t* data, size_t size, int* depth) {
    if (size < 40) return std::nullopt;
    uint32_t headerSize = Read32(data);
    if (headerSize < 40 || headerSize > size) return std::nullopt;
    int32_t width = int32_t(Read32(data + 4));
    int32_t doubleHeight = int32_t(Read32(data + 8));
    uint16_t bits = Read16(data + 14);
    uint32_t compression = Read32(data + 16);
    uint32_t colorsUsed = Read32(data + 32);
    if (compression != 0) return std::nullopt;
    if (width < 1 || width > MaxSide || doubleHeight < 2 || doubleHeight > 2 * MaxSide || doubleHeight % 2 != 0) {
        return std::nullopt;
    }
    int32_t height = doubleHeight / 2;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;

    size_t paletteCount = 0;
    if (bits <= 8) {
        size_t full = size_t(1) << bits;
        if (colorsUsed > full) return std::nullopt;
        paletteCount = colorsUsed ? colorsUsed : full;
    }
    size_t colorStride = (size_t(width) * bits + 31) / 32 * 4;
    size_t maskStride = (size_t(width) + 31) / 32 * 4;
    size_t paletteAt = headerSize;
    size_t colorAt = paletteAt + paletteCount * 4;
    size_t maskAt = colorAt + colorStride * size_t(height);
    if (maskAt > size) return std::nullopt;
    // A 32-bit picture may leave the mask out and rely on its alpha.
    bool hasMask = maskAt + maskStride * size_t(height) <= size;
    if (!hasMask && bits != 32) return std::nullopt;

    *depth = bits;
    IconPicture picture;
    picture.image = Image(width, height);
    picture.mask.assign(size_t(width) * size_t(height), false);
    bool anyAlpha = false;
    std::vector<uint8_t> alpha(size_t(width) * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = data + colorAt + colorStride * size_t(height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            uint8_t r = 0, g = 0, b = 0;
            if (bits <= 8) {
                size_t bitPos = size_t(x) * bits;
                unsigned index = (row[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                if (index < paletteCount) {
                    const uint8_t* quad = data + paletteAt + size_t(index) * 4;
                    b = quad[0];
                    g = quad[1];
                    r = quad[2];
                }
            } else {
                const uint8_t* p = row + size_t(x) * (bits / 8);
                b = p[0];
                g = p[1];
                r = p[2];
                if (bits == 32) {
                    alpha[size_t(y) * size_t(width) + size_t(x)] = p[3];
                    anyAlpha = anyAlpha || p[3] != 0;
                }
            }
            picture.image.At(x, y) = Rgb(r, g, b);
        }
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = hasMask ? data + maskAt + maskStride * size_t(height - 1 - y) : nullptr;
        for (int32_t x = 0; x < width; ++x) {
            size_t at = size_t(y) * size_t(width) + size_t(x);
            bool transparent;
            if (bits == 32 && anyAlpha) {
                transparent = alpha[at] < 128;
            } else if (row) {
                // A masked pixel with a colour inverts the screen; it is shown in that colour here.
                transparent = ((row[size_t(x) / 8] >> (7 - x % 8)) & 1) && picture.image.At(x, y) == 0;
            } else {
                transparent = false;
            }
            picture.mask[at] = transparent;
        }
    }
    return picture;
}

}  // namespace

std::optional<IconPicture> DecodeIconFile(const uint8_t* data, size_t size, bool cursor) {
    if (!data || size < DirectoryHeaderSize) return std::nullopt;
    if (Read16(data) != 0 || Read16(data + 2) != (cursor ? 2 : 1)) return std::nullopt;
    size_t count = Read16(data + 4);
    if (count == 0 || count > MaxEntries || size < DirectoryHeaderSize + count * DirectoryEntrySize) {
        return std::nullopt;
    }
    std::optional<IconPicture> best;
    int bestDistance = 0;
    int bestDepth = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + DirectoryHeaderSize + i * DirectoryEntrySize;
        Entry entry;
        entry.hotSpot = {Read16(e + 4), Read16(e + 6)};
        entry.size = Read32(e + 8);
        entry.offset = Read32(e + 12);
        if (entry.offset > size || entry.size > size - entry.offset) continue;
        int depth = 0;
        std::optional<IconPicture> picture = DecodePicture(data + entry.offset, entry.size, &depth);
        if (!picture) continue;
        picture->hotSpot = cursor ? entry.hotSpot : Point{};
        int distance = std::abs(picture->image.width - 32) + std::abs(picture->image.height - 32);
        if (!best || distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
            best = std::move(picture);
            bestDistance = distance;
            bestDepth = depth;
        }
    }
    return best;
}

}  // namespace platform::sim
