// The screen that the program's tests compare with a fresh repaint: an XOR figure stays until a window
// paints over it, and an uncovered window repaints only what was covered. (That XOR figures undo
// themselves shows on the program's own screen: no stale marks after a drag, a flash or a measurement.)
#include <algorithm>
#include <functional>

#include "DeviceTestKit.h"
#include "platform/windowing/HostDisplay.h"

namespace devicetest {
namespace {

constexpr ColorRef White = Rgb(255, 255, 255);
constexpr ColorRef Red = Rgb(255, 0, 0);

// A window class whose windows paint themselves in one colour (default handling erases with it).
struct PaintedClass {
    Brush brush = nullptr;
    explicit PaintedClass(ColorRef color) : brush(CreateSolidBrushOf(color)) {}
    ~PaintedClass() { DeleteBrushObject(brush); }
};

TEST_F(DeviceTest, AnXorFigureStaysUntilAWindowPaintsOverIt) {
    PaintedClass white(White);
    Window w = nullptr;
    ColorRef line = DesktopGrey ^ White;
    setup = [&](Module m) {
        RegisterTestClass(m, u"P", 0, white.brush);
        w = MakeWindow(m, u"P", {50, 80, 150, 120}, StylePopup);  // hidden
    };
    script.Then([line] {
        Surface screen = GetWindowSurface(nullptr);
        Pen pen = CreatePenOf(PenSolid, 1, White);
        SelectPenInto(screen, pen);
        SetLineMode(screen, Rop2XorPen);
        MoveTo(screen, 10, 100, nullptr);
        LineTo(screen, 200, 100);
        ReleaseWindowSurface(nullptr, screen);
        DeletePenObject(pen);
        EXPECT_EQ(sim::ScreenPixel(60, 100), line);
    });
    script.Then([&] { ShowWindowAs(w, ShowShow); });
    script.Then([&] {
        // The window has painted itself over the middle of the line; the rest of the line stays.
        EXPECT_EQ(sim::ScreenPixel(60, 100), White);
        EXPECT_EQ(sim::ScreenPixel(20, 100), line);
        EXPECT_EQ(sim::ScreenPixel(180, 100), line);
        MoveWindowTo(w, 50, 200, 100, 40, true);
        // What the window uncovered shows the desktop picture: that part of the line is gone.
        EXPECT_EQ(sim::ScreenPixel(60, 100), DesktopGrey);
        EXPECT_EQ(sim::ScreenPixel(20, 100), line);
        EXPECT_EQ(sim::ScreenPixel(180, 100), line);
    });
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(60, 210), White);
        sim::Image fresh = sim::FreshRepaint();
        EXPECT_EQ(fresh.At(20, 100), DesktopGrey);  // a fresh repaint has no line
        EXPECT_EQ(fresh.At(60, 210), White);
    });
    RunTestProgram();
}

TEST_F(DeviceTest, AWindowUncoveredByAnotherRepaintsOnlyWhatWasCovered) {
    PaintedClass white(White), red(Red);
    Window below = nullptr, above = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        RegisterTestClass(m, u"R", 0, red.brush);
        below = MakeWindow(m, u"W", {0, 0, 100, 100});
        above = MakeWindow(m, u"R", {50, 50, 150, 150});
    };
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(75, 75), Red);
        received.clear();
        ShowWindowAs(above, ShowHide);
        EXPECT_EQ(sim::ScreenPixel(120, 120), DesktopGrey);
        EXPECT_EQ(sim::ScreenPixel(75, 75), Red);  // not yet painted: the loop paints
    });
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(75, 75), White);
        std::vector<Received> paints = MessagesOf(nullptr, MsgPaint);
        ASSERT_EQ(paints.size(), 1u);
        EXPECT_EQ(paints[0].window, below);
    });
    RunTestProgram();
}

