// The simulated handheld's drawing services, checked through their results on memory surfaces and
// on the whole-screen surface: XOR figures that undo themselves, stretches, colour-keyed copies,
// DIB sections, text layout, clipping and handle counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include "DeviceTestKit.h"
#include "platform/Platform.h"
#include "platform/sim/Device.h"

using namespace platform;

namespace {

// A memory surface drawing into a 24-bit DIB section whose bytes the test can set directly.
class DibCanvas {
public:
    DibCanvas(int32_t width, int32_t height) : width_(width), height_(height) {
        surface_ = CreateMemorySurface(nullptr);
        BitmapInfoHeader header;
        header.width = width;
        header.height = height;
        bitmap_ = CreateDibSection(surface_, &header, &bits_);
        previous_ = SelectBitmapInto(surface_, bitmap_);
    }
    ~DibCanvas() {
        SelectBitmapInto(surface_, previous_);
        DeleteBitmapObject(bitmap_);
        DeleteMemorySurface(surface_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    Surface surface() const { return surface_; }
    int32_t Stride() const { return ((width_ * 24 + 31) / 32) * 4; }
    void Set(int32_t x, int32_t y, ColorRef c) {
        uint8_t* p = bits_ + size_t(height_ - 1 - y) * size_t(Stride()) + size_t(x) * 3;
        p[0] = BlueOf(c);
        p[1] = GreenOf(c);
        p[2] = RedOf(c);
    }
    ColorRef Get(int32_t x, int32_t y) const { return GetPixelColor(surface_, x, y); }
    // A pattern in which neighbouring pixels differ.
    void FillPattern() {
        for (int32_t y = 0; y < height_; ++y)
            for (int32_t x = 0; x < width_; ++x) Set(x, y, Rgb(uint8_t(x * 37 + y * 11), uint8_t(x * 5 + y * 71), uint8_t(x ^ y) * 9));
    }
    std::vector<ColorRef> Pixels() const {
        std::vector<ColorRef> out;
        for (int32_t y = 0; y < height_; ++y)
            for (int32_t x = 0; x < width_; ++x) out.push_back(Get(x, y));
        return out;
    }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    int32_t width_, height_;
    Surface surface_ = nullptr;
    Bitmap bitmap_ = nullptr;
    Bitmap previous_ = nullptr;
    uint8_t* bits_ = nullptr;
};

// Selects an object for the life of the scope.
template <class T, T (*Select)(Surface, T)>
class Selected {
public:
    Selected(Surface s, T object) : surface_(s), previous_(Select(s, object)) {}
    ~Selected() { Select(surface_, previous_); }

private:
    Surface surface_;
    T previous_;
};
using SelectedPen = Selected<Pen, SelectPenInto>;
using SelectedBrush = Selected<Brush, SelectBrushInto>;
using SelectedFont = Selected<Font, SelectFontInto>;

class Raster : public ::testing::Test {
protected:
    void SetUp() override { sim::ResetDevice(sim::DeviceConfig{}); }
};

// Rows (of the whole canvas width) that hold any pixel other than white.
std::vector<int32_t> InkRows(const DibCanvas& canvas) {
    std::vector<int32_t> rows;
    for (int32_t y = 0; y < canvas.height(); ++y)
        for (int32_t x = 0; x < canvas.width(); ++x)
            if (canvas.Get(x, y) != 0xFFFFFF) {
                rows.push_back(y);
                break;
            }
    return rows;
}

// Number of separate runs of consecutive rows.
int Bands(const std::vector<int32_t>& rows) {
    int bands = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        if (i == 0 || rows[i] != rows[i - 1] + 1) ++bands;
    return bands;
}

void FillWhite(const DibCanvas& canvas) {
    Brush white = CreateSolidBrushOf(0xFFFFFF);
    Rect all{0, 0, canvas.width(), canvas.height()};
    FillRectangle(canvas.surface(), &all, white);
    DeleteBrushObject(white);
}

}  // namespace

TEST_F(Raster, XorLineLeavesEndPointOutAndTwiceRestores) {
    struct Case { Point from, to; } cases[] = {
        {{2, 5}, {30, 5}},   {{30, 5}, {2, 5}},  {{7, 1}, {7, 35}},   {{3, 3}, {33, 33}},  {{33, 2}, {4, 20}},
        {{10, 38}, {14, 1}}, {{0, 0}, {1, 1}},   {{20, 20}, {21, 20}}, {{-50, -40}, {60, 70}}, {{5, 5}, {5, 5}},
    };
    DibCanvas canvas(40, 40);
    canvas.FillPattern();
    const std::vector<ColorRef> before = canvas.Pixels();
    Pen white = CreatePenOf(PenSolid, 1, 0xFFFFFF);
    {
        SelectedPen pen(canvas.surface(), white);
        const int previousMode = SetLineMode(canvas.surface(), Rop2XorPen);
        EXPECT_EQ(previousMode, Rop2CopyPen);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y);
            MoveTo(canvas.surface(), c.from.x, c.from.y, nullptr);
            ASSERT_TRUE(LineTo(canvas.surface(), c.to.x, c.to.y));
            const std::vector<ColorRef> once = canvas.Pixels();
            size_t changed = 0;
            for (size_t i = 0; i < once.size(); ++i) {
                if (once[i] == before[i]) continue;
                ++changed;
                EXPECT_EQ(once[i], before[i] ^ 0xFFFFFF);
            }
            const int64_t steps = std::max(std::llabs(int64_t(c.to.x) - c.from.x), std::llabs(int64_t(c.to.y) - c.from.y));
            const bool inside = c.from.x >= 0 && c.from.y >= 0 && c.to.x < 40 && c.to.y < 40;
            if (inside) {
                EXPECT_EQ(int64_t(changed), steps);
                if (c.to.x != c.from.x || c.to.y != c.from.y) {
                    EXPECT_EQ(canvas.Get(c.from.x, c.from.y), before[size_t(c.from.y * 40 + c.from.x)] ^ 0xFFFFFF);
                }
                EXPECT_EQ(canvas.Get(c.to.x, c.to.y), before[size_t(c.to.y * 40 + c.to.x)]) << "end point drawn";
            }
            MoveTo(canvas.surface(), c.from.x, c.from.y, nullptr);
            LineTo(canvas.surface(), c.to.x, c.to.y);
            EXPECT_EQ(canvas.Pixels(), before) << "second line did not restore";
        }
        SetLineMode(canvas.surface(), previousMode);
    }
    DeletePenObject(white);
}

