// The program on a real display: the whole-screen surface reads the host's screen and draws its
// figures there, and the window system tells which pixels the windows changed.
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/sim/HostDisplay.h"

namespace {

using namespace platform;

// A real screen in memory, all blue; it counts the figures drawn on it.
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
    std::vector<ColorRef> pixels;
    int figures = 0;
};

TEST(HostDisplay, GlassShowsTheHostScreenAndDrawsItsFramesThere) {
    BlueHost host;
    sim::SetHostDisplay(&host);
    SimSession s;
    s.Do(program_test::ShowGlass);
    s.Check([] {
        const Rect glass = program_test::MagnifierWindowRect(), damage = sim::TakeScreenDamage();
        EXPECT_TRUE(damage.left <= glass.left && damage.top <= glass.top && damage.right >= glass.right &&
                    damage.bottom >= glass.bottom);
        EXPECT_EQ(sim::ScreenPixel((glass.left + glass.right) / 2, (glass.top + glass.bottom) / 2), Rgb(0, 0, 255));
    });
    s.Do("down 150 120\nmove 151 121\nmove 160 130");  // a move drag: its frame on the host's screen
    s.Check([&] {
        EXPECT_GT(host.figures, 0);
        program_test::ExpectNoStaleMarks("the device's own screen during a move on a host");
    });
    s.Do("up 160 130");
    s.Start();
    sim::SetHostDisplay(nullptr);
}

}  // namespace

// Two monitors side by side: the settings sheet comes up whole and centred on the one that holds the
// glass, whichever side that is.
TEST(HostDisplay, SheetComesUpOnTheGlasssMonitor) {
    sim::DeviceConfig config;
    config.screenWidth = 800;
    config.screenHeight = 600;
    for (int32_t split : {300, 500}) {
        SCOPED_TRACE(split);
        SimSession s(config);
        s.Do("tray double\nmenu none");
        s.Check([split] { sim::SetMonitors({Rect{0, 0, split, 600}, Rect{split, 0, 800, 600}}); });
        s.Do("tray double\nmenu 7");
        s.Check([split] {
            const Rect glass = program_test::MagnifierWindowRect();
            const Rect monitor = (glass.left + glass.right) / 2 < split ? Rect{0, 0, split, 600} : Rect{split, 0, 800, 600};
            Rect sheet;
            ASSERT_TRUE(GetWindowRectangle(Shell().SettingsSheetWindow, &sheet));
            EXPECT_TRUE(sheet.left >= monitor.left && sheet.right <= monitor.right) << sheet.left << ".." << sheet.right;
            EXPECT_LE(std::abs((sheet.left + sheet.right) - (monitor.left + monitor.right)), 1);
        });
        s.Do("sheet cancel");
        s.Start();
    }
}
