// The XOR line the tape draws and relies on undoing by drawing it again. (The focus frames and the
// locator ring are checked on the program's own screen: no stale marks after a drag or a flash.)
#include <gtest/gtest.h>

#include <algorithm>
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

class Raster : public ::testing::Test {
protected:
    void SetUp() override { sim::ResetDevice(sim::DeviceConfig{}); }
};

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
