// Stylus interaction on the glass, through real stylus messages on the simulated handheld: which drag
// each zone starts, resizing, zooming, brightness and contrast, aiming, the focus frames, docked tool
// windows following the glass, and input during an animation.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "magnifier/PointerInteraction.h"
#include "magnifier/Rendering.h"
#include "platform/Geometry.h"
#include "platform/sim/Simulation.h"
#include "shell/ShellState.h"

using platform::Rect;
namespace sim = platform::sim;

namespace {

using namespace program_test;

// With the glass shown at (100, 100, 180, 180): corner square (100..119, 100..119), right strip
// x 160..179, bottom strip y 160..179.

int CursorId() { return sim::CurrentCursorId().value_or(0); }

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// down, a first move at the same point (which starts the drag), then the given moves.
std::string Press(int x, int y) { return "down " + std::to_string(x) + " " + std::to_string(y) + "\nmove " +
                                         std::to_string(x) + " " + std::to_string(y); }
std::string MoveTo(int x, int y) { return "move " + std::to_string(x) + " " + std::to_string(y); }
std::string Up(int x, int y) { return "up " + std::to_string(x) + " " + std::to_string(y); }

}  // namespace

TEST(PointerTicks, ElapsedCountsAcrossTheWrapOfTheCounter) {
    sim::DeviceConfig config;
    config.clockStart = 0xFFFFFF00u;  // 256 ms before the counter wraps
    sim::ResetDevice(config);
    sim::Wait(272);
    ASSERT_EQ(sim::Clock(), 16u);
    EXPECT_TRUE(TicksElapsed(0xFFFFFF00u, 272));
    EXPECT_FALSE(TicksElapsed(0xFFFFFF00u, 273));
    EXPECT_TRUE(TicksElapsed(0xFFFFFF00u, 200));
    EXPECT_TRUE(TicksElapsed(0xFFFFFFF0u, 32));
    EXPECT_FALSE(TicksElapsed(0xFFFFFFF0u, 33));
}

