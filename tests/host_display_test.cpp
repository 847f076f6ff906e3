// The program on a real display: the whole-screen surface reads the host's screen and draws its
// figures there, each window draws in its own picture and tells what it drew, and the device keeps no
// screen of its own.
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Rendering.h"
#include "platform/windowing/HostDisplay.h"

namespace {

using namespace platform;

// The canvas a host gives for `area` of its screen, over pixels held row by row.
raster::Canvas ScreenCanvas(std::vector<ColorRef>& pixels, const Rect& area) {
    raster::Canvas canvas;
    canvas.row0 = reinterpret_cast<uint8_t*>(pixels.data());
    canvas.stride = ptrdiff_t(Width(area)) * 4;
    canvas.origin = Point{-area.left, -area.top};
    canvas.limit = Rect{0, 0, Width(area), Height(area)};
    return canvas;
}

// A real screen in memory, all blue, whose pictures keep blue first; it counts the figures drawn on it.
class BlueHost : public sim::HostDisplay {
public:
    raster::Canvas ReadScreen(const Rect& area) override {
        pixels.assign(size_t(Width(area)) * size_t(Height(area)), Rgb(0, 0, 255));
        return ScreenCanvas(pixels, area);
    }
    void DrawScreenFigure(const raster::FigureMask& mask, ColorRef, ColorRef, int) override {
        figures += !mask.Empty();
    }
    raster::PixelFormat PictureFormat() const override { return raster::PixelFormat::Bgrx32; }
    std::vector<ColorRef> pixels;
    int figures = 0;
};

// A host that lets real time pass before it asks how long to wait finds the glass's tick already due:
// it is told to wait for nothing, not for ever.
TEST(HostDisplay, ATimerAlreadyDueIsWaitedForNotAtAll) {
    BlueHost host;
    sim::SetHostDisplay(&host);
    SimSession s;
    s.Do(program_test::ShowGlass);
    s.Check([] {
        const std::optional<uint64_t> wait = sim::TimeToNextTimer();
        ASSERT_TRUE(wait.has_value());  // the glass's tick
        sim::PassRealTime(*wait + 1000);
        EXPECT_EQ(sim::TimeToNextTimer(), std::optional<uint64_t>(0));
    });
    s.Start();
    sim::SetHostDisplay(nullptr);
}

// A host follows the tray and the hot keys only when their counts of changes move, so every change
// the program makes to either moves its count: the icon coming, its tip changed, its going; the tape's
// key let go while the sheet runs, taken again after it, gone with the program.
TEST(HostDisplay, EveryChangeToTheTrayOrTheHotKeysIsCounted) {
    using TrayState = std::vector<std::tuple<uint32_t, std::u16string, uint32_t, platform::Window, Icon>>;
    using HotKeyState = std::vector<std::tuple<int, uint32_t, uint32_t, platform::Window>>;
    auto tray = [] {
        TrayState out;
        for (const sim::TrayInfo& t : sim::TrayIcons()) out.emplace_back(t.id, t.tip, t.callback, t.owner, t.icon);
        return out;
    };
    auto hotKeys = [] {
        HotKeyState out;
        for (const sim::HotKeyInfo& h : sim::HotKeys()) out.emplace_back(h.id, h.modifiers, h.virtualKey, h.window);
        return out;
    };
    TrayState trayFollowed;
    HotKeyState keysFollowed;
    uint64_t trayCount = 0, keysCount = 0;
    int trayChanges = 0, keyChanges = 0;
    auto follow = [&](const char* step) {
        SCOPED_TRACE(step);
        if (tray() != trayFollowed) {
            EXPECT_NE(sim::TrayChanges(), trayCount) << "the tray changed unseen";
            ++trayChanges;
        }
        if (hotKeys() != keysFollowed) {
            EXPECT_NE(sim::HotKeyChanges(), keysCount) << "the hot keys changed unseen";
            ++keyChanges;
        }
        trayFollowed = tray(), keysFollowed = hotKeys();
        trayCount = sim::TrayChanges(), keysCount = sim::HotKeyChanges();
    };
    SimSession s;
    s.Check([&] {
        follow("started");
        TrayIconRecord record{};
        record.window = std::get<3>(trayFollowed.at(0));
        record.id = std::get<0>(trayFollowed.at(0));
        record.flags = TrayFlagTip;
        std::memcpy(record.tip, u"tip", sizeof u"tip");
        ASSERT_TRUE(TrayNotify(TrayModify, &record));
        follow("the tip changed");
    });
    s.Do("tray double\nmenu 7");
    s.Check([&] { follow("the sheet runs"); });
    s.Do("sheet cancel");
    s.Check([&] { follow("the sheet closed"); });
    s.Do("destroy");
    s.Check([&] { follow("the program ended"); });
    s.Start();
    EXPECT_EQ(trayChanges, 3);
    EXPECT_EQ(keyChanges, 4);
}

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

namespace {

// A real screen in memory that records every rectangle read from it: a pattern, and red where the
// glass lies (a real screen shows the glass's own picture there, which the view must never show).
class ReadRecordingHost : public sim::HostDisplay {
public:
    raster::Canvas ReadScreen(const Rect& area) override {
        reads.push_back(area);
        pixels.resize(size_t(Width(area)) * size_t(Height(area)));
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                pixels[size_t(y - area.top) * size_t(Width(area)) + size_t(x - area.left)] =
                    PointInRectangle(glass, Point{x, y}) ? Rgb(255, 0, 0) : Rgb(uint8_t(x * 7), uint8_t(y * 13), 90);
        return ScreenCanvas(pixels, area);
    }
    void DrawScreenFigure(const raster::FigureMask&, ColorRef, ColorRef, int) override {}
    raster::PixelFormat PictureFormat() const override { return raster::PixelFormat::Bgrx32; }
    std::vector<ColorRef> pixels;
    std::vector<Rect> reads;
    Rect glass;
};

// The captured source of the last render (sw x sh of the kept section).
std::vector<uint32_t> CapturedSource(const Magnifier& m) {
    const ViewSource& v = m.SourceCapture;
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < Height(m.SourceRect); ++y)
        for (int32_t x = 0; x < Width(m.SourceRect); ++x) {
            uint32_t p;
            std::memcpy(&p, v.Bits + (size_t(y) * size_t(v.Width) + size_t(x)) * 4, 4);
            out.push_back(p & 0xFFFFFF);
        }
    return out;
}

}  // namespace

