// Showing and hiding the glass and the tool windows: the animation's frames, the tool windows coming
// and going with the glass, the first colour sample, the sounds and the locator ring.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Animation.h"
#include "magnifier/SkinLayout.h"

using namespace platform;
using glass_test::Options;
using glass_test::RunWithGlass;
using sim::Image;

namespace {

const std::u16string MainSound = u"\\Program Files\\Vistrel\\Sounds\\MainWindow.wav";
const std::u16string OtherSound = u"\\Program Files\\Vistrel\\Sounds\\OtherWindows.wav";

Options LargeScreen() {
    Options options;
    options.width = 480;
    options.height = 640;
    return options;
}

bool Shown(Window window) { return IsWindowShown(window); }

int32_t ShownSide(const Magnifier& m) {
    const Rect r = glass_test::WindowRectOf(m.MagnifierWindow);
    EXPECT_EQ(r.right - r.left, r.bottom - r.top);
    EXPECT_EQ(r, m.Settings.WindowRect);
    return r.right - r.left;
}

size_t Count(const std::vector<std::u16string>& sounds, const std::u16string& name) {
    size_t n = 0;
    for (const auto& s : sounds) n += s == name;
    return n;
}

// A 200-pixel glass at (100, 100) with its zones and lens geometry up to date.
void PlaceTwoHundred(Magnifier& m) {
    glass_test::PlaceGlass(m, Rect{100, 100, 300, 300});
    UpdateMagnifierZones(m);
}

}  // namespace

TEST(Animation, ShowGrowsOverTenTicksAndEndsOnTheOldRectangle) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        PlaceTwoHundred(m);
        ShowMagnifier(m);
        EXPECT_EQ(m.ShowSteps, 10);
        EXPECT_FALSE(m.Visible);
        std::vector<int32_t> sides;
        for (int tick = 0; tick < 10; ++tick) {
            StepAnimation(m, false);
            sides.push_back(ShownSide(m));
            EXPECT_TRUE(m.Visible);
            EXPECT_TRUE(Shown(m.MagnifierWindow));
        }
        EXPECT_EQ(sides, (std::vector<int32_t>{0, 40, 80, 120, 160, 200, 240, 180, 220, 200}));
        EXPECT_EQ(m.Settings.WindowRect, (Rect{100, 100, 300, 300}));
        EXPECT_EQ(m.Settings.WindowSize, 200);
        EXPECT_EQ(m.ShowSteps, 0);
        EXPECT_FALSE(m.FirstSampleDone);
        StepAnimation(m, false);  // the one sampling render follows
        EXPECT_TRUE(m.FirstSampleDone);
    });
    EXPECT_EQ(sim::Sounds(), (std::vector<std::u16string>{MainSound}));
}

TEST(Animation, HideAllShrinksOverSixTicksThenHidesAndRestores) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        PlaceTwoHundred(m);
        m.Settings.ShowColorPicker = 1;
        ShowMagnifier(m);
        for (int tick = 0; tick < 11; ++tick) StepAnimation(m, false);
        ASSERT_TRUE(m.Visible);
        ASSERT_TRUE(Shown(m.ColorPickerWindow));
        HideAll(m);
        EXPECT_FALSE(Shown(m.ColorPickerWindow));  // at once, keeping the setting
        EXPECT_EQ(m.Settings.ShowColorPicker, 1);
        std::vector<int32_t> sides;
        for (int tick = 0; tick < 6; ++tick) {
            EXPECT_FALSE(m.Hidden);
            StepAnimation(m, false);
            if (Shown(m.MagnifierWindow))
                sides.push_back(glass_test::WindowRectOf(m.MagnifierWindow).right -
                                glass_test::WindowRectOf(m.MagnifierWindow).left);
        }
        EXPECT_EQ(sides, (std::vector<int32_t>{240, 200, 160, 120, 80}));  // the sixth tick hides the 40 frame
        EXPECT_TRUE(m.Hidden);
        EXPECT_FALSE(m.Visible);
        EXPECT_FALSE(Shown(m.MagnifierWindow));
        EXPECT_EQ(m.Settings.WindowRect, (Rect{100, 100, 300, 300}));
        EXPECT_EQ(m.Settings.WindowSize, 200);
        // The hidden window stands at the restored rectangle, with zones to match, so that a show
        // without the animation reveals it at its size.
        EXPECT_EQ(glass_test::WindowRectOf(m.MagnifierWindow), (Rect{100, 100, 300, 300}));
        EXPECT_EQ(m.RightZone, (Rect{250, 100, 300, 300}));
    });
    EXPECT_EQ(Count(sim::Sounds(), MainSound), 2u);
    EXPECT_EQ(Count(sim::Sounds(), OtherSound), 0u);
}

