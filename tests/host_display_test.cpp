// The program on a real display: the whole-screen surface reads the host's screen and draws its
// figures there, each window draws in its own picture and tells what it drew, and the device keeps no
// screen of its own.
#include <cstring>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/windowing/HostDisplay.h"

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

// Copies between two blue-first storages (32-bit sections; on a host, the windows' pictures and the
// bitmaps compatible with them) give what the same copies between red-first storages give.
TEST(HostDisplay, CopiesBetweenBlueFirstStoragesMatchRedFirstOnes) {
    sim::ResetDevice(sim::DeviceConfig{});
    constexpr int32_t W = 24, H = 20;
    constexpr ColorRef Key = Rgb(200, 30, 90);
    using Op = bool (*)(Surface to, Surface from);
    const struct {
        const char* name;
        Op op;
    } cases[] = {
        {"plain copy", [](Surface to, Surface from) { return CopyBits(to, 2, 3, 15, 12, from, 1, 1, RopSrcCopy); }},
        {"bilinear enlargement",
         [](Surface to, Surface from) {
             SetStretchMode(to, StretchBilinear);
             return StretchBits(to, 0, 0, W, H, from, 2, 2, 7, 6, RopSrcCopy);
         }},
        {"colour-keyed copy",
         [](Surface to, Surface from) { return TransparentCopy(to, 1, 1, 20, 16, from, 0, 0, 10, 8, Key); }},
    };
    for (const auto& c : cases) {
        // [0]: 32-bit sections; [1]: bitmaps of the handheld's screen (red first), the same pattern.
        Surface surfaces[2][2];
        Bitmap bitmaps[2][2];
        for (int pair = 0; pair < 2; ++pair)
            for (int role = 0; role < 2; ++role) {
                BitmapInfoHeader header;
                header.width = W;
                header.height = -H;
                header.bitCount = 32;
                uint8_t* bits = nullptr;
                surfaces[pair][role] = CreateMemorySurface(nullptr);
                bitmaps[pair][role] =
                    pair == 0 ? CreateDibSection(nullptr, &header, &bits) : CreateCompatibleBitmapFor(nullptr, W, H);
                SelectBitmapInto(surfaces[pair][role], bitmaps[pair][role]);
                if (bits)
                    for (int32_t i = 0; i < W * H * 4; ++i) bits[i] = uint8_t(i % 7 == 1 ? 0 : (i * 37 + role * 91) % 251);
                if (bits && role == 1)  // the key in places of the source
                    for (int32_t i = 0; i < W * H; i += 5) std::memcpy(bits + i * 4, "\x5a\x1e\xc8\x00", 4);
            }
        for (int role = 0; role < 2; ++role) CopyBits(surfaces[1][role], 0, 0, W, H, surfaces[0][role], 0, 0, RopSrcCopy);
        EXPECT_TRUE(c.op(surfaces[0][0], surfaces[0][1])) << c.name;
        EXPECT_TRUE(c.op(surfaces[1][0], surfaces[1][1])) << c.name;
        int differing = 0;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                differing += GetPixelColor(surfaces[0][0], x, y) != GetPixelColor(surfaces[1][0], x, y);
        EXPECT_EQ(differing, 0) << c.name;
        for (auto& pair : surfaces)
            for (Surface surface : pair) DeleteMemorySurface(surface);
        for (auto& pair : bitmaps)
            for (Bitmap bitmap : pair) DeleteBitmapObject(bitmap);
    }
}

}  // namespace

// Four monitors meeting just beside the glass's centre: the settings sheet comes up whole and centred
// on the one that holds that centre.
TEST(HostDisplay, SheetComesUpOnTheGlasssMonitor) {
    sim::DeviceConfig config;
    config.screenWidth = 800;
    config.screenHeight = 600;
    const struct {
        const char* name;
        int32_t offset;  // where the monitors meet, from the glass's centre
        bool topLeft;    // the monitor that holds the centre
    } rows[] = {{"the top left monitor", 1, true}, {"the bottom right monitor", 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SimSession s(config);
        Rect monitor;
        s.Do(program_test::ShowGlass);
        s.Check([&] {
            const Rect glass = program_test::MagnifierWindowRect();
            const Point meet{(glass.left + glass.right) / 2 + row.offset, (glass.top + glass.bottom) / 2 + row.offset};
            sim::SetMonitors({Rect{0, 0, meet.x, meet.y}, Rect{meet.x, 0, 800, meet.y}, Rect{0, meet.y, meet.x, 600},
                              Rect{meet.x, meet.y, 800, 600}});
            monitor = row.topLeft ? Rect{0, 0, meet.x, meet.y} : Rect{meet.x, meet.y, 800, 600};
        });
        s.Do("tray double\nmenu 7");
        s.Check([&] {
            Rect sheet;
            ASSERT_TRUE(GetWindowRectangle(Shell().SettingsSheetWindow, &sheet));
            Rect inside;
            EXPECT_TRUE(IntersectRectangles(&inside, sheet, monitor) && inside == sheet);
            EXPECT_LE(std::abs((sheet.left + sheet.right) - (monitor.left + monitor.right)), 1);
            EXPECT_LE(std::abs((sheet.top + sheet.bottom) - (monitor.top + monitor.bottom)), 1);
        });
        s.Do("sheet cancel");
        s.Start();
    }
}