// Windows waiting for a paint get it in painting order: the bottom window first, each one before its
// children, so that what lies above is drawn last.
TEST_F(DeviceTest, WindowsArePaintedFromTheBottomUpEachBeforeItsChildren) {
    PaintedClass white(White), red(Red);
    Window below = nullptr, child = nullptr, above = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        RegisterTestClass(m, u"R", 0, red.brush);
        below = MakeWindow(m, u"W", {0, 0, 100, 100});
        child = MakeWindow(m, u"R", {10, 10, 40, 40}, StyleChild | StyleVisible, 0, below);
        above = MakeWindow(m, u"R", {50, 50, 150, 150});
    };
    script.Then([&] {
        std::vector<Window> painted;
        for (const Received& paint : MessagesOf(nullptr, MsgPaint)) painted.push_back(paint.window);
        EXPECT_EQ(painted, (std::vector<Window>{below, child, above}));
        EXPECT_EQ(sim::ScreenPixel(20, 20), Red);  // the child over its parent
        EXPECT_EQ(sim::ScreenPixel(75, 75), Red);  // the upper window over the lower
        EXPECT_EQ(sim::ScreenPixel(5, 5), White);
    });
    RunTestProgram();
}

// A window uncovered only along its right border, from inside its client area outwards, draws that
// border again: the uncovered run of pixels ends on the frame.
TEST_F(DeviceTest, AWindowUncoveredAcrossItsRightBorderDrawsItsFrameAgain) {
    PaintedClass white(White), red(Red);
    Window above = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        RegisterTestClass(m, u"R", 0, red.brush);
        MakeWindow(m, u"W", {0, 0, 100, 100}, StylePopup | StyleBorder | StyleVisible);
        above = MakeWindow(m, u"R", {90, 40, 150, 60});
    };
    script.Then([&] {
        const ColorRef border = sim::ScreenPixel(99, 20);
        ASSERT_NE(border, White);
        EXPECT_EQ(sim::ScreenPixel(99, 50), Red);
        ShowWindowAs(above, ShowHide);
        EXPECT_EQ(sim::ScreenPixel(99, 50), border);
    });
    RunTestProgram();
}

// A fill painted on the desktop shows where no window covers it, and where a window leaves it later.
TEST_F(DeviceTest, ADesktopFillShowsOnlyWhereNoWindowCoversIt) {
    PaintedClass red(Red);
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"R", 0, red.brush);
        w = MakeWindow(m, u"R", {20, 20, 60, 60});
    };
    script.Then([&] {
        sim::PaintDesktop(Rect{0, 0, 100, 100}, White);
        EXPECT_EQ(sim::ScreenPixel(10, 10), White);
        EXPECT_EQ(sim::ScreenPixel(30, 30), Red);
        ShowWindowAs(w, ShowHide);
        EXPECT_EQ(sim::ScreenPixel(30, 30), White);
    });
    RunTestProgram();
}

