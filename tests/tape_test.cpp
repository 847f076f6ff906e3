// The tape measure: the measurement text, the resolution of 0 pixels per inch, and, on the simulated
// handheld, measuring with the stylus and the tape key, the XOR line and moving the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "magnifier/SkinLayout.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"
#include "settings/Settings.h"
#include "shell/ShellState.h"
#include "tools/Tape.h"

using platform::Point;

namespace {

using namespace program_test;

std::u16string TapeTextFor(Point start, Point end, Resolution ppi) {
    char16_t text[128] = {};
    FormatTapeText(start, end, ppi, text);
    return std::u16string(text);
}

}  // namespace

TEST(TapeText, TableOfMeasurements) {
    struct Case { Point start, end; Resolution ppi; const char16_t* text; } cases[] = {
        {{10, 20}, {13, 24}, {72, 72}, u"10:20 - 13:24\n5.00px   0.18cm"},
        {{0, 0}, {100, 0}, {96, 96}, u"0:0 - 100:0\n100.00px   2.65cm"},
        {{0, 0}, {240, 320}, {96, 128}, u"0:0 - 240:320\n400.00px   8.98cm"},
        {{5, 5}, {5, 77}, {72, 144}, u"5:5 - 5:77\n72.00px   1.27cm"},
        {{100, 100}, {100, 100}, {72, 72}, u"100:100 - 100:100\n0.00px   0.00cm"},
        // Either direction gives the same distances.
        {{13, 24}, {10, 20}, {72, 72}, u"13:24 - 10:20\n5.00px   0.18cm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TapeTextFor(c.start, c.end, c.ppi), std::u16string(c.text));
    }
}

TEST(TapeText, AnAxisWithoutAResolutionTakesTheOtherAxissValue) {
    struct Case { Resolution ppi; const char16_t* text; } cases[] = {
        {{0, 96}, u"0:0 - 100:0\n100.00px   2.65cm"},    // horizontal 0: uses 96
        {{96, 0}, u"0:0 - 100:0\n100.00px   2.65cm"},    // vertical 0: uses 96
        {{-5, 96}, u"0:0 - 100:0\n100.00px   2.65cm"},   // below 0 counts as no resolution
        {{0, 0}, u"0:0 - 100:0\n100.00px   -.--cm"},     // neither: no centimetre figure
        {{-1, -1}, u"0:0 - 100:0\n100.00px   -.--cm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TapeTextFor({0, 0}, {100, 0}, c.ppi), std::u16string(c.text)) << c.ppi.x << "," << c.ppi.y;
    }
    // A zero-length measurement on a screen without resolution shows no figure either, never "nan".
    EXPECT_EQ(TapeTextFor({7, 7}, {7, 7}, {0, 0}), u"7:7 - 7:7\n0.00px   -.--cm");
    EXPECT_EQ(TapeTextFor({7, 7}, {7, 7}, {0, 72}), u"7:7 - 7:7\n0.00px   0.00cm");
}

TEST(TapeText, ExtremeCoordinatesStayTerminatedWithinTheBuffer) {
    char16_t text[128];
    for (auto& c : text) c = u'x';
    FormatTapeText({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {1, 1}, text);
    const std::u16string s(text);
    ASSERT_LT(s.size(), 128u);
    EXPECT_EQ(s.substr(0, 48), u"-2147483648:-2147483648 - 2147483647:2147483647\n");
    EXPECT_NE(s.find(u"px   "), std::u16string::npos);
    EXPECT_EQ(s.substr(s.size() - 2), u"cm");
}

// ---- On the simulated handheld ----

namespace {

namespace sim = platform::sim;
using platform::Rect;

// After ShowGlass and ShowTools on a 240 x 320 screen the glass stands at (100, 100, 180, 180), the
// tape above it at (100, 50, 325, 100) with its handle (100, 50, 150, 100), the picker below it at
// (100, 180, 300, 230).
constexpr platform::ColorRef Green = platform::Rgb(0, 255, 0);
constexpr platform::ColorRef Magenta = platform::Rgb(255, 0, 255);  // green inverted

std::u16string Text() { return std::u16string(Glass().TapeText); }

const std::u16string InitialText = u"0000:0000 - 0000:0000\n0000.00px   0000.00cm";

}  // namespace

TEST(TapeMeasure, TheTapeKeyFixesAPointAndTheLineFollowsTheStylus) {
    SimSession s;
    s.Do("paint 0 190 100 100 00FF00");
    s.Do(ShowGlass).Do(ShowTools);
    s.Do("hotkey 193");  // outside a measurement: nothing
    s.Check([] {
        EXPECT_EQ(Glass().TapeStart, (platform::Point{-1, -1}));
        EXPECT_EQ(Text(), InitialText);
    });
    s.Do("down 120 70\nmove 120 70");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateAimTape);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 149);
        EXPECT_EQ(sim::CaptureWindow(), Glass().TapeWindow);
        const sim::Image shown = glass_test::ReadView(Glass());  // with the cross-hair at once
        RenderView(Glass(), true, false, false);
        EXPECT_GT(DifferingPixels(shown, glass_test::ReadView(Glass())), 0);
    });
    s.Do("move 60 200\nhotkey 193 up");  // a key-up does nothing
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{60, 200}));
        EXPECT_EQ(Glass().TapeStart, (platform::Point{-1, -1}));
        EXPECT_EQ(Text(), InitialText);
    });
    s.Do("hotkey 193");
    s.Check([] {
        EXPECT_EQ(Glass().TapeStart, (platform::Point{60, 200}));
        EXPECT_EQ(Text(), u"60:200 - 60:200\n0.00px   0.00cm");
    });
    s.Do("move 60 260");
    s.Check([] {
        EXPECT_EQ(Text(), u"60:200 - 60:260\n60.00px   2.12cm");
        EXPECT_EQ(sim::ScreenPixel(60, 230), Magenta);  // the XOR line inverts the green
        EXPECT_EQ(sim::ScreenPixel(61, 230), Green);
    });
    s.Do("move 90 240");
    s.Check([] {
        EXPECT_EQ(Text(), u"60:200 - 90:240\n50.00px   1.76cm");
        EXPECT_EQ(sim::ScreenPixel(60, 230), Green);  // the old line is gone
        EXPECT_EQ(sim::ScreenPixel(75, 220), Magenta);
    });
    s.Do("up 90 240\nwait 200");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 32512);
        EXPECT_EQ(Glass().TapeStart, (platform::Point{-1, -1}));
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{90, 240}));
        EXPECT_EQ(Text(), u"60:200 - 90:240\n50.00px   1.76cm");  // the last figures stay
        EXPECT_EQ(sim::ScreenPixel(75, 220), Green);
        ExpectNoStaleMarks("after a measurement");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(TapeMeasure, RightClickAndCtrlFixAPointAgain) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Do("down 120 70\nmove 120 70\nmove 30 250\nrightclick 20 210");
    s.Check([] {
        EXPECT_EQ(Glass().TapeStart, (platform::Point{20, 210}));
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{20, 210}));
    });
    s.Do("move 20 282");
    s.Check([] { EXPECT_EQ(Text(), u"20:210 - 20:282\n72.00px   2.54cm"); });
    s.Do("focus tape\nkey 0x11");  // Ctrl: a new start at the cursor
    s.Check([] {
        EXPECT_EQ(Glass().TapeStart, (platform::Point{20, 282}));
        EXPECT_EQ(Text(), u"20:282 - 20:282\n0.00px   0.00cm");
    });
    s.Do("move 20 210\nup 20 210\nwait 200");
    s.Check([] {
        EXPECT_EQ(Text(), u"20:282 - 20:210\n72.00px   2.54cm");
        ExpectNoStaleMarks("after two measurements");
    });
    // A new aim keeps the text until the tape key is pressed.
    s.Do("down 120 70\nmove 120 70\nmove 50 50\nmove 60 60");
    s.Check([] { EXPECT_EQ(Text(), u"20:282 - 20:210\n72.00px   2.54cm"); });
    s.Do("up 60 60\nwait 200");
    EXPECT_EQ(s.Start(), 0);
}

