// The colour picker: RGB to HSB conversion and the text it shows; and, on the simulated handheld,
// sampling with the eyedropper, moving the window and its paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "magnifier/SkinLayout.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"
#include "shell/ShellState.h"
#include "tools/ColorPicker.h"

using platform::Rgb;

namespace {

using namespace program_test;

std::u16string TextOf(const char16_t* text) { return std::u16string(text); }

std::u16string PickerTextFor(platform::ColorRef color) {
    Magnifier m;
    m.PickedColor = color;
    UpdateColorPickerText(m);
    return TextOf(m.ColorPickerText);
}

}  // namespace

TEST(ColorPickerText, TableOfSampleColours) {
    struct Case { uint8_t r, g, b; const char16_t* text; } cases[] = {
        {0, 0, 0, u"R:0 G:0 B:0\nH:0 S:0 B:0"},
        {255, 255, 255, u"R:255 G:255 B:255\nH:0 S:0 B:100"},
        {128, 128, 128, u"R:128 G:128 B:128\nH:0 S:0 B:50"},
        {255, 0, 0, u"R:255 G:0 B:0\nH:0 S:100 B:100"},
        {0, 255, 0, u"R:0 G:255 B:0\nH:120 S:100 B:100"},
        {0, 0, 255, u"R:0 G:0 B:255\nH:240 S:100 B:100"},
        {255, 128, 0, u"R:255 G:128 B:0\nH:30 S:100 B:100"},
        {255, 0, 255, u"R:255 G:0 B:255\nH:300 S:100 B:100"},
        {3, 2, 1, u"R:3 G:2 B:1\nH:30 S:67 B:1"},
        {255, 0, 1, u"R:255 G:0 B:1\nH:360 S:100 B:100"},  // hue just below 360 rounds up to 360
        {200, 200, 50, u"R:200 G:200 B:50\nH:60 S:75 B:78"},   // two channels share the maximum
        {50, 200, 200, u"R:50 G:200 B:200\nH:180 S:75 B:78"},
        {200, 50, 200, u"R:200 G:50 B:200\nH:300 S:75 B:78"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PickerTextFor(Rgb(c.r, c.g, c.b)), std::u16string(c.text))
            << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
}

// ---- On the simulated handheld ----

namespace {

namespace sim = platform::sim;
using platform::Rect;

// After ShowGlass and ShowTools on a 240 x 320 screen the glass stands at (100, 100, 180, 180) and
// the picker below it at (100, 180, 300, 230), its colour square (100, 180, 150, 230).

// The picker window's pixels outside its text rectangle: the skin strip where it is not the key
// colour, else the colour square (left 50 pixels) or the grey background. With no skin strip (the
// built-in fallback skin) only the square and the grey.
void ExpectPickerPicture(const Rect& window, platform::ColorRef picked, const sim::Image* skin) {
    const platform::ColorRef key = skin ? skin->At(175, 175) : 0;
    const Rect text{50 + 1 - 1, 8 - 1, 200 - 1 + 1, 50 - 8 + 1};
    int mismatches = 0;
    for (int32_t y = 0; y < 50; ++y) {
        for (int32_t x = 0; x < 200; ++x) {
            if (platform::PointInRectangle(text, {x, y})) continue;
            platform::ColorRef expected = x < 50 ? picked & 0xFFFFFF : platform::ColorRef(0x808080);
            if (skin && skin->At(x, 350 + y) != key) expected = skin->At(x, 350 + y);
            const platform::ColorRef actual = sim::ScreenPixel(window.left + x, window.top + y);
            if (actual != expected && mismatches++ < 3) {
                ADD_FAILURE() << "at (" << x << ", " << y << "): " << std::hex << actual << " instead of " << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The text is there: white and black pixels inside its rectangle.
    int white = 0;
    int black = 0;
    for (int32_t y = text.top; y < text.bottom; ++y) {
        for (int32_t x = text.left; x < text.right; ++x) {
            const platform::ColorRef c = sim::ScreenPixel(window.left + x, window.top + y);
            white += c == 0xFFFFFF;
            black += c == 0x000000;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 20);
}

}  // namespace

TEST(ColorPickerSampling, TheEyedropperSamplesTheColourUnderTheCrossHair) {
    SimSession s;
    s.Do("paint 0 250 100 70 FF0000");
    s.Do(ShowGlass).Do(ShowTools);
    s.Do("down 120 200\nmove 120 200");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateAimColorPicker);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 144);
        EXPECT_EQ(sim::CaptureWindow(), Glass().ColorPickerWindow);
    });
    s.Do("move 30 290");
    s.Check([] { EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{30, 290})); });
    s.Do("wait 200");
    s.Check([] {
        EXPECT_EQ(Glass().PickedColor, Rgb(255, 0, 0));
        EXPECT_EQ(TextOf(Glass().ColorPickerText), u"R:255 G:0 B:0\nH:0 S:100 B:100");
    });
    s.Do("up 30 290\nwait 200");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 32512);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{30, 290}));
        EXPECT_EQ(TextOf(Glass().ColorPickerText), u"R:255 G:0 B:0\nH:0 S:100 B:100");
        // The colour square shows through the skin's hole.
        EXPECT_EQ(sim::ScreenPixel(125, 205), Rgb(255, 0, 0));
    });
    EXPECT_EQ(s.Start(), 0);
}