TEST(MagnifierPointer, EachZoneStartsItsDragWithItsCursor) {
    struct Case {
        const char* name;
        int x, y;
        bool alt;
        int adjustMode;
        int32_t state;
        int cursor;
    } cases[] = {
        {"corner", 105, 105, false, 0, StateAimFromMagnifier, 134},
        {"bottom-right square", 170, 170, false, 0, StateResizeZoom, 32646},
        {"right strip", 170, 110, false, 0, StateResize, 32645},
        {"bottom strip", 110, 170, false, 0, StateZoom, 32644},
        {"body", 140, 140, false, 0, StateMoveMagnifier, 32646},
        {"alt: bottom-right square", 170, 170, true, 0, StateBrightnessContrast, 147},
        {"alt: right strip", 170, 110, true, 0, StateBrightness, 146},
        {"alt: bottom strip", 110, 170, true, 0, StateContrast, 148},
        {"alt: corner", 105, 105, true, 0, StateAimFromMagnifier, 134},
        {"alt: body", 140, 140, true, 0, StateMoveMagnifier, 32646},
        {"correcting: right strip", 170, 110, false, 1, StateBrightness, 146},
        {"correcting: bottom strip", 110, 170, false, 1, StateContrast, 148},
        {"correcting and alt: right strip", 170, 110, true, 1, StateResize, 32645},
        {"correcting and alt: bottom-right", 170, 170, true, 1, StateResizeZoom, 32646},
    };
    SimSession s;
    s.Do(ShowGlass);
    for (const Case& c : cases) {
        s.Check([c] { SetAdjustMode(Glass(), c.adjustMode); });
        if (c.alt) s.Do("alt down");
        s.Do(Press(c.x, c.y));
        s.Check([c] {
            EXPECT_EQ(Glass().PointerState, c.state) << c.name;
            EXPECT_EQ(CursorId(), c.cursor) << c.name;
            EXPECT_EQ(sim::CaptureWindow(), Glass().MagnifierWindow) << c.name;
        });
        s.Do(Up(c.x, c.y));
        if (c.alt) s.Do("alt up");
        s.Check([c] {
            EXPECT_EQ(Glass().PointerState, StateIdle) << c.name;
            EXPECT_EQ(CursorId(), 32512) << c.name;
            EXPECT_EQ(sim::CaptureWindow(), nullptr) << c.name;
            EXPECT_EQ(Glass().Settings.WindowRect, (Rect{100, 100, 180, 180})) << c.name;
            EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180})) << c.name;
        });
    }
    // A first move outside the glass (client point (-50, -50)) starts nothing.
    s.Do("send magnifier 0x200 1 0xFFCEFFCE");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, ResizingKeepsTheBottomRightCornerAndClamps) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({Press(170, 110), MoveTo(170, 80)}));
    s.Check([] {
        // The rectangle changes live; the window moves only on release.
        EXPECT_EQ(Glass().Settings.WindowSize, 110);
        EXPECT_EQ(Glass().Settings.WindowRect, (Rect{70, 70, 180, 180}));
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180}));
    });
    s.Do(Up(170, 80));
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{70, 70, 180, 180}));
        EXPECT_EQ(Glass().RightZone, (Rect{153, 70, 180, 180}));
        EXPECT_EQ(Glass().BottomZone, (Rect{70, 153, 180, 180}));
        EXPECT_EQ(Glass().CornerZone, (Rect{70, 70, 97, 97}));
    });
    // Far down: the smallest size (40); far up: the largest (156).
    s.Do(Lines({Press(170, 100), MoveTo(170, 300), Up(170, 300)}));
    s.Check([] {
        EXPECT_EQ(Glass().Settings.WindowSize, Glass().MinWindowSize);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{140, 140, 180, 180}));
    });
    s.Do(Lines({Press(175, 145), MoveTo(175, 0), Up(175, 0)}));
    s.Check([] {
        EXPECT_EQ(Glass().Settings.WindowSize, 156);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{24, 24, 180, 180}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, ZoomDragAddsOnePerThirteenPixelsWithinOneToTen) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({Press(155, 170), MoveTo(142, 170)}));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateZoom);
        EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 5.0f);
    });
    s.Do(MoveTo(25, 170));  // 130 pixels left of the start: 14, clamped
    s.Check([] { EXPECT_EQ(Glass().Settings.ZoomX, 10.0f); });
    s.Do(MoveTo(235, 170));  // 80 pixels right of the start: below 1, clamped
    s.Check([] { EXPECT_EQ(Glass().Settings.ZoomX, 1.0f); });
    s.Do(MoveTo(142, 170));  // measured from the start again: nothing was lost at the limits
    s.Check([] { EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 5.0f); });
    s.Do(Up(142, 170));
    s.Check([] {
        EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 5.0f);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, BrightnessAndContrastDragsLoseMotionPastTheirLimits) {
    // A 480 x 640 screen: the glass stands at (100, 100, 260, 260); right strip x 220..259, bottom
    // strip y 220..259.
    SimSession s({.screenWidth = 480, .screenHeight = 640});
    s.Do(ShowGlass);
    s.Check([] { SetAdjustMode(Glass(), 1); });
    s.Do(Lines({Press(240, 215), MoveTo(200, 115)}));  // sideways too: the contrast stays
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateBrightness);
        EXPECT_NEAR(Glass().Settings.Bright, 0.7f, 1e-6);  // 100 pixels up: +0.2
        EXPECT_EQ(Glass().Settings.Contrast, 0.5f);
    });
    s.Do(Up(200, 115));
    s.Check([] { Glass().Settings.Bright = 0.9f; });
    s.Do(Lines({Press(240, 215), MoveTo(240, 115)}));  // +0.2 would pass 1.0
    s.Check([] { EXPECT_EQ(Glass().Settings.Bright, 1.0f); });
    s.Do(MoveTo(240, 165));  // the way back counts at once: 0.9, not 1.0
    s.Check([] { EXPECT_NEAR(Glass().Settings.Bright, 0.9f, 1e-6); });
    s.Do(Up(240, 165));
    s.Do(Lines({Press(215, 240), MoveTo(479, 240)}));  // 264 pixels right: below 0, clamped
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateContrast);
        EXPECT_EQ(Glass().Settings.Contrast, 0.0f);
    });
    s.Do(MoveTo(429, 240));  // 50 back left: 0.1 at once
    s.Check([] { EXPECT_NEAR(Glass().Settings.Contrast, 0.1f, 1e-6); });
    s.Do(Up(429, 240));
    s.Do(Lines({Press(240, 240), MoveTo(200, 200)}));  // both, against the same grab point
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateBrightnessContrast);
        EXPECT_NEAR(Glass().Settings.Bright, 0.98f, 1e-6);
        EXPECT_NEAR(Glass().Settings.Contrast, 0.18f, 1e-6);
    });
    s.Do(Up(200, 200));
    s.Check([] {
        // Correction drags never move or resize the glass.
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 260, 260}));
        EXPECT_EQ(Glass().Settings.WindowSize, 160);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, AimingFromTheCornerWaits200Milliseconds) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools).Do(Lines({Press(120, 200), Up(120, 200)}));  // after an aim with the picker too
    s.Check([] { Glass().Settings.ZoomPnt = {10, 10}; });
    s.Do(Lines({Press(105, 105), MoveTo(60, 250)}));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateAimFromMagnifier);
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{10, 10}));
    });
    s.Do(Lines({"wait 150", MoveTo(61, 251)}));
    s.Check([] { EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{10, 10})); });
    s.Do(Lines({"wait 50", MoveTo(62, 252)}));
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{62, 252}));
        EXPECT_EQ(Glass().AimTimerArmed, 0);
    });
    s.Do(MoveTo(63, 253));
    s.Check([] { EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{63, 253})); });
    s.Do(Up(63, 253));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{63, 253}));
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, FocusFramesLeaveTheScreenAsItWas) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(ShowTools);
    auto before = std::make_shared<sim::Image>();
    s.Check([before] {
        ASSERT_NE(Glass().ColorPickerDock, DockNone);
        ASSERT_NE(Glass().TapeDock, DockNone);
        *before = sim::Screen();
    });
    // A move: frames around the glass and both docked tools while the stylus is down.
    s.Do(Lines({Press(140, 140), MoveTo(150, 125)}));
    s.Check([before] {
        EXPECT_GT(DifferingPixels(sim::Screen(), *before), 0);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180}));
    });
    s.Do(MoveTo(130, 150));
    s.Do(Up(130, 150));
    s.Do("wait 200");
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{90, 110, 170, 190}));
        ExpectNoStaleMarks("after a move");
    });
    // A resize with the bottom-right corner fixed, growing and shrinking.
    s.Do(Lines({Press(165, 120), MoveTo(165, 90), MoveTo(165, 130), MoveTo(165, 100), Up(165, 100)}));
    s.Do("wait 200");
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{70, 90, 170, 190}));
        ExpectNoStaleMarks("after a resize");
    });
    // A resize and zoom from the bottom-right square.
    s.Do(Lines({Press(165, 185), MoveTo(150, 175), MoveTo(160, 170), Up(160, 170)}));
    s.Do("wait 200");
    s.Check([] {
        EXPECT_EQ(Glass().Settings.WindowSize, 115);
        ExpectNoStaleMarks("after a resize and zoom");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, DockedToolWindowsFollowTheGlassUndockedOnesStay) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(ShowTools);
    s.Check([] {
        // The default places dock the picker below the glass and the tape above it.
        EXPECT_EQ(Glass().ColorPickerDock, DockBottom);
        EXPECT_EQ(Glass().TapeDock, DockTop);
    });
    // Drag the tape away by its body (its handle is the square at its left end).
    s.Do(Lines({Press(200, 75), MoveTo(200, 275), Up(200, 275)}));
    s.Check([] {
        EXPECT_EQ(Glass().TapeDock, DockNone);
        EXPECT_EQ(TapeWindowRect(), (Rect{100, 250, 325, 300}));
    });
    // Move the glass: the picker follows at its offset, the tape stays.
    s.Do(Lines({Press(140, 140), MoveTo(150, 130), Up(150, 130)}));
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{110, 90, 190, 170}));
        EXPECT_EQ(PickerWindowRect(), (Rect{110, 170, 310, 220}));
        EXPECT_EQ(Glass().Settings.ColorPickerRect, (Rect{110, 170, 310, 220}));
        EXPECT_EQ(TapeWindowRect(), (Rect{100, 250, 325, 300}));
        EXPECT_EQ(Glass().ColorPickerToolRect, (Rect{110, 170, 160, 220}));
    });
    // Resize the glass by its right strip: the picker below follows its new left edge.
    s.Do(Lines({Press(185, 100), MoveTo(185, 80), Up(185, 80)}));
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{90, 70, 190, 170}));
        EXPECT_EQ(PickerWindowRect(), (Rect{90, 170, 290, 220}));
        EXPECT_EQ(TapeWindowRect(), (Rect{100, 250, 325, 300}));
        EXPECT_EQ(Glass().ColorPickerDock, DockBottom);  // dock sides are not recomputed by a drag
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, HiddenDockedToolWindowsAreMovedAllTheSame) {
    SimSession s;
    s.Do(ShowGlass);  // tools not shown, but docked by their default places
    s.Do(Lines({Press(140, 140), MoveTo(120, 150), Up(120, 150)}));
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{80, 110, 160, 190}));
        EXPECT_EQ(PickerWindowRect(), (Rect{80, 190, 280, 240}));
        EXPECT_EQ(TapeWindowRect(), (Rect{80, 60, 305, 110}));
        ExpectNoStaleMarks("hidden tools draw no frames");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, ATapWithoutMovementDoesNothing) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({"down 140 140", "up 140 140", "down 170 110", "up 170 110", "down 105 105", "up 105 105"}));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(Glass().Settings.WindowRect, (Rect{100, 100, 180, 180}));
        EXPECT_EQ(Glass().Settings.WindowSize, 80);
        EXPECT_EQ(Glass().Settings.ZoomX, 4.0f);
        EXPECT_EQ(Glass().AimTimerArmed, 0);
        ExpectNoStaleMarks("after taps");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, InputDuringAnAnimationIsIgnored) {
    SimSession s;
    s.Do("tray tap\nwait 640");  // the tray delay has passed; the show animation runs
    s.Check([] { ASSERT_NE(Glass().ShowSteps, 0); });
    // A move on the glass's body (client (40, 40)), the wheel and a double tap in the middle.
    s.Do("send magnifier 0x200 1 0x00280028");
    s.Do("send magnifier 0x20A 0x00780000 0");
    s.Do("send magnifier 0x203 1 0x00280028");
    s.Do("send magnifier 0x202 0 0x00280028");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(Glass().Settings.ZoomX, 4.0f);
        EXPECT_EQ(Glass().HideSteps, 0);  // the double tap did not hide the glass
    });
    s.Do("wait 1000");
    s.Check([] {
        EXPECT_TRUE(Glass().Visible);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{100, 100, 180, 180}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, DoubleTapsToggleSmoothingResetCorrectionOrHide) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do("doubletap 105 105");
    s.Check([] {
        EXPECT_EQ(Glass().Settings.SmoothImg, 0);
        EXPECT_EQ(Glass().HideSteps, 0);
    });
    s.Check([] {
        SetAdjustMode(Glass(), 1);
        Glass().Settings.Bright = 0.8f;
        Glass().Settings.Contrast = 0.2f;
    });
    s.Do("doubletap 170 110");  // right strip: brightness only
    s.Check([] {
        EXPECT_EQ(Glass().Settings.Bright, 0.5f);
        EXPECT_EQ(Glass().Settings.Contrast, 0.2f);
        EXPECT_TRUE(Glass().Visible);
    });
    s.Do("doubletap 140 140\nwait 600");  // the middle of the glass hides everything
    s.Check([] { EXPECT_FALSE(Glass().Visible); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(MagnifierPointer, WheelZoomsBySixthsAndMenuNeedsAnIdleGlass) {
    SimSession s;
    s.Do(ShowGlass);
    s.Check([] { Glass().Settings.ZoomX = 3.0f; });
    s.Do("move 140 140\nwheel 120");  // the wheel reaches the window under the cursor
    s.Check([] {
        EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 3.5f);
        const sim::Image shown = glass_test::ReadView(Glass());  // no cross-hair in the new view
        RenderView(Glass(), true, false, false);
        EXPECT_EQ(DifferingPixels(shown, glass_test::ReadView(Glass())), 0);
    });
    s.Do("wheel 60");
    s.Check([] { EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 3.5f); });
    s.Check([] { Glass().Settings.ZoomX = 1.0f; });
    s.Do("wheel -120");
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ZoomX, 1.0f);
        EXPECT_TRUE(MagnifierMenuHit(Glass(), 140, 140));
        EXPECT_FALSE(MagnifierMenuHit(Glass(), 180, 140));
    });
    s.Do(Press(140, 140));
    s.Check([] { EXPECT_FALSE(MagnifierMenuHit(Glass(), 140, 140)); });
    s.Do(Up(140, 140));
    EXPECT_EQ(s.Start(), 0);
}