TEST_F(Raster, LineModesCombinePenAndDestination) {
    struct Case { int mode; ColorRef expected; } cases[] = {
        {Rop2CopyPen, 0x00FF00}, {Rop2XorPen, 0x102030 ^ 0x00FF00}, {11, 0x102030}, {6, 0x102030 ^ 0xFFFFFF},
        {1, 0x000000},           {16, 0xFFFFFF},
    };
    for (const auto& c : cases) {
        DibCanvas canvas(8, 3);
        for (int x = 0; x < 8; ++x) canvas.Set(x, 1, 0x102030);
        Pen green = CreatePenOf(PenSolid, 1, 0x00FF00);
        {
            SelectedPen pen(canvas.surface(), green);
            SetLineMode(canvas.surface(), c.mode);
            MoveTo(canvas.surface(), 1, 1, nullptr);
            LineTo(canvas.surface(), 6, 1);
        }
        DeletePenObject(green);
        EXPECT_EQ(canvas.Get(3, 1), c.expected) << "mode " << c.mode;
        EXPECT_EQ(canvas.Get(6, 1), 0x102030u) << "mode " << c.mode;
    }
}

TEST_F(Raster, FocusRectangleIsDottedAndTwiceRestores) {
    DibCanvas canvas(40, 30);
    canvas.FillPattern();
    const std::vector<ColorRef> before = canvas.Pixels();
    const Rect frames[] = {{3, 4, 30, 20}, {-5, -5, 10, 10}, {35, 25, 60, 60}, {5, 5, 6, 6}, {10, 10, 10, 20}};
    for (const Rect& frame : frames) {
        SCOPED_TRACE(testing::Message() << frame.left << "," << frame.top << "," << frame.right << "," << frame.bottom);
        ASSERT_TRUE(DrawFocusRectangle(canvas.surface(), &frame));
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const ColorRef was = before[size_t(y * 40 + x)], now = canvas.Get(x, y);
                const bool onFrame = PointInRectangle(frame, {x, y}) &&
                                     (x == frame.left || x == frame.right - 1 || y == frame.top || y == frame.bottom - 1);
                if (!onFrame) {
                    EXPECT_EQ(now, was) << x << "," << y;
                }
                if (now != was) {
                    EXPECT_EQ(now, was ^ 0xFFFFFF) << x << "," << y;
                }
            }
        DrawFocusRectangle(canvas.surface(), &frame);
        EXPECT_EQ(canvas.Pixels(), before);
    }
    // Dotted: along the top edge of the first frame, changed and unchanged pixels alternate.
    DrawFocusRectangle(canvas.surface(), &frames[0]);
    for (int32_t x = 4; x < 29; ++x) {
        const bool changed = canvas.Get(x, 4) != before[size_t(4 * 40 + x)];
        const bool nextChanged = canvas.Get(x + 1, 4) != before[size_t(4 * 40 + x + 1)];
        EXPECT_NE(changed, nextChanged) << x;
    }
}