// A reset shows the new device's desktop on the whole screen, whatever the last device left there,
// also when the new device has the size and desktop of the last one.
TEST_F(DeviceTest, AResetLeavesNothingOfTheLastDeviceOnTheScreen) {
    const auto xorLine = [] {
        Surface screen = GetWindowSurface(nullptr);
        Pen pen = CreatePenOf(PenSolid, 1, White);
        SelectPenInto(screen, pen);
        SetLineMode(screen, Rop2XorPen);
        MoveTo(screen, 0, 30, nullptr);
        LineTo(screen, 200, 30);
        ReleaseWindowSurface(nullptr, screen);
        DeletePenObject(pen);
    };
    struct Case {
        const char* what;
        std::function<void()> mark;
        ColorRef next;  // the next device's desktop
    };
    const Case cases[] = {
        {"an XOR line on the screen", xorLine, DesktopGrey},
        {"a desktop fill", [] { sim::PaintDesktop(Rect{0, 0, 100, 100}, White); }, DesktopGrey},
        {"nothing, then another desktop", [] {}, Red},
        {"an XOR line, then another desktop", xorLine, Red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::HandheldConfig config;
        config.desktop = sim::Image(240, 320, DesktopGrey);
        sim::ResetDevice(config);
        c.mark();
        config.desktop = sim::Image(240, 320, c.next);
        sim::ResetDevice(config);
        const sim::Image& screen = sim::Screen();
        ASSERT_EQ(screen.pixels.size(), 240u * 320u);
        EXPECT_EQ(std::count(screen.pixels.begin(), screen.pixels.end(), c.next), 240 * 320);
    }
}

// The window system alone (no host display, no screen of its own) keeps drawing in the windows'
// pictures while screen reads and desktop fills find nothing; the handheld's next reset brings its
// screen back, with the desktop that reset asks for.
TEST_F(DeviceTest, TheWindowSystemAloneKeepsNoScreenUntilTheHandheldIsResetAgain) {
    sim::ResetWindowSystem(sim::DeviceConfig{});
    PaintedClass red(Red);
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"R", 0, red.brush);
        w = MakeWindow(m, u"R", {20, 20, 60, 60});
    };
    script.Then([&] {
        // A copy from the screen and an XOR line on it: neither has a screen to reach.
        Surface screen = GetWindowSurface(nullptr), memory = CreateMemorySurface(nullptr);
        Bitmap bitmap = CreateCompatibleBitmapFor(nullptr, 8, 8);
        SelectBitmapInto(memory, bitmap);
        CopyBits(memory, 0, 0, 8, 8, screen, 25, 25, RopSrcCopy);
        SetLineMode(screen, Rop2XorPen);
        MoveTo(screen, 0, 30, nullptr);
        LineTo(screen, 100, 30);
        ReleaseWindowSurface(nullptr, screen);
        DeleteMemorySurface(memory);
        DeleteBitmapObject(bitmap);
        sim::PaintDesktop(Rect{0, 0, 10, 10}, White);
        EXPECT_TRUE(sim::Screen().pixels.empty());
        EXPECT_EQ(sim::ScreenPixel(30, 30), 0xFFFFFFFFu);
        const raster::Canvas picture = sim::WindowPicture(w, nullptr);
        ASSERT_TRUE(picture.Usable());
        EXPECT_EQ(raster::ReadPixel(picture, 10, 10), Red);
    });
    EXPECT_EQ(RunTestProgram(), 0);
    sim::HandheldConfig handheld;
    handheld.desktop = sim::Image(240, 320, White);
    sim::ResetDevice(handheld);
    EXPECT_EQ(sim::ScreenPixel(5, 5), White);
    EXPECT_EQ(sim::Screen().width, 240);
}

// Drawing into a memory surface with a limit changes only the pixels inside it, exactly as the same
// drawing without the limit does there; reading from the surface is not limited, and lifting the limit
// lets drawing reach everything again.
// A point moves between a window's client coordinates and the screen's by where the client area lies:
// a popup's at its place, a framed window's inside its border, a child's inside its parent's client
// area. The desktop's coordinates are the screen's; a point of a window that is gone, or no point, is
// refused and left as it was.
TEST_F(DeviceTest, APointMovesBetweenAWindowAndTheScreenByItsClientArea) {
    PaintedClass white(White);
    Window popup = nullptr, framed = nullptr, child = nullptr, gone = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        popup = MakeWindow(m, u"W", {30, 40, 130, 140});
        framed = MakeWindow(m, u"W", {60, 70, 200, 220}, StylePopup | StyleBorder | StyleVisible);
        child = MakeWindow(m, u"W", {10, 20, 50, 60}, StyleChild | StyleVisible, 0, framed, 1);
        gone = MakeWindow(m, u"W", {0, 0, 10, 10});
        DestroyWindowObject(gone);
    };
    script.Then([&] {
        Rect framedRect, childRect;
        ASSERT_TRUE(GetWindowRectangle(framed, &framedRect));
        ASSERT_TRUE(GetWindowRectangle(child, &childRect));
        Point framedClient{0, 0};
        ASSERT_TRUE(ClientToScreenPoint(framed, &framedClient));
        EXPECT_GT(framedClient.x, framedRect.left) << "the border lies outside the client area";
        struct Case {
            const char* what;
            Window window;
            Point client, screen;
        } cases[] = {
            {"popup", popup, {5, 6}, {35, 46}},
            {"framed", framed, {0, 0}, framedClient},
            {"child", child, {3, 4}, {childRect.left + 3, childRect.top + 4}},
            {"child's place in its parent", framed, {10, 20}, {childRect.left, childRect.top}},
            {"desktop", GetDesktop(), {7, 8}, {7, 8}},
        };
        for (const Case& c : cases) {
            Point p = c.client;
            EXPECT_TRUE(ClientToScreenPoint(c.window, &p)) << c.what;
            EXPECT_EQ(p, c.screen) << c.what;
            EXPECT_TRUE(ScreenToClientPoint(c.window, &p)) << c.what;
            EXPECT_EQ(p, c.client) << c.what << ": and back";
            EXPECT_FALSE(ClientToScreenPoint(c.window, nullptr)) << c.what;
            EXPECT_FALSE(ScreenToClientPoint(c.window, nullptr)) << c.what;
        }
        Point p{7, 8};
        EXPECT_FALSE(ClientToScreenPoint(gone, &p));
        EXPECT_FALSE(ScreenToClientPoint(gone, &p));
        EXPECT_EQ(p, (Point{7, 8})) << "a window that is gone moves no point";
    });
    RunTestProgram();
}

