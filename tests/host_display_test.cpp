// The program on a real display: the whole-screen surface reads the host's screen and draws its
// figures there, each window draws in its own picture and tells what it drew, and the device keeps no
// screen of its own.
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/sim/HostDisplay.h"

namespace {

using namespace platform;

// A real screen in memory, all blue, whose pictures keep blue first; it counts the figures drawn on it.
class BlueHost : public sim::HostDisplay {
public:
    raster::Canvas ReadScreen(const Rect& area) override {
        pixels.assign(size_t(Width(area)) * size_t(Height(area)), Rgb(0, 0, 255));
        raster::Canvas canvas;
        canvas.row0 = reinterpret_cast<uint8_t*>(pixels.data());
        canvas.stride = ptrdiff_t(Width(area)) * 4;
        canvas.origin = Point{-area.left, -area.top};
        canvas.limit = Rect{0, 0, Width(area), Height(area)};
        return canvas;
    }
    void DrawScreenFigure(const raster::FigureMask& mask, ColorRef, ColorRef, int) override {
        figures += !mask.Empty();
    }
    raster::PixelFormat PictureFormat() const override { return raster::PixelFormat::Bgrx32; }
    std::vector<ColorRef> pixels;
    int figures = 0;
};

TEST(HostDisplay, GlassShowsTheHostScreenAndDrawsItsFramesThere) {
    BlueHost host;
    sim::SetHostDisplay(&host);
    SimSession s;
    s.Do(program_test::ShowGlass);
    s.Check([] {
        EXPECT_EQ(sim::Screen().pixels.size(), 0u);
        const platform::Window glass = sim::FindWindowByClass(u"MAGNIFYINGGLASS")->handle;
        const Rect rect = program_test::MagnifierWindowRect(), damage = sim::TakeWindowDamage(glass);
        Point offset;
        const raster::Canvas picture = sim::WindowPicture(glass, &offset);
        ASSERT_TRUE(picture.Usable());
        EXPECT_EQ(damage, (Rect{0, 0, Width(rect), Height(rect)}));
        EXPECT_EQ(raster::ReadPixel(picture, Width(rect) / 2, Height(rect) / 2), Rgb(0, 0, 255));
        EXPECT_TRUE(IsRectangleEmpty(sim::TakeWindowDamage(glass)));
    });
    s.Do("down 150 120\nmove 151 121\nmove 160 130");  // a move drag: its frame on the host's screen
    s.Check([&] { EXPECT_GT(host.figures, 0); });
    s.Do("up 160 130");
    s.Start();
    sim::SetHostDisplay(nullptr);
}

}  // namespace