TEST_F(Raster, XorEllipseWithBlackBrushKeepsInteriorAndTwiceRestores) {
    DibCanvas canvas(50, 40);
    canvas.FillPattern();
    const std::vector<ColorRef> before = canvas.Pixels();
    Pen ring = CreatePenOf(PenSolid, 2, 0xFFFFFF);
    Brush black = CreateSolidBrushOf(0);
    const Rect boxes[] = {{5, 5, 45, 35}, {-10, -8, 20, 30}, {20, 20, 23, 23}};
    {
        SelectedPen pen(canvas.surface(), ring);
        SelectedBrush brush(canvas.surface(), black);
        SetLineMode(canvas.surface(), Rop2XorPen);
        for (const Rect& box : boxes) {
            SCOPED_TRACE(testing::Message() << box.left << "," << box.top);
            ASSERT_TRUE(DrawEllipse(canvas.surface(), box.left, box.top, box.right, box.bottom));
            int changed = 0;
            for (int32_t y = 0; y < 40; ++y)
                for (int32_t x = 0; x < 50; ++x) {
                    const ColorRef was = before[size_t(y * 50 + x)], now = canvas.Get(x, y);
                    if (now == was) continue;
                    ++changed;
                    EXPECT_TRUE(PointInRectangle(box, {x, y})) << x << "," << y;
                    EXPECT_EQ(now, was ^ 0xFFFFFF);
                }
            EXPECT_GT(changed, 0);
            DrawEllipse(canvas.surface(), box.left, box.top, box.right, box.bottom);
            EXPECT_EQ(canvas.Pixels(), before);
        }
        // The first ring: the centre keeps its colour, the middle of the left edge is inverted.
        DrawEllipse(canvas.surface(), 5, 5, 45, 35);
        EXPECT_EQ(canvas.Get(25, 20), before[size_t(20 * 50 + 25)]);
        EXPECT_EQ(canvas.Get(5, 20), before[size_t(20 * 50 + 5)] ^ 0xFFFFFF);
        EXPECT_EQ(canvas.Get(44, 20), before[size_t(20 * 50 + 44)] ^ 0xFFFFFF);
        EXPECT_EQ(canvas.Get(5, 5), before[size_t(5 * 50 + 5)]);  // corner of the box: outside the ring
    }
    DeletePenObject(ring);
    DeleteBrushObject(black);
}

TEST_F(Raster, EllipseWithDefaultPenAndBrushIsBlackOutlineWhiteFill) {
    DibCanvas canvas(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) canvas.Set(x, y, 0x0000FF);
    ASSERT_TRUE(DrawEllipse(canvas.surface(), 2, 2, 18, 18));
    EXPECT_EQ(canvas.Get(10, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.Get(2, 10), 0x000000u);
    EXPECT_EQ(canvas.Get(17, 10), 0x000000u);
    EXPECT_EQ(canvas.Get(10, 2), 0x000000u);
    EXPECT_EQ(canvas.Get(18, 10), 0x0000FFu);
    EXPECT_EQ(canvas.Get(2, 2), 0x0000FFu);
}

TEST_F(Raster, NearestStretchReplicatesEachSourcePixel) {
    struct Case { int32_t w, h; int mode; } cases[] = {
        {15, 12, StretchColorOnColor}, {10, 12, StretchColorOnColor}, {5, 4, StretchColorOnColor},
        {20, 8, StretchHalftone}, {35, 4, 1},
    };
    DibCanvas source(5, 4);
    source.FillPattern();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " mode " << c.mode);
        DibCanvas target(c.w, c.h);
        SetStretchMode(target.surface(), c.mode);
        ASSERT_TRUE(StretchBits(target.surface(), 0, 0, c.w, c.h, source.surface(), 0, 0, 5, 4, RopSrcCopy));
        const int32_t fx = c.w / 5, fy = c.h / 4;
        for (int32_t y = 0; y < c.h; ++y)
            for (int32_t x = 0; x < c.w; ++x) ASSERT_EQ(target.Get(x, y), source.Get(x / fx, y / fy)) << x << "," << y;
    }
}