TEST(TapeMeasure, AScreenWithoutResolutionShowsNoCentimetreFigure) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Check([] { Glass().Settings.DevicePPI = {0, 0}; });
    s.Do("down 120 70\nmove 120 70\nmove 10 200\nhotkey 193\nmove 40 240");
    s.Check([] { EXPECT_EQ(Text(), u"10:200 - 40:240\n50.00px   -.--cm"); });
    s.Check([] { Glass().Settings.DevicePPI = {0, 72}; });
    s.Do("move 40 241\nmove 40 240");
    s.Check([] { EXPECT_EQ(Text(), u"10:200 - 40:240\n50.00px   1.76cm"); });
    s.Do("up 40 240");
    EXPECT_EQ(s.Start(), 0);
}

TEST(TapeWindow, MovesSnapsAboveButNotOntoThePickersSide) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Do("down 200 75\nmove 200 75\nmove 200 275\nup 200 275");
    s.Check([] {
        EXPECT_EQ(TapeWindowRect(), (Rect{100, 250, 325, 300}));
        EXPECT_EQ(Glass().TapeToolRect, (Rect{100, 250, 150, 300}));
        EXPECT_EQ(Glass().TapeDock, DockNone);
    });
    // Five pixels below the glass, where the picker is docked: no snap.
    s.Do("down 200 275\nmove 200 275\nmove 200 210\nup 200 210");
    s.Check([] {
        EXPECT_EQ(TapeWindowRect(), (Rect{100, 185, 325, 235}));
        EXPECT_EQ(Glass().TapeDock, DockNone);
    });
    // Four pixels above the glass: snaps flush above it.
    s.Do("down 200 210\nmove 200 210\nmove 205 71");
    s.Check([] {
        EXPECT_EQ(Glass().Settings.TapeRect, (Rect{105, 50, 330, 100}));
        EXPECT_EQ(Glass().TapeDock, DockTop);
    });
    s.Do("up 205 71\nwait 200");
    s.Check([] {
        EXPECT_EQ(TapeWindowRect(), (Rect{105, 50, 330, 100}));
        ExpectNoStaleMarks("after moving the tape");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(TapePaint, SkinStripIsCopiedAndTheFallbackGivesGrey) {
    // 480 x 640: the tape stands fully on the screen at (100, 50, 325, 100).
    SimSession s({.screenWidth = 480, .screenHeight = 640});
    s.Do(ShowGlass).Do(ShowTools);
    const Rect text{50 + 1 - 1, 8 - 1, 225 - 1 + 1, 50 - 8 + 1};
    s.Check([text] {
        const std::optional<sim::Image> skin =
            sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/VezoZevode.bmp");
        ASSERT_TRUE(skin.has_value());
        ASSERT_EQ(TapeWindowRect(), (Rect{100, 50, 325, 100}));
        int mismatches = 0;
        for (int32_t y = 0; y < 50; ++y)
            for (int32_t x = 0; x < 225; ++x)
                if (!platform::PointInRectangle(text, {x, y}))
                    mismatches += sim::ScreenPixel(100 + x, 50 + y) != skin->At(x, 400 + y);
        EXPECT_EQ(mismatches, 0);
    });
    s.Check([] {
        std::u16string missing = u"NoSuchSkin.bmp";
        std::copy(missing.begin(), missing.end() + 1, Glass().Settings.SkinName);
        LayoutWindows(Glass());
    });
    s.Do("wait 100");
    s.Check([text] {
        int mismatches = 0;
        int white = 0;
        for (int32_t y = 0; y < 50; ++y) {
            for (int32_t x = 0; x < 225; ++x) {
                const platform::ColorRef c = sim::ScreenPixel(100 + x, 50 + y);
                if (platform::PointInRectangle(text, {x, y})) white += c == 0xFFFFFF;
                else mismatches += c != 0x808080;
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(white, 20);
    });
    EXPECT_EQ(s.Start(), 0);
}