TEST(Animation, RequestsDuringAnAnimationAreDropped) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        PlaceTwoHundred(m);
        ShowMagnifier(m);
        StepAnimation(m, false);
        HideAll(m);
        ShowMagnifier(m);
        EXPECT_EQ(m.HideSteps, 0);
        EXPECT_EQ(m.ShowSteps, 9);
    });
    EXPECT_EQ(sim::Sounds().size(), 1u);
}

TEST(Animation, WithoutAnimationTheGlassAndItsToolsComeUpOnTheNextTick) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        PlaceTwoHundred(m);
        m.Settings.ShowAnim = 0;
        m.Settings.ShowColorPicker = 1;
        m.Settings.ShowTape = 1;
        ShowMagnifier(m);
        EXPECT_FALSE(Shown(m.MagnifierWindow));
        StepAnimation(m, false);
        EXPECT_TRUE(m.Visible);
        EXPECT_EQ(ShownSide(m), 200);
        EXPECT_TRUE(Shown(m.ColorPickerWindow));
        EXPECT_TRUE(Shown(m.TapeWindow));
        EXPECT_FALSE(m.FirstSampleDone);
        StepAnimation(m, false);
        EXPECT_TRUE(m.FirstSampleDone);
        HideMagnifier(m);  // at once
        EXPECT_TRUE(m.Hidden);
        EXPECT_FALSE(m.Visible);
        EXPECT_FALSE(Shown(m.MagnifierWindow));
    });
    EXPECT_EQ(sim::Sounds(), (std::vector<std::u16string>{MainSound}));  // the tools came up silently
}

TEST(Animation, AHideWhileHiddenStillRunsAndSounds) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        PlaceTwoHundred(m);
        HideAll(m);
        for (int tick = 0; tick < 6; ++tick) StepAnimation(m, false);
        EXPECT_TRUE(m.Hidden);
        EXPECT_EQ(m.Settings.WindowRect, (Rect{100, 100, 300, 300}));
    });
    EXPECT_EQ(sim::Sounds(), (std::vector<std::u16string>{MainSound}));
}

TEST(Sounds, PlayOnlyWhenSwitchedOnAndPresent) {
    struct Case {
        const char* what;
        bool soundsFolder;
        int32_t playSound;
        bool played;
    } cases[] = {{"on, with sounds", true, 1, true}, {"switched off", true, 0, false}, {"no Sounds folder", false, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Options options;
        options.home = glass_test::MakeHome(std::string("sounds-") + (c.soundsFolder ? "yes" : "no"), true, c.soundsFolder);
        RunWithGlass(options, [&](Magnifier& m) {
            m.Settings.PlaySound = c.playSound;
            EXPECT_EQ(PlayToolSound(m, MainWindowSound), c.played);
            EXPECT_FALSE(PlayToolSound(m, u"Missing.wav"));
            ShowMagnifier(m);  // also silent or not, and never failing
        });
        EXPECT_EQ(sim::Sounds().size(), c.played ? 2u : 0u);
    }
}

TEST(Locator, TheRingFlashesFourTimesAndLeavesTheScreenAsItWas) {
    Options options = LargeScreen();
    RunWithGlass(options, [](Magnifier& m) {
        m.Settings.ZoomPnt = Point{240, 320};
        m.FirstSampleDone = true;
        RenderView(m, true, false, false);
        const Image before = sim::Screen();
        RequestLocator(m);
        std::vector<bool> drawn;
        for (int tick = 0; tick < 32; ++tick) {
            StepAnimation(m, false);
            const bool changed = !(sim::Screen() == before);
            EXPECT_EQ(changed, LocatorRingDrawn(m.LocatorCount)) << tick;
            drawn.push_back(changed);
        }
        const std::vector<bool> expected = {1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0,
                                            1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0};
        EXPECT_EQ(drawn, expected);
        EXPECT_EQ(m.LocatorCount, 0u);
        EXPECT_TRUE(sim::Screen() == before);
    });
}

TEST(Locator, TheRingSurroundsTheSourceArea) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        m.Settings.ZoomPnt = Point{240, 320};
        m.FirstSampleDone = true;
        RenderView(m, true, false, false);
        const Image before = sim::Screen();
        RequestLocator(m);
        StepAnimation(m, false);
        const Image& after = sim::Screen();
        Rect bounds{1 << 20, 1 << 20, -1, -1};
        for (int32_t y = 0; y < after.height; ++y)
            for (int32_t x = 0; x < after.width; ++x)
                if (after.At(x, y) != before.At(x, y)) {
                    EXPECT_EQ(after.At(x, y), before.At(x, y) ^ 0x00FFFFFFu);  // a white pen under XOR
                    bounds = Rect{std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                                  std::max(bounds.bottom, y + 1)};
                }
        Rect ring = m.SourceRect;
        InflateRectangle(&ring, 2, 2);
        EXPECT_EQ(m.LocatorRect, m.SourceRect);
        EXPECT_EQ(bounds, ring);  // the ellipse fills its box, right and bottom exclusive
        EXPECT_FALSE(after.At(240, 320) != before.At(240, 320));  // the inside is left alone
    });
}