TEST_F(Raster, BilinearStretchKeepsUniformImagesAndInterpolatesGradients) {
    DibCanvas uniform(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) uniform.Set(x, y, 0x3C7F21);
    const int32_t sizes[][2] = {{53, 41}, {70, 50}, {3, 2}, {8, 5}};
    for (const auto& size : sizes) {
        DibCanvas target(size[0], size[1]);
        EXPECT_EQ(SetStretchMode(target.surface(), StretchBilinear), StretchColorOnColor);
        StretchBits(target.surface(), 0, 0, size[0], size[1], uniform.surface(), 0, 0, 7, 5, RopSrcCopy);
        for (ColorRef c : target.Pixels()) ASSERT_EQ(c, 0x3C7F21u) << size[0] << "x" << size[1];
    }

    DibCanvas gradient(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) gradient.Set(x, y, Rgb(uint8_t(x * 85), 10, uint8_t(255 - x * 85)));
    DibCanvas wide(40, 9);
    SetStretchMode(wide.surface(), StretchBilinear);
    StretchBits(wide.surface(), 0, 0, 40, 9, gradient.surface(), 0, 0, 4, 3, RopSrcCopy);
    std::set<int> reds;
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 1; x < 40; ++x) {
            const ColorRef left = wide.Get(x - 1, y), right = wide.Get(x, y);
            EXPECT_LE(RedOf(left), RedOf(right)) << x << "," << y;
            EXPECT_GE(BlueOf(left), BlueOf(right)) << x << "," << y;
            EXPECT_EQ(GreenOf(right), 10);
            reds.insert(RedOf(right));
        }
    }
    EXPECT_EQ(RedOf(wide.Get(0, 4)), 0);
    EXPECT_EQ(RedOf(wide.Get(39, 4)), 255);
    EXPECT_GT(reds.size(), 20u) << "values between the source pixels are interpolated";
}

TEST_F(Raster, BilinearStretchFollowsTheExactFilterWithinRounding) {
    DibCanvas source(9, 7);
    source.FillPattern();
    const int32_t sizes[][2] = {{40, 31}, {13, 9}, {6, 5}};
    for (const auto& size : sizes) {
        const int32_t w = size[0], h = size[1];
        DibCanvas target(w, h);
        SetStretchMode(target.surface(), StretchBilinear);
        StretchBits(target.surface(), 0, 0, w, h, source.surface(), 0, 0, 9, 7, RopSrcCopy);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                // Sample between source pixel centres, edges held.
                const double u = std::clamp((x + 0.5) * 9 / w - 0.5, 0.0, 8.0), v = std::clamp((y + 0.5) * 7 / h - 0.5, 0.0, 6.0);
                const int32_t x0 = int32_t(u), y0 = int32_t(v);
                const int32_t x1 = std::min(x0 + 1, 8), y1 = std::min(y0 + 1, 6);
                const double fx = u - x0, fy = v - y0;
                const ColorRef got = target.Get(x, y);
                for (int shift : {0, 8, 16}) {
                    auto channel = [&](int32_t sx, int32_t sy) { return double((source.Get(sx, sy) >> shift) & 0xFF); };
                    const double expected = (channel(x0, y0) * (1 - fx) + channel(x1, y0) * fx) * (1 - fy) +
                                            (channel(x0, y1) * (1 - fx) + channel(x1, y1) * fx) * fy;
                    ASSERT_NEAR(double((got >> shift) & 0xFF), expected, 2.0)
                        << w << "x" << h << " at " << x << "," << y << " channel shift " << shift;
                }
            }
    }
}

TEST_F(Raster, StretchFromTheScreenIntoACompatibleBitmap) {
    Surface screen = GetWindowSurface(nullptr);
    Surface memory = CreateMemorySurface(screen);
    Bitmap view = CreateCompatibleBitmapFor(screen, 100, 100);
    Bitmap previous = SelectBitmapInto(memory, view);
    for (int mode : {StretchColorOnColor, StretchBilinear}) {
        SetStretchMode(memory, mode);
        ASSERT_TRUE(StretchBits(memory, 0, 0, 100, 100, screen, 30, 40, 20, 20, RopSrcCopy));
        // Pixel centres that fall on a source pixel's centre give that pixel in both modes.
        for (int i = 0; i < 20; ++i) EXPECT_EQ(GetPixelColor(memory, i * 5 + 2, 2 * 5 + 2), sim::ScreenPixel(30 + i, 42)) << i;
    }
    SelectBitmapInto(memory, previous);
    DeleteBitmapObject(view);
    DeleteMemorySurface(memory);
    ReleaseWindowSurface(nullptr, screen);
}

TEST_F(Raster, TransparentCopyLeavesKeyColouredPixelsOut) {
    constexpr ColorRef key = 0xFF00FF, ground = 0x123456;
    DibCanvas source(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) source.Set(x, y, (x + y) % 3 == 0 ? key : Rgb(uint8_t(x * 60), uint8_t(y * 60), 7));
    struct Case { int32_t scale; } cases[] = {{1}, {2}, {3}};
    for (const auto& c : cases) {
        const int32_t size = 4 * c.scale;
        DibCanvas target(size + 4, size + 4);
        for (int y = 0; y < size + 4; ++y)
            for (int x = 0; x < size + 4; ++x) target.Set(x, y, ground);
        ASSERT_TRUE(TransparentCopy(target.surface(), 2, 2, size, size, source.surface(), 0, 0, 4, 4, key));
        for (int32_t y = 0; y < size + 4; ++y)
            for (int32_t x = 0; x < size + 4; ++x) {
                const bool inside = x >= 2 && y >= 2 && x < size + 2 && y < size + 2;
                const ColorRef expected = inside ? source.Get((x - 2) / c.scale, (y - 2) / c.scale) : ground;
                ASSERT_EQ(target.Get(x, y), expected == key ? ground : expected) << "scale " << c.scale << " at " << x << "," << y;
            }
    }
}