TEST(Windowing, ALimitKeepsDrawingInsideItAndLeavesReadingAlone) {
    sim::ResetDevice(sim::DeviceConfig{});
    constexpr int32_t W = 40, H = 30;
    const Rect limit{7, 5, 29, 21};
    Surface from = CreateMemorySurface(nullptr), limited = CreateMemorySurface(nullptr);
    Surface free = CreateMemorySurface(nullptr);
    Bitmap bitmaps[] = {CreateCompatibleBitmapFor(nullptr, 9, 8), CreateCompatibleBitmapFor(nullptr, W, H),
                        CreateCompatibleBitmapFor(nullptr, W, H)};
    SelectBitmapInto(from, bitmaps[0]);
    SelectBitmapInto(limited, bitmaps[1]);
    SelectBitmapInto(free, bitmaps[2]);
    Brush grey = CreateSolidBrushOf(Rgb(90, 90, 90));
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            Brush b = CreateSolidBrushOf(Rgb(uint8_t(x * 28), uint8_t(y * 31), uint8_t(x * y * 3)));
            const Rect pixel{x, y, x + 1, y + 1};
            FillRectangle(from, &pixel, b);
            DeleteBrushObject(b);
        }
    const struct {
        const char* name;
        bool (*draw)(Surface to, Surface source);
    } cases[] = {
        {"nearest stretch",
         [](Surface to, Surface source) { return StretchBits(to, 0, 0, W, H, source, 0, 0, 9, 8, RopSrcCopy); }},
        {"bilinear stretch",
         [](Surface to, Surface source) {
             SetStretchMode(to, StretchBilinear);
             return StretchBits(to, 0, 0, W, H, source, 0, 0, 9, 8, RopSrcCopy);
         }},
        {"plain copy", [](Surface to, Surface source) { return CopyBits(to, 3, 2, 9, 8, source, 0, 0, RopSrcCopy); }},
    };
    const Rect all{0, 0, W, H};
    for (const auto& c : cases) {
        for (Surface s : {limited, free}) FillRectangle(s, &all, grey);
        LimitDrawing(limited, &limit);
        c.draw(limited, from);
        c.draw(free, from);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                ASSERT_EQ(GetPixelColor(limited, x, y),
                          PointInRectangle(limit, Point{x, y}) ? GetPixelColor(free, x, y) : Rgb(90, 90, 90))
                    << c.name << " at " << x << "," << y;
        LimitDrawing(limited, nullptr);
        c.draw(limited, from);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                ASSERT_EQ(GetPixelColor(limited, x, y), GetPixelColor(free, x, y)) << c.name << " lifted";
    }
    for (Surface s : {from, limited, free}) DeleteMemorySurface(s);
    for (Bitmap b : bitmaps) DeleteBitmapObject(b);
    DeleteBrushObject(grey);
}

}  // namespace
}  // namespace devicetest