// A capture whose source area the glass overlaps reads from the screen only the part the glass leaves,
// where that is one rectangle, and keeps the glass's footprint laid over the capture from the last
// time while the glass, its frame and its place in the source stay: the capture is what a fresh read
// with the footprint laid anew gives. Anything that moves the footprint has it laid again over a whole read.
TEST(HostDisplay, ACaptureReadsOnlyWhatTheGlassLeavesOfTheSource) {
    const Rect glass{40, 40, 120, 120};  // 80 x 80 at zoom 4: a source of 20 x 20
    const struct {
        const char* name;
        Point zoomPoint;
        std::function<void(Magnifier&)> between;  // done between the first refresh and the second
        Rect read;                                // what the second refresh reads (empty: nothing)
    } cases[] = {
        {"the glass on the source's left strip", {125, 80}, nullptr, {120, 70, 135, 90}},
        {"the glass on the source's top strip", {80, 125}, nullptr, {70, 120, 90, 135}},
        {"the glass over all of the source", {80, 80}, nullptr, {}},
        {"the glass on a corner: all of it", {125, 125}, nullptr, {115, 115, 135, 135}},
        {"the glass beside the source: all of it", {180, 200}, nullptr, {170, 190, 190, 210}},
        {"a new scaled skin: laid again", {125, 80}, [](Magnifier& m) { ForgetScaledSkin(m), UpdateScaledSkin(m); },
         {115, 70, 135, 90}},
        {"another zoom: laid again", {125, 80}, [](Magnifier& m) { m.Settings.ZoomX = 3.0f; }, {112, 67, 138, 93}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReadRecordingHost host;
        host.glass = glass;
        sim::SetHostDisplay(&host);
        SimSession s;
        s.Do(program_test::ShowGlass).Check([&] {
            Magnifier& m = program_test::Glass();
            glass_test::PlaceGlass(m, glass);
            m.Settings.ZoomX = 4.0f;
            m.Settings.ZoomPnt = c.zoomPoint;
            RenderView(m, true, false, false);  // lays the footprint
            if (c.between) c.between(m);
            host.reads.clear();
            RenderChangedView(m, true, false, false);
            const std::vector<Rect> expected = IsRectangleEmpty(c.read) ? std::vector<Rect>{} : std::vector<Rect>{c.read};
            EXPECT_EQ(host.reads, expected);
            const std::vector<uint32_t> kept = CapturedSource(m);
            m.LaidFootprint = CaptureFootprint{};  // a whole read, the footprint laid anew
            host.reads.clear();
            RenderView(m, true, false, false);
            ASSERT_EQ(host.reads.size(), 1u);
            EXPECT_EQ(host.reads[0], m.SourceRect);
            EXPECT_EQ(kept, CapturedSource(m));
            for (uint32_t p : kept) ASSERT_TRUE(p != 0x0000FFu && p != 0xFF0000u) << "the glass's own pixels captured";
        });
        s.Start();
        sim::SetHostDisplay(nullptr);
    }
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
