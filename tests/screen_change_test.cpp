// Screen reconfiguration on the simulated handheld: after a rotation the glass, the zoom point and the
// tool windows keep their relative places; docked tool windows keep their offsets and change sides at
// the screen's edge; a hidden glass is left alone; a drag in progress ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "magnifier/SkinLayout.h"
#include "platform/sim/Simulation.h"
#include "shell/ShellState.h"

using platform::Point;
using platform::Rect;
namespace sim = platform::sim;

namespace {

using namespace program_test;


// Places the three windows as the settings say and works out the dock sides again.
void PlaceWindows(Rect glass, Rect picker, Rect tape) {
    Magnifier& m = Glass();
    m.Settings.WindowRect = glass;
    m.Settings.WindowSize = glass.right - glass.left;
    m.Settings.ColorPickerRect = picker;
    m.Settings.TapeRect = tape;
    LayoutWindows(m);
}

}  // namespace

TEST(ScreenChange, PortraitToLandscapeKeepsRelativePlaces) {
    SimSession s;
    s.Do(ShowGlass);
    s.Check([] { Glass().Settings.ZoomPnt = {120, 300}; });
    s.Do("rotate 320 240");
    s.Check([] {
        const Magnifier& m = Glass();
        EXPECT_EQ(m.ScreenRect, (Rect{0, 0, 320, 240}));
        EXPECT_EQ(m.Settings.WindowRect, (Rect{146, 65, 226, 145}));
        EXPECT_EQ(WindowRectOf(u"MAGNIFYINGGLASS"), (Rect{146, 65, 226, 145}));
        EXPECT_EQ(m.Settings.ZoomPnt, (Point{160, 225}));
        EXPECT_EQ(m.Settings.WindowSize, 80);
        EXPECT_EQ(m.MinWindowSize, 40);
        EXPECT_EQ(m.MaxWindowSize, 156);
        EXPECT_EQ(m.RightZone, (Rect{206, 65, 226, 145}));
        // Both tools are docked by their default places: they keep their offsets.
        EXPECT_EQ(m.ColorPickerDock, DockBottom);
        EXPECT_EQ(m.Settings.ColorPickerRect, (Rect{146, 145, 346, 195}));
        EXPECT_EQ(WindowRectOf(u"MG_COLORPICKER"), (Rect{146, 145, 346, 195}));
        EXPECT_EQ(m.ColorPickerToolRect, (Rect{146, 145, 196, 195}));
        EXPECT_EQ(m.TapeDock, DockTop);
        EXPECT_EQ(m.Settings.TapeRect, (Rect{146, 15, 371, 65}));
        EXPECT_EQ(m.TapeToolRect, (Rect{146, 15, 196, 65}));
        EXPECT_EQ(m.PointerState, StateIdle);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ScreenChange, ClampedGlassFlipsItsDockedPickerAndPushesBackAnUndockedTape) {
    SimSession s;
    s.Do(ShowGlass);
    s.Check([] {
        PlaceWindows({100, 230, 180, 310}, {40, 310, 240, 360}, {100, 50, 325, 100});
        ASSERT_EQ(Glass().ColorPickerDock, DockBottom);
        ASSERT_EQ(Glass().TapeDock, DockNone);
    });
    s.Do("rotate 320 240");
    s.Check([] {
        const Magnifier& m = Glass();
        EXPECT_EQ(m.Settings.WindowRect, (Rect{146, 160, 226, 240}));  // (146, 162) clamped to the bottom
        EXPECT_EQ(m.ColorPickerDock, DockTop);
        EXPECT_EQ(m.Settings.ColorPickerRect, (Rect{86, 110, 286, 160}));
        EXPECT_EQ(WindowRectOf(u"MG_COLORPICKER"), (Rect{86, 110, 286, 160}));
        // The undocked tape keeps its relative centre but is pushed back inside the right edge.
        EXPECT_EQ(m.TapeDock, DockNone);
        EXPECT_EQ(m.Settings.TapeRect, (Rect{95, 31, 320, 81}));
        EXPECT_EQ(WindowRectOf(u"MG_TAPE"), (Rect{95, 31, 320, 81}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ScreenChange, GlassAtTheTopEdgeMovesTheToolAboveItBelowIt) {
    SimSession s;
    s.Do(ShowGlass);
    s.Check([] {
        PlaceWindows({100, 10, 180, 90}, {0, 250, 200, 300}, {90, -40, 315, 10});
        ASSERT_EQ(Glass().TapeDock, DockTop);
        ASSERT_EQ(Glass().ColorPickerDock, DockNone);
    });
    s.Do("rotate 320 240");
    s.Check([] {
        const Magnifier& m = Glass();
        EXPECT_EQ(m.Settings.WindowRect, (Rect{146, 0, 226, 80}));
        EXPECT_EQ(m.TapeDock, DockBottom);
        EXPECT_EQ(m.Settings.TapeRect, (Rect{136, 80, 361, 130}));
        EXPECT_EQ(m.ColorPickerDock, DockNone);
        EXPECT_EQ(m.Settings.ColorPickerRect, (Rect{33, 181, 233, 231}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ScreenChange, ARotationWhileHiddenMovesTheGlassOnlyWhenItComesUp) {
    for (const bool animation : {true, false}) {
        SCOPED_TRACE(animation ? "with animation" : "without animation");
        SimSession s;
        s.Check([animation] {
            Glass().Settings.ShowAnim = animation;
            Glass().Settings.ZoomPnt = {120, 300};
            PlaceWindows({100, 230, 180, 310}, {40, 310, 240, 360}, {100, 50, 325, 100});
        });
        s.Do("rotate 320 240");
        s.Check([] {
            const Magnifier& m = Glass();
            EXPECT_EQ(m.ScreenRect, (Rect{0, 0, 240, 320}));
            EXPECT_EQ(m.Settings.WindowRect, (Rect{100, 230, 180, 310}));
            EXPECT_EQ(m.Settings.ZoomPnt, (Point{120, 300}));
        });
        s.Do(ShowGlass);
        s.Check([] {
            const Magnifier& m = Glass();
            EXPECT_TRUE(m.Visible);
            EXPECT_EQ(m.ScreenRect, (Rect{0, 0, 320, 240}));
            EXPECT_EQ(WindowRectOf(u"MAGNIFYINGGLASS"), (Rect{146, 160, 226, 240}));
            EXPECT_EQ(m.Settings.ZoomPnt, (Point{160, 225}));
            EXPECT_EQ(m.ColorPickerDock, DockTop);  // docked below, moved above at the bottom edge
            EXPECT_EQ(m.Settings.ColorPickerRect, (Rect{86, 110, 286, 160}));
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(ScreenChange, OnlyTheScreenChangeCodeOnTheGlassEndsADrag) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do("down 140 140\nmove 140 140\nmove 150 150");
    s.Do("send magnifier 0x1A 0x3003 0\nsend picker 0x1A 0x3002 0\nsend tape 0x1A 0x3002 0");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateMoveMagnifier);
        EXPECT_EQ(sim::CaptureWindow(), Glass().MagnifierWindow);
    });
    s.Do("rotate 320 240");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(Glass().AimTimerArmed, 0);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 32512);
    });
    s.Do("move 160 160\nup 160 160\nwait 200");
    s.Check([] { ExpectNoStaleMarks("after a drag cut short by a rotation"); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ScreenChange, ARotationDuringAMeasurementDropsItsFixedPoint) {
    SimSession s;
    s.Do(ShowGlass);
    s.Do(ShowTools);
    // Aim from the tape's handle (the square at (100, 50, 150, 100)), fix a point, draw a line.
    s.Do("down 120 70\nmove 120 70\nmove 60 200\nhotkey 193\nmove 60 260");
    auto text = std::make_shared<std::u16string>();
    s.Check([text] {
        ASSERT_EQ(Glass().PointerState, StateAimTape);
        ASSERT_EQ(Glass().TapeStart, (Point{60, 200}));
        *text = Glass().TapeText;
    });
    s.Do("rotate 320 240");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(Glass().TapeStart, (Point{-1, -1}));
    });
    s.Do("up 60 260\nwait 200");
    s.Check([text] {
        EXPECT_EQ(std::u16string(Glass().TapeText), *text);
        ExpectNoStaleMarks("after the rotation");
    });
    // A new aim from the handle draws no line and keeps the text.
    s.Check([] { ASSERT_EQ(Glass().TapeToolRect, (Rect{146, 15, 196, 65})); });
    s.Do("down 160 40\nmove 160 40\nmove 100 200\nmove 110 210");
    s.Check([text] {
        EXPECT_EQ(Glass().PointerState, StateAimTape);
        EXPECT_EQ(std::u16string(Glass().TapeText), *text);
    });
    s.Do("up 110 210\nwait 200");
    s.Check([] { ExpectNoStaleMarks("after a new aim"); });
    EXPECT_EQ(s.Start(), 0);
}

// A rotation repaints the whole screen, so a locator ring on it is gone: the flash ends without
// drawing, where an erase after the rotation used to leave a ring on the new screen.
TEST(ScreenChange, ARotationEndsALocatorFlashWithoutLeavingARing) {
    struct Row {
        const char* before;  // the glass shown or not
        const char* wait;    // from the request to the rotation
        const char* rotate;
    };
    for (const Row& row : {Row{"", "wait 480", "rotate 480 640"}, Row{"", "wait 50", "rotate 320 240"},
                           Row{"tray tap\nwait 1200", "wait 50", "rotate 320 240"},
                           Row{"tray tap\nwait 1200", "wait 480", "rotate 480 640"}}) {
        SimSession s;
        s.Do(row.before);
        s.Do(std::string("focus magnifier\nalt down\nchar z\nalt up\n") + row.wait);
        s.Check([] { EXPECT_GT(Glass().LocatorCount, 0u) << "the flash runs"; });
        s.Do(std::string(row.rotate) + "\nwait 2000");
        s.Check([row] {
            EXPECT_EQ(Glass().LocatorCount, 0u);
            ExpectNoStaleMarks(row.rotate);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}