TEST(Locator, ANewRequestOrTheShutdownRemovesARingOnTheScreen) {
    RunWithGlass(LargeScreen(), [](Magnifier& m) {
        m.Settings.ZoomPnt = Point{240, 320};
        m.FirstSampleDone = true;
        RenderView(m, true, false, false);
        const Image before = sim::Screen();
        RequestLocator(m);
        StepAnimation(m, false);
        StepAnimation(m, false);
        ASSERT_FALSE(sim::Screen() == before);
        // The zoom point moves while the ring is up: the removal still uses the ring's own rectangle.
        m.Settings.ZoomPnt = Point{100, 100};
        RenderView(m, true, false, false);
        RequestLocator(m);
        StepAnimation(m, false);
        EXPECT_TRUE(sim::Screen() == before);
        EXPECT_EQ(m.LocatorCount, 29u);
        StepAnimation(m, false);
        EXPECT_FALSE(sim::Screen() == before);
        EXPECT_EQ(m.LocatorRect, m.SourceRect);
        StopLocator(m);
        EXPECT_TRUE(sim::Screen() == before);
        EXPECT_EQ(m.LocatorCount, 0u);
        EXPECT_FALSE(m.LocatorRequest);
    });
}

// ---- The running program ----

// Switching the animation off on the sheet while the glass shrinks: the hidden glass must stand at its
// restored rectangle, because a show without the animation reveals the window where it stands (it
// used to come up as the last, shrunken frame of the hide).
TEST(Animation, AShowWithoutAnimationRevealsTheGlassAtItsSize) {
    using namespace program_test;
    SimSession s;
    s.Do(ShowGlass);
    s.Do("tray tap\nwait 640");
    s.Check([] { ASSERT_GT(Glass().HideSteps, 0); });
    s.Do("tray double\nmenu 7\nsheet check 1002 0\nsheet ok\nwait 1000");
    s.Check([] {
        EXPECT_FALSE(Glass().Visible);
        EXPECT_EQ(Glass().Settings.ShowAnim, 0);
    });
    s.Do("tray tap\nwait 700");
    s.Check([] {
        EXPECT_TRUE(Glass().Visible);
        EXPECT_EQ(MagnifierWindowRect(), Glass().Settings.WindowRect);
        EXPECT_EQ(Glass().Settings.WindowRect, (Rect{100, 100, 180, 180}));
        EXPECT_EQ(Glass().RightZone, (Rect{160, 100, 180, 180}));
        ExpectNoStaleMarks("after the show");
    });
    EXPECT_EQ(s.Start(), 0);
}