// A hide that starts in the middle of a drag (a tray tap, Escape) ends the drag as its release would:
// the release itself arrives while the hide animation runs, when the handlers ignore the stylus, and
// used to leave the drag state, the capture and the focus frames behind.
TEST(MagnifierPointer, AHideStartedMidDragEndsTheDragFirst) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({Press(170, 170), MoveTo(150, 150), "tray tap", "wait 700", Up(150, 150)}));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
    });
    s.Do("wait 400");
    s.Check([] {
        EXPECT_FALSE(Glass().Visible);
        EXPECT_EQ(Glass().Settings.WindowSize, 100) << "the resize took effect before the hide";
        EXPECT_EQ(Glass().Settings.WindowRect, (Rect{80, 80, 180, 180}));
        ExpectNoStaleMarks("after a hide during a resize");
    });
    s.Do(Lines({"tray tap", "wait 1200"}));
    s.Check([] {
        EXPECT_EQ(MagnifierWindowRect(), (Rect{80, 80, 180, 180}));
        ExpectNoStaleMarks("after showing again");
    });
    EXPECT_EQ(s.Start(), 0);
}

// A second copy of the program started in the middle of a drag exits at once; its shutdown must not
// release the first copy's capture, or the first copy never hears the release of its drag.
TEST(MagnifierPointer, ASecondCopyLeavesTheDragOfTheFirstAlone) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({Press(140, 140), MoveTo(150, 160), "second"}));
    s.Check([] {
        EXPECT_EQ(sim::CaptureWindow(), Shell().MagnifierWindow);
        EXPECT_EQ(Glass().PointerState, StateMoveMagnifier);
    });
    s.Do(Lines({Up(150, 160), "wait 200"}));
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{110, 120, 190, 200}));
        ExpectNoStaleMarks("after the drag");
    });
    EXPECT_EQ(s.Start(), 0);
}

