// Decoding of icon (.ico) and cursor (.cur) files for the window system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Types.h"
#include "platform/windowing/Image.h"

namespace platform::sim {

struct IconPicture {
    Image image;
    std::vector<bool> mask;  // true = transparent
    Point hotSpot;           // cursors only
};

// Reads an icon file (cursor = false) or a cursor file (cursor = true). Of several pictures in one file
// the one nearest to 32 x 32 is taken, at its greatest colour depth. Pictures of 1, 4, 8, 24 and 32 bits
// per pixel, up to 256 x 256, are read; anything malformed or truncated gives nullopt.
std::optional<IconPicture> DecodeIconFile(const uint8_t* data, size_t size, bool cursor);

}  // namespace platform::sim
