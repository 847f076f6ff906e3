// The default desktop picture: bands of colour gradients, text, fine 1-pixel line patterns, areas of
// plain colour and a 2-D gradient, laid out in proportion to the screen so that magnification,
// smoothing and colour picking all have something to show. Drawn with the raster itself.
#include <algorithm>
#include <cmath>

#include "platform/windowing/RasterInternal.h"
#include "platform/sim/Simulation.h"

namespace platform::sim {

namespace {

using raster::Canvas;

// Fully saturated colour of a hue in [0, 6).
ColorRef HueColor(double hue) {
    const int sector = int(hue) % 6;
    const double f = hue - std::floor(hue);
    const uint8_t up = uint8_t(std::lround(255.0 * f)), down = uint8_t(255 - up);
    switch (sector) {
        case 0: return Rgb(255, up, 0);
        case 1: return Rgb(down, 255, 0);
        case 2: return Rgb(0, 255, up);
        case 3: return Rgb(0, down, 255);
        case 4: return Rgb(up, 0, 255);
        default: return Rgb(255, 0, down);
    }
}

uint8_t Ramp(int32_t i, int32_t n) { return n <= 1 ? 0 : uint8_t((int64_t(i) * 255) / (n - 1)); }

// Top band: a rainbow over a grey ramp, both running left to right.
void DrawGradients(Image& image, const Rect& band) {
    const int32_t middle = band.top + Height(band) / 2;
    for (int32_t y = band.top; y < band.bottom; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t v = Ramp(x, image.width);
            image.At(x, y) = y < middle ? HueColor(6.0 * x / image.width) : Rgb(v, v, v);
        }
}

void DrawText(Canvas& canvas, const Rect& band) {
    raster::FillBlock(canvas, band, 0xFFFFFF);
    raster::TextStyle title;
    title.height = -std::clamp(Height(band) / 3, 6, 40);
    title.weight = 700;
    title.antialiased = true;
    title.color = Rgb(0, 0, 128);
    title.opaque = false;
    Rect rect{band.left + 4, band.top + 2, band.right - 4, band.bottom};
    const int used = raster::LayOutText(&canvas, title, u"Vistrel", &rect, TextLeft);
    raster::TextStyle body;
    body.height = -std::clamp(Height(band) / 6, 6, 20);
    body.color = 0;
    body.opaque = false;
    rect = Rect{band.left + 4, band.top + 2 + used, band.right - 4, band.bottom};
    raster::LayOutText(&canvas, body, u"The quick brown fox jumps over the lazy dog. 0123456789", &rect, TextWordBreak);
}

// Middle band: vertical 1-pixel stripes, horizontal stripes and a checkerboard, crossed by a fan of
// thin diagonal lines and a ring.
void DrawFineLines(Image& image, Canvas& canvas, const Rect& band) {
    const int32_t third = std::max(1, image.width / 3);
    for (int32_t y = band.top; y < band.bottom; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            bool dark;
            if (x < third)
                dark = x % 2 == 0;
            else if (x < 2 * third)
                dark = (y - band.top) % 2 == 0;
            else
                dark = (x + y) % 2 == 0;
            image.At(x, y) = dark ? 0x000000 : 0xFFFFFF;
        }
    raster::FigureMask fan(band);
    const Point apex{image.width / 2, band.bottom - 1};
    for (int i = 0; i <= 8; ++i) {
        const Point end{int32_t(int64_t(image.width - 1) * i / 8), band.top};
        raster::MarkLine(&fan, apex, end, 1);
    }
    raster::ApplyFigure(canvas, fan, Rgb(255, 0, 0), Rgb(255, 0, 0), Rop2CopyPen);
    const int32_t radius = std::max(2, std::min(Height(band), image.width) / 3);
    const Point centre{image.width / 2, band.top + Height(band) / 2};
    const Rect ring{centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
    raster::FigureMask circle(band);
    raster::MarkEllipse(&circle, ring, 2, true, true);
    raster::ApplyFigure(canvas, circle, Rgb(0, 160, 0), Rgb(255, 255, 160), Rop2CopyPen);
}

// Areas of plain colour, four across and two down.
void DrawColorAreas(Canvas& canvas, const Rect& band, int32_t width) {
    static constexpr ColorRef colors[8] = {Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 255, 0),
                                           Rgb(0, 255, 255), Rgb(255, 0, 255), Rgb(128, 128, 128), Rgb(0, 0, 0)};
    const int32_t rowHeight = Height(band) / 2;
    for (int i = 0; i < 8; ++i) {
        const int32_t column = i % 4, row = i / 4;
        const Rect area{int32_t(int64_t(width) * column / 4), band.top + row * rowHeight,
                        int32_t(int64_t(width) * (column + 1) / 4), row == 0 ? band.top + rowHeight : band.bottom};
        raster::FillBlock(canvas, area, colors[i]);
    }
}

// Bottom band: red grows to the right, blue downwards.
void DrawPlaneGradient(Image& image, const Rect& band) {
    for (int32_t y = band.top; y < band.bottom; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            image.At(x, y) = Rgb(Ramp(x, image.width), 64, Ramp(y - band.top, Height(band)));
}

}  // namespace

Image DefaultDesktop(int32_t width, int32_t height) {
    Image image(width, height, 0xFFFFFF);
    if (image.width == 0 || image.height == 0) return image;
    Canvas canvas = raster::CanvasOfImage(image);
    auto band = [&](int i) {
        return Rect{0, int32_t(int64_t(image.height) * i / 5), image.width, int32_t(int64_t(image.height) * (i + 1) / 5)};
    };
    DrawGradients(image, band(0));
    DrawText(canvas, band(1));
    DrawFineLines(image, canvas, band(2));
    DrawColorAreas(canvas, band(3), image.width);
    DrawPlaneGradient(image, band(4));
    return image;
}

}  // namespace platform::sim