// A tool window switched on while the glass shrinks (the glass is still Visible then) comes up with the
// next show instead of staying on the screen without the glass.
TEST(ToolWindows, SwitchedOnDuringTheHideTheyComeBackWithTheGlass) {
    using namespace program_test;
    SimSession s;
    s.Do(ShowGlass);
    s.Do("tray tap\nwait 640\ntray double\nmenu 4\nwait 600");
    s.Check([] {
        EXPECT_FALSE(Glass().Visible);
        EXPECT_EQ(Glass().Settings.ShowColorPicker, 1);
        EXPECT_FALSE(Shown(Shell().ColorPickerWindow));
    });
    s.Do("tray tap\nwait 1200");
    s.Check([] { EXPECT_TRUE(Shown(Shell().ColorPickerWindow)); });
    EXPECT_EQ(s.Start(), 0);
}

// The ring is drawn in XOR on the screen; windows that show, hide, grow or shrink take parts of it with
// them. A flash ends before a show or hide and before the sheet opens, a request made during an
// animation waits for its end, and a window that painted itself over the ring paints again after the
// ring is removed. No mark is left in any of these.
TEST(Locator, WindowsThatChangeUnderTheRingLeaveNoMarks) {
    using namespace program_test;
    const std::string locate = "focus magnifier\nalt down\nchar z\nalt up\n";
    SimSession s;
    // A request during the show animation waits for its end.
    s.Do("tray tap\nwait 640\n" + locate);
    s.Check([] {
        EXPECT_GT(Glass().ShowSteps, 0);
        EXPECT_EQ(Glass().LocatorCount, 0u);
    });
    s.Do("wait 600");
    s.Check([] { EXPECT_GT(Glass().LocatorCount, 0u) << "the flash runs once the show is over"; });
    s.Do("wait 2000");
    s.Check([] { ExpectNoStaleMarks("a flash after the show"); });
    // A hide during a flash ends it.
    s.Do(locate + "wait 50\nkey 27");
    s.Check([] { EXPECT_EQ(Glass().LocatorCount, 0u); });
    s.Do("wait 1000");
    s.Check([] { ExpectNoStaleMarks("a hide during a flash"); });
    // The sheet opened during a flash ends it.
    s.Do("tray tap\nwait 1200\n" + locate + "wait 50\ntray double\nmenu 7");
    s.Check([] { EXPECT_EQ(Glass().LocatorCount, 0u); });
    s.Do("sheet ok\nwait 1000");
    s.Check([] { ExpectNoStaleMarks("the sheet during a flash"); });
    // The tape window over the ring repaints during a measurement; the ring's removal repaints it again.
    s.Do("tray double\nmenu 10\nwait 200\ndown 200 75\nmove 200 75\nmove 110 35\nup 110 35\nwait 300");
    s.Check([] {
        Rect overlap;
        ASSERT_TRUE(IntersectRectangles(&overlap, TapeWindowRect(), Rect{-2, -2, 22, 22}))
            << "the tape lies over the ring around the zoom point (0, 0)";
    });
    s.Do(locate + "wait 40\ndown 15 30\nmove 15 30\nhotkey 193\nmove 20 30\nup 20 30\nwait 2000");
    s.Check([] { ExpectNoStaleMarks("a measurement on a tape under the ring"); });
    EXPECT_EQ(s.Start(), 0);
}

// The ring's outermost row may lie under a window of the program that repaints itself during the flash:
// removing the ring must have that window paint itself again, or the removal leaves its row inverted.
TEST(Locator, AWindowOverTheRingsOuterRowPaintsAgainAfterTheRemoval) {
    using namespace program_test;
    SimSession s;
    s.Do(ShowGlass);
    // A 20 x 20 source area at (130, 181): the ring's box (128, 179, 152, 203) has its top row under the
    // glass at (100, 100, 180, 180).
    s.Check([] { Glass().Settings.ZoomPnt = Point{140, 191}; });
    s.Do("wait 120\nfocus magnifier\nalt down\nchar z\nalt up");
    // Between the flashes, not only after the glass's next refresh.
    for (int i = 0; i < 130; ++i) {
        s.Do("wait 10");
        s.Check([] {
            if (!LocatorRingDrawn(Glass().LocatorCount)) ExpectNoStaleMarks("the glass over the ring's top row");
        });
    }
    s.Check([] { EXPECT_EQ(Glass().LocatorRect, (Rect{130, 181, 150, 201})); });
    EXPECT_EQ(s.Start(), 0);
}