// The locator ring is drawn on the screen in XOR: a glass that moves away from a part of the ring takes
// that part with it, so moving the glass ends the flash first, and no mark stays behind.
TEST(MagnifierPointer, MovingTheGlassEndsALocatorFlashWithoutMarks) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({Press(140, 140), MoveTo(50, 50), Up(50, 50), "wait 300"}));  // the glass at (10, 10), over the ring's place
    s.Do(Lines({"focus magnifier", "alt down", "char z", "alt up", "wait 50"}));
    s.Check([] { EXPECT_GE(Glass().LocatorCount, 25u) << "the ring is on the screen"; });
    s.Do(Lines({Press(50, 50), MoveTo(150, 150), Up(150, 150), "wait 400"}));
    s.Check([] {
        EXPECT_EQ(Glass().LocatorCount, 0u);
        EXPECT_EQ(MagnifierWindowRect(), (Rect{110, 110, 190, 190}));
        ExpectNoStaleMarks("after moving the glass away from the ring");
    });
    EXPECT_EQ(s.Start(), 0);
}

// A tool window lying over the glass's frame that paints itself during a resize (here raised above the
// glass by the focus) must not keep the frame's pixels inverted by the erase at the release.
TEST(MagnifierPointer, AToolWindowRaisedOverTheFramesKeepsNoMark) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({"tray double", "menu 10", "wait 200", Press(209, 84), MoveTo(262, 142), Up(262, 142), "wait 200"}));
    s.Check([] {
        platform::Rect overlap;
        ASSERT_TRUE(platform::IntersectRectangles(&overlap, TapeWindowRect(), Glass().Settings.WindowRect))
            << "the tape lies over the glass";
        ASSERT_EQ(Glass().TapeDock, DockNone);
    });
    s.Do(Lines({"focus magnifier", Press(172, 121), MoveTo(172, 111), "focus tape", Up(172, 111), "wait 300"}));
    s.Check([] {
        EXPECT_EQ(Glass().Settings.WindowSize, 90);
        ExpectNoStaleMarks("after the resize");
    });
    EXPECT_EQ(s.Start(), 0);
}

