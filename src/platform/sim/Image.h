// Pictures on the simulated handheld: the raster's pictures and ".bmp" files, PNG shots of the screen
// and the default desktop picture.
#pragma once

#include <string>

#include "platform/raster/Image.h"

namespace platform::sim {

using raster::DecodeBmp;
using raster::Image;
using raster::ReadBmpFile;
using raster::WriteBmpFile;

// Writes the picture as a PNG file.
bool WritePngFile(const Image& image, const std::string& hostPath);

// The default desktop picture: text, fine lines and areas of colour.
Image DefaultDesktop(int32_t width, int32_t height);

}  // namespace platform::sim
