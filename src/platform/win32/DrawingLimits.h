// Sizes the drawing services accept for bitmaps they make or load: a picture larger than this is
// refused (null) rather than left to fail halfway in the graphics system.
#pragma once

#include <cstdint>

namespace platform::win32 {

constexpr int64_t MaxBitmapSide = 16384;
constexpr int64_t MaxBitmapPixels = int64_t(1) << 26;

constexpr bool AcceptableBitmapSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= MaxBitmapSide && height <= MaxBitmapSide &&
           width * height <= MaxBitmapPixels;
}

}  // namespace platform::win32