// The same for the glass raised over a tool window's move frame: the glass, behind the sheet while the
// picker's frame is drawn across it, comes to the top with the focus and paints itself over the frame.
TEST(MagnifierPointer, TheGlassRaisedOverAToolsMoveFrameKeepsNoMark) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(Lines({"tray double", "menu 4", "wait 300", Press(200, 200), MoveTo(100, 290), Up(100, 290), "wait 300"}));
    s.Do(Lines({"tray double", "menu 7", "wait 300", Press(100, 290), MoveTo(100, 140), "wait 50", "focus magnifier",
                Up(100, 140), "wait 700", "sheet cancel", "wait 300"}));
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ColorPickerRect, (platform::Rect{0, 120, 200, 170}));
        ExpectNoStaleMarks("after the picker's move");
    });
    EXPECT_EQ(s.Start(), 0);
}

// A hide that arrives during a move drag, while the locator ring stands over the glass: the ring goes
// before the drag's release moves the glass, or an arc of it stays where the glass was.
TEST(MagnifierPointer, AHideDuringAMoveTakesTheLocatorRingAwayBeforeTheGlassMoves) {
    SimSession s;
    s.Do(Lines({"tray tap", "wait 1393", Press(160, 118), MoveTo(218, 1), Up(218, 1)}));  // the glass grows
    s.Do(Lines({"alt down", "char z", "down 61 41", MoveTo(106, 80), "wait 61", MoveTo(109, 128), "tray tap",
                "wait 668", Up(109, 128), "wait 275"}));
    s.Check([] {
        EXPECT_FALSE(IsVisible(Glass()));
        ExpectNoStaleMarks("after the hide");
    });
    EXPECT_EQ(s.Start(), 0);
}