// The picker paints itself again when a sample changes its colour, also a sample outside the timed
// refresh (the first one after a show), and only then.
TEST(ColorPickerSampling, TheFirstSampleAfterAShowReachesThePickerOnTheScreen) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools).Do("tray tap\nwait 1200");  // hidden again, the tools with it
    s.Check([] {
        EXPECT_NE(Glass().PickedColor, Rgb(0, 255, 0));
        Glass().Settings.ZoomPnt = {30, 290};
    });
    s.Do("paint 0 250 100 70 00FF00").Do(ShowGlass);
    s.Check([] {
        EXPECT_EQ(TextOf(Glass().ColorPickerText), u"R:0 G:255 B:0\nH:120 S:100 B:100");
        EXPECT_EQ(sim::ScreenPixel(125, 205), Rgb(0, 255, 0));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ColorPickerSampling, ATapWithoutMovementChangesNothing) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Check([] { Glass().Settings.ZoomPnt = {10, 20}; });
    s.Do("down 120 200\nup 120 200\ndown 200 200\nup 200 200");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(Glass().Settings.ZoomPnt, (platform::Point{10, 20}));
        EXPECT_EQ(PickerWindowRect(), (Rect{100, 180, 300, 230}));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ColorPickerMove, SnapsBelowTheGlassAtNinePixelsNotAtTen) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Do("down 200 205\nmove 200 205");  // the body: grip (100, 25) inside the window
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateMoveColorPicker);
        EXPECT_EQ(sim::CurrentCursorId().value_or(0), 32646);
        EXPECT_EQ(Glass().GrabPoint, (platform::Point{100, 25}));
    });
    s.Do("move 200 300");
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ColorPickerRect, (Rect{100, 275, 300, 325}));
        EXPECT_EQ(Glass().ColorPickerDock, DockNone);
        EXPECT_EQ(PickerWindowRect(), (Rect{100, 180, 300, 230}));  // moves only on release
    });
    s.Do("move 210 214");  // top 189: nine pixels below the glass
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ColorPickerRect, (Rect{110, 180, 310, 230}));
        EXPECT_EQ(Glass().ColorPickerDock, DockBottom);
    });
    s.Do("move 210 215");  // top 190: ten pixels
    s.Check([] {
        EXPECT_EQ(Glass().Settings.ColorPickerRect, (Rect{110, 190, 310, 240}));
        EXPECT_EQ(Glass().ColorPickerDock, DockNone);
    });
    s.Do("up 210 215\nwait 200");
    s.Check([] {
        EXPECT_EQ(Glass().PointerState, StateIdle);
        EXPECT_EQ(PickerWindowRect(), (Rect{110, 190, 310, 240}));
        EXPECT_EQ(Glass().ColorPickerToolRect, (Rect{110, 190, 160, 240}));
        ExpectNoStaleMarks("after moving the picker");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ColorPickerPaint, SkinStripColourSquareAndShadowedText) {
    // 480 x 640: the picker stands fully on the screen at (100, 260, 300, 310).
    SimSession s({.screenWidth = 480, .screenHeight = 640});
    s.Do(ShowGlass).Do(ShowTools);
    s.Check([] {
        const std::optional<sim::Image> skin =
            sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/VezoZevode.bmp");
        ASSERT_TRUE(skin.has_value());
        ASSERT_EQ(PickerWindowRect(), (Rect{100, 260, 300, 310}));
        ExpectPickerPicture(PickerWindowRect(), Glass().PickedColor, &*skin);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ColorPickerPaint, TheFallbackSkinGivesGreyColourSquareAndText) {
    SimSession s({.screenWidth = 480, .screenHeight = 640});
    s.Do(ShowGlass).Do(ShowTools);
    s.Check([] {
        std::u16string missing = u"NoSuchSkin.bmp";
        std::copy(missing.begin(), missing.end() + 1, Glass().Settings.SkinName);
        LayoutWindows(Glass());
        Glass().PickedColor = Rgb(10, 200, 30);
        UpdateColorPickerText(Glass());
    });
    s.Do("wait 200");
    s.Check([] {
        ASSERT_EQ(PickerWindowRect(), (Rect{100, 260, 300, 310}));
        ExpectPickerPicture(PickerWindowRect(), Glass().PickedColor, nullptr);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ToolPaints, ReleaseEverythingTheyMake) {
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Check([] {
        const std::map<std::string, int64_t> before = sim::ObjectCounts();
        for (int i = 0; i < 5; ++i) sim::FreshRepaint();  // paints all three windows each time
        EXPECT_EQ(sim::ObjectCounts(), before);
    });
    EXPECT_EQ(s.Start(), 0);
}
