// Pictures in the window system: the raster's pictures and ".bmp" files.
#pragma once

#include "platform/raster/Image.h"

namespace platform::sim {

using raster::DecodeBmp;
using raster::Image;
using raster::ReadBmpFile;
using raster::WriteBmpFile;

}  // namespace platform::sim
