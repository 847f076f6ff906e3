// The raster's specialised copy loops against its general path: for every pair of pixel formats and
// every kind of copy that runs on each frame, both give the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster/Canvas.h"

using namespace platform;
using namespace platform::raster;

namespace {

struct Storage {
    std::vector<uint8_t> bytes;
    Canvas canvas;
};

// A w x h canvas of the format, bottom-up for 24 bits as device-independent bitmaps are, filled with
// a pattern that has the key colour in places.
Storage MakeStorage(PixelFormat format, int32_t w, int32_t h, uint32_t seed, ColorRef key) {
    Storage s;
    const ptrdiff_t bytes = format == PixelFormat::Bgr24 ? 3 : 4;
    const ptrdiff_t stride = (w * bytes + 3) / 4 * 4;
    s.bytes.assign(size_t(stride * h), 0);
    s.canvas.format = format;
    s.canvas.limit = Rect{0, 0, w, h};
    if (format == PixelFormat::Bgr24) {
        s.canvas.row0 = s.bytes.data() + (h - 1) * stride;
        s.canvas.stride = -stride;
    } else {
        s.canvas.row0 = s.bytes.data();
        s.canvas.stride = stride;
    }
    std::vector<ColorRef> row(static_cast<size_t>(w));
    uint32_t state = seed;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[size_t(x)] = (state >> 8) % 5 == 0 ? key : ((state >> 4) & 0xFFFFFF);
        }
        WriteRow(s.canvas, 0, y, w, row.data(), nullptr);
    }
    return s;
}

struct Copy {
    const char* name;
    int32_t x, y, width, height;                          // destination rectangle
    int32_t sourceX, sourceY, sourceWidth, sourceHeight;  // source rectangle
    bool bilinear;
    bool keyed;
};

std::vector<uint8_t> CopyWith(const Copy& c, PixelFormat from, PixelFormat to, bool specialised) {
    constexpr ColorRef key = 0x00FF00FF;
    Storage source = MakeStorage(from, 60, 50, 7, key);
    Storage destination = MakeStorage(to, 90, 80, 11, key);
    UseSpecialisedLoops(specialised);
    if (c.width == c.sourceWidth && c.height == c.sourceHeight && !c.keyed)
        CopyBlock(destination.canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY);
    else
        StretchBlock(destination.canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY,
                     c.sourceWidth, c.sourceHeight, c.bilinear ? StretchFilter::Bilinear : StretchFilter::Nearest,
                     c.keyed ? &key : nullptr);
    UseSpecialisedLoops(true);
    return destination.bytes;
}

}  // namespace

TEST(RasterLoops, EverySpecialisedLoopGivesWhatTheGeneralPathGives) {
    const Copy copies[] = {
        {"plain copy", 5, 6, 40, 30, 3, 4, 40, 30, false, false},
        {"plain copy clipped at both canvases", -7, 70, 60, 30, 20, -5, 60, 30, false, false},
        {"enlargement by 3", 0, 0, 90, 75, 10, 10, 30, 25, false, false},
        {"enlargement by 2.5 partly outside the source", 0, 0, 90, 80, 40, 30, 36, 32, false, false},
        {"reduction", 2, 2, 25, 20, 0, 0, 60, 50, false, false},
        {"colour key without scaling", 10, 10, 50, 45, 0, 0, 50, 45, false, true},
        {"colour key with scaling", 0, 0, 90, 80, 0, 0, 60, 50, false, true},
        {"bilinear enlargement", 0, 0, 90, 80, 5, 5, 30, 27, true, false},
    };
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    const char* names[] = {"Color32", "Bgr24", "Bgrx32"};
    for (const Copy& c : copies)
        for (int from = 0; from < 3; ++from)
            for (int to = 0; to < 3; ++to)
                EXPECT_EQ(CopyWith(c, formats[from], formats[to], true), CopyWith(c, formats[from], formats[to], false))
                    << c.name << ", " << names[from] << " to " << names[to];
}