TEST_F(Raster, DibSectionIsBottomUpWithRowsPaddedToFourBytes) {
    Surface surface = CreateMemorySurface(nullptr);
    BitmapInfoHeader header;
    header.width = 5;  // 15 bytes of pixels, 16 with padding
    header.height = 3;
    uint8_t* bits = nullptr;
    Bitmap dib = CreateDibSection(surface, &header, &bits);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    Bitmap previous = SelectBitmapInto(surface, dib);
    // First stored row = bottom row; blue, green, red per pixel.
    bits[0] = 0x11; bits[1] = 0x22; bits[2] = 0x33;
    bits[16 + 3] = 0x44; bits[16 + 4] = 0x55; bits[16 + 5] = 0x66;   // pixel (1, 1)
    bits[32 + 12] = 0x77; bits[32 + 13] = 0x88; bits[32 + 14] = 0x99;  // pixel (4, 0)
    EXPECT_EQ(GetPixelColor(surface, 0, 2), Rgb(0x33, 0x22, 0x11));
    EXPECT_EQ(GetPixelColor(surface, 1, 1), Rgb(0x66, 0x55, 0x44));
    EXPECT_EQ(GetPixelColor(surface, 4, 0), Rgb(0x99, 0x88, 0x77));
    EXPECT_EQ(GetPixelColor(surface, 5, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixelColor(surface, 0, 3), 0xFFFFFFFFu);
    // Drawing on the surface shows in the bytes, padding untouched.
    Brush brush = CreateSolidBrushOf(Rgb(1, 2, 3));
    const Rect top{0, 0, 5, 1};
    FillRectangle(surface, &top, brush);
    EXPECT_EQ(bits[32 + 0], 3);
    EXPECT_EQ(bits[32 + 1], 2);
    EXPECT_EQ(bits[32 + 2], 1);
    EXPECT_EQ(bits[32 + 15], 0);
    EXPECT_EQ(bits[15], 0);
    int32_t w = 0, h = 0;
    EXPECT_TRUE(GetBitmapSize(dib, &w, &h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    DeleteBrushObject(brush);
    SelectBitmapInto(surface, previous);
    DeleteBitmapObject(dib);
    DeleteMemorySurface(surface);

    // Only 24-bit uncompressed sections are made.
    BitmapInfoHeader bad = header;
    bad.bitCount = 32;
    EXPECT_EQ(CreateDibSection(nullptr, &bad, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    bad = header;
    bad.width = 0;
    EXPECT_EQ(CreateDibSection(nullptr, &bad, &bits), nullptr);
    bad = header;
    bad.compression = 1;
    EXPECT_EQ(CreateDibSection(nullptr, &bad, &bits), nullptr);
}

TEST_F(Raster, TextBreaksAtNewlinesAndNeverWraps) {
    DibCanvas canvas(200, 90);
    FontRecord record;
    record.height = -16;
    record.weight = FontWeightNormal;
    record.quality = FontQualityAntialiased;
    Font font = CreateFontFrom(&record);
    ASSERT_NE(font, nullptr);
    {
        SelectedFont selected(canvas.surface(), font);
        SetBackgroundMode(canvas.surface(), BackgroundTransparent);
        SetTextColorOf(canvas.surface(), 0);

        FillWhite(canvas);
        Rect rect{4, 4, 196, 86};
        const int height = DrawTextIn(canvas.surface(), u"R:10 G:20 B:30\nH:40 S:50 B:60", -1, &rect, TextLeft);
        EXPECT_GT(height, 30);
        EXPECT_EQ(Bands(InkRows(canvas)), 2) << "two lines: ink in two separate bands";

        FillWhite(canvas);
        rect = Rect{4, 4, 60, 86};
        DrawTextIn(canvas.surface(), u"a long line that does not fit", -1, &rect, TextLeft);
        EXPECT_EQ(Bands(InkRows(canvas)), 1) << "a long line is clipped, not wrapped";
        for (int32_t y = 0; y < 90; ++y)
            for (int32_t x = 60; x < 200; ++x) ASSERT_EQ(canvas.Get(x, y), 0xFFFFFFu) << "ink outside the rectangle";

        FillWhite(canvas);
        rect = Rect{4, 4, 60, 86};
        DrawTextIn(canvas.surface(), u"a long line that does not fit", -1, &rect, TextWordBreak);
        EXPECT_GE(Bands(InkRows(canvas)), 3) << "word break wraps";

        FillWhite(canvas);
        rect = Rect{10, 20, 11, 21};
        const int measured = DrawTextIn(canvas.surface(), u"Ab\nCdef", -1, &rect, TextCalcRect);
        EXPECT_EQ(measured, rect.bottom - 20);
        EXPECT_GT(rect.right, 30);
        EXPECT_TRUE(InkRows(canvas).empty()) << "measuring draws nothing";

        // Opaque background fills the text's cells with white; the length limits the text.
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 200; ++x) canvas.Set(x, y, 0x0000FF);
        SetBackgroundMode(canvas.surface(), BackgroundOpaque);
        rect = Rect{0, 0, 200, 90};
        DrawTextIn(canvas.surface(), u"Wide text", 4, &rect, TextLeft);
        int white = 0;
        for (int x = 0; x < 200; ++x) white += canvas.Get(x, 2) == 0xFFFFFF;
        EXPECT_GT(white, 10);
        EXPECT_EQ(canvas.Get(150, 2), 0x0000FFu) << "only \"Wide\" is drawn";
        // Characters the font lacks and lone surrogates draw without harm.
        const char16_t odd[] = {u'x', 0xD800, u'\t', 0xFFFF, 0x4E00, u'\r', u'\n', u'y', 0};
        rect = Rect{0, 0, 200, 90};
        DrawTextIn(canvas.surface(), odd, -1, &rect, TextLeft);
    }
    DeleteFontObject(font);
}

TEST_F(Raster, CentredSingleLineTextSitsInTheMiddle) {
    DibCanvas canvas(120, 40);
    FillWhite(canvas);
    SetBackgroundMode(canvas.surface(), BackgroundTransparent);
    Rect rect{0, 0, 120, 40};
    DrawTextIn(canvas.surface(), u"OK", -1, &rect, TextCenter | TextVCenter | TextSingleLine);
    int32_t left = 120, right = -1, top = 40, bottom = -1;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 120; ++x)
            if (canvas.Get(x, y) != 0xFFFFFF) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 60, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 20, 4);
}

TEST_F(Raster, CopiesClipToBothSurfaces) {
    DibCanvas source(10, 10);
    source.FillPattern();
    struct Case { int32_t x, y, w, h, sx, sy; } cases[] = {
        {-5, -5, 10, 10, 0, 0},  {15, 15, 10, 10, 0, 0},  {0, 0, 20, 20, -3, -4}, {0, 0, 0, 5, 0, 0},
        {3, 3, 5, 5, 8, 8},      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0},
        {0, 0, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, {2, 2, 4, 4, INT32_MAX, INT32_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx << "," << c.sy);
        DibCanvas target(20, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) target.Set(x, y, 0xABCDEF);
        CopyBits(target.surface(), c.x, c.y, c.w, c.h, source.surface(), c.sx, c.sy, RopSrcCopy);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                const int64_t dx = int64_t(x) - c.x, dy = int64_t(y) - c.y;
                const int64_t sx = c.sx + dx, sy = c.sy + dy;
                const bool copied = dx >= 0 && dy >= 0 && dx < c.w && dy < c.h && sx >= 0 && sy >= 0 && sx < 10 && sy < 10;
                ASSERT_EQ(target.Get(x, y), copied ? source.Get(int32_t(sx), int32_t(sy)) : 0xABCDEFu) << x << "," << y;
            }
        // Stretches and colour-keyed copies with the same rectangles stay inside too.
        StretchBits(target.surface(), c.x, c.y, c.w, c.h, source.surface(), c.sx, c.sy, 7, 3, RopSrcCopy);
        SetStretchMode(target.surface(), StretchBilinear);
        StretchBits(target.surface(), c.x, c.y, c.w, c.h, source.surface(), c.sx, c.sy, 7, 3, RopSrcCopy);
        TransparentCopy(target.surface(), c.x, c.y, c.w, c.h, source.surface(), c.sx, c.sy, c.w, c.h, 0);
    }
    EXPECT_EQ(GetPixelColor(source.surface(), -1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixelColor(source.surface(), 0, 10), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixelColor(nullptr, 0, 0), 0xFFFFFFFFu);
}

TEST_F(Raster, CopyWithinOneSurfaceReadsTheOriginalPixels) {
    DibCanvas canvas(16, 16);
    canvas.FillPattern();
    const std::vector<ColorRef> before = canvas.Pixels();
    ASSERT_TRUE(CopyBits(canvas.surface(), 2, 3, 10, 10, canvas.surface(), 0, 0, RopSrcCopy));
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) ASSERT_EQ(canvas.Get(x + 2, y + 3), before[size_t(y * 16 + x)]);
}

TEST_F(Raster, FiguresOnTheScreenSurfaceUndoThemselves) {
    const sim::Image before = sim::Screen();
    Surface screen = GetWindowSurface(nullptr);
    ASSERT_NE(screen, nullptr);
    Pen white = CreatePenOf(PenSolid, 1, 0xFFFFFF);
    Pen wide = CreatePenOf(PenSolid, 2, 0xFFFFFF);
    Brush black = CreateSolidBrushOf(0);
    Pen oldPen = SelectPenInto(screen, white);
    Brush oldBrush = SelectBrushInto(screen, black);
    const int oldMode = SetLineMode(screen, Rop2XorPen);
    MoveTo(screen, 10, 300, nullptr);
    LineTo(screen, 230, 15);
    SelectPenInto(screen, wide);
    DrawEllipse(screen, -20, 100, 130, 340);
    const Rect frame{50, 60, 250, 120};
    DrawFocusRectangle(screen, &frame);
    EXPECT_NE(sim::Screen(), before);
    DrawFocusRectangle(screen, &frame);
    DrawEllipse(screen, -20, 100, 130, 340);
    SelectPenInto(screen, white);
    MoveTo(screen, 10, 300, nullptr);
    LineTo(screen, 230, 15);
    EXPECT_EQ(sim::Screen(), before);
    SetLineMode(screen, oldMode);
    SelectPenInto(screen, oldPen);
    SelectBrushInto(screen, oldBrush);
    EXPECT_TRUE(DeletePenObject(white));
    EXPECT_TRUE(DeletePenObject(wide));
    EXPECT_TRUE(DeleteBrushObject(black));
    EXPECT_TRUE(ReleaseWindowSurface(nullptr, screen));
    EXPECT_FALSE(ReleaseWindowSurface(nullptr, screen)) << "released twice";
}

TEST_F(Raster, HandleCountsReturnToZeroAfterDeleting) {
    const char* kinds[] = {"surfaces", "bitmaps", "brushes", "pens", "fonts"};
    auto counts = [&] {
        std::vector<int64_t> out;
        const auto all = sim::ObjectCounts();
        for (const char* kind : kinds) {
            auto it = all.find(kind);
            out.push_back(it == all.end() ? 0 : it->second);
        }
        return out;
    };
    const std::vector<int64_t> start = counts();

    Surface screen = GetWindowSurface(nullptr);
    Surface a = CreateMemorySurface(screen);
    Surface b = CreateMemorySurface(nullptr);
    Bitmap bitmap = CreateCompatibleBitmapFor(screen, 30, 20);
    Brush brush = CreateSolidBrushOf(0x808080);
    Pen pen = CreatePenOf(PenSolid, 1, 0xFFFFFF);
    FontRecord record;
    record.height = -12;
    Font font = CreateFontFrom(&record);
    EXPECT_EQ(counts(), (std::vector<int64_t>{start[0] + 3, start[1] + 1, start[2] + 1, start[3] + 1, start[4] + 1}));

    Bitmap stock = SelectBitmapInto(a, bitmap);
    ASSERT_NE(stock, nullptr) << "a fresh memory surface holds a stock bitmap";
    int32_t w = 0, h = 0;
    EXPECT_TRUE(GetBitmapSize(stock, &w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(GetPixelColor(a, 0, 0), 0u) << "compatible bitmaps start black";
    EXPECT_EQ(SelectBitmapInto(b, bitmap), nullptr) << "selected into another surface";
    EXPECT_FALSE(DeleteBitmapObject(bitmap)) << "still selected";
    EXPECT_FALSE(DeleteBitmapObject(stock)) << "stock objects are not deleted";
    EXPECT_EQ(SelectBitmapInto(screen, bitmap), nullptr) << "bitmaps go into memory surfaces only";
    Pen oldPen = SelectPenInto(a, pen);
    Brush oldBrush = SelectBrushInto(a, brush);
    Font oldFont = SelectFontInto(a, font);
    ASSERT_NE(oldPen, nullptr);
    ASSERT_NE(oldBrush, nullptr);
    ASSERT_NE(oldFont, nullptr);
    EXPECT_FALSE(DeletePenObject(pen)) << "still selected";
    EXPECT_EQ(SelectPenInto(a, oldPen), pen);
    EXPECT_EQ(SelectBrushInto(a, oldBrush), brush);
    EXPECT_EQ(SelectFontInto(a, oldFont), font);
    EXPECT_EQ(SelectBitmapInto(a, stock), bitmap);

    Brush face = GetSystemColorBrush(SysColorButtonFace);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face, GetSystemColorBrush(SysColorButtonFace)) << "shared";
    EXPECT_EQ(GetSystemColor(SysColorButtonFace), 0xC0C0C0u);
    EXPECT_FALSE(DeleteBrushObject(face));
    EXPECT_EQ(GetDeviceCapability(screen, DeviceLogPixelsY), sim::Config().pixelsPerInch);

    EXPECT_TRUE(DeleteBitmapObject(bitmap));
    EXPECT_TRUE(DeleteBrushObject(brush));
    EXPECT_TRUE(DeletePenObject(pen));
    EXPECT_TRUE(DeleteFontObject(font));
    EXPECT_TRUE(DeleteMemorySurface(a));
    EXPECT_TRUE(DeleteMemorySurface(b));
    EXPECT_FALSE(DeleteMemorySurface(screen)) << "the screen surface is released, not deleted";
    EXPECT_TRUE(ReleaseWindowSurface(nullptr, screen));
    EXPECT_EQ(counts(), start);

    // Stale handles are refused, never followed.
    EXPECT_FALSE(DeleteBitmapObject(bitmap));
    EXPECT_FALSE(DeleteMemorySurface(a));
    EXPECT_FALSE(FillRectangle(a, nullptr, brush));
    EXPECT_EQ(SelectPenInto(b, pen), nullptr);
    EXPECT_EQ(counts(), start);
}

TEST_F(Raster, DeletingASurfaceFreesItsBitmapForOthers) {
    Surface a = CreateMemorySurface(nullptr);
    Surface b = CreateMemorySurface(nullptr);
    Bitmap bitmap = CreateCompatibleBitmapFor(nullptr, 4, 4);
    SelectBitmapInto(a, bitmap);
    EXPECT_TRUE(DeleteMemorySurface(a));
    Bitmap previous = SelectBitmapInto(b, bitmap);
    EXPECT_NE(previous, nullptr);
    SelectBitmapInto(b, previous);
    EXPECT_TRUE(DeleteBitmapObject(bitmap));
    EXPECT_TRUE(DeleteMemorySurface(b));
}

// Window surfaces on the device's window system: a window's surface reaches only the screen pixels of
// its client area that no other window covers, and its paint surface only the region being painted.
namespace devicetest {

TEST_F(DeviceTest, RasterWindowSurfacesTouchOnlyTheirOwnVisiblePixels) {
    constexpr ColorRef red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255);
    Window a = nullptr, b = nullptr;
    bool paintBlue = false;
    hook = [&](Window window, uint32_t message, WParam, LParam, bool* handled) -> LResult {
        if (window != a || message != MsgPaint || !paintBlue) return 0;
        *handled = true;
        PaintInfo info;
        Surface s = BeginPainting(a, &info);
        Brush brush = CreateSolidBrushOf(blue);
        const Rect all{0, 0, 100, 100};
        FillRectangle(s, &all, brush);
        DeleteBrushObject(brush);
        EndPainting(a, &info);
        return 0;
    };
    setup = [&](Module m) {
        RegisterTestClass(m, u"R");
        a = MakeWindow(m, u"R", {20, 20, 120, 120});
        b = MakeWindow(m, u"R", {80, 80, 160, 160});  // made later: above a
    };
    script.Then([&] {
        const sim::Image before = sim::Screen();
        Surface s = GetWindowSurface(a);
        ASSERT_NE(s, nullptr);
        Brush brush = CreateSolidBrushOf(red);
        const Rect everything{-50, -50, 300, 300};
        FillRectangle(s, &everything, brush);
        DeleteBrushObject(brush);
        for (int32_t y = 0; y < 320; ++y)
            for (int32_t x = 0; x < 240; ++x) {
                const bool mine = PointInRectangle({20, 20, 120, 120}, {x, y}) && !PointInRectangle({80, 80, 160, 160}, {x, y});
                ASSERT_EQ(sim::ScreenPixel(x, y), mine ? red : before.At(x, y)) << x << "," << y;
            }
        EXPECT_EQ(GetPixelColor(s, 0, 0), red) << "client coordinates";
        EXPECT_EQ(GetPixelColor(s, 100, 0), 0xFFFFFFFFu) << "outside the client area";

        const sim::Image filled = sim::Screen();
        Pen white = CreatePenOf(PenSolid, 1, 0xFFFFFF);
        Pen old = SelectPenInto(s, white);
        SetLineMode(s, Rop2XorPen);
        for (int i = 0; i < 2; ++i) {
            MoveTo(s, -30, 5, nullptr);
            LineTo(s, 150, 95);
        }
        EXPECT_EQ(sim::Screen(), filled);
        SelectPenInto(s, old);
        DeletePenObject(white);
        EXPECT_FALSE(ReleaseWindowSurface(b, s)) << "another window's surface";
        EXPECT_TRUE(ReleaseWindowSurface(a, s));

        paintBlue = true;
        const Rect corner{0, 0, 10, 10};
        InvalidateWindowRect(a, &corner, false);
        UpdateWindowNow(a);
        EXPECT_EQ(sim::ScreenPixel(20, 20), blue);
        EXPECT_EQ(sim::ScreenPixel(29, 29), blue);
        EXPECT_EQ(sim::ScreenPixel(30, 30), red) << "outside the region being painted";
        EXPECT_EQ(sim::ScreenPixel(35, 25), red);
        EXPECT_EQ(sim::ObjectCounts()["surfaces"], 0);
    });
    RunTestProgram();
}

}  // namespace devicetest
