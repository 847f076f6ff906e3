// The application shell on the simulated handheld: start-up, the second copy, the tray icon and its
// timer, the tick, the window procedure's routing of the three windows' messages, and shutdown.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "platform/windowing/Controls.h"
#include "platform/sim/Simulation.h"
#include "shell/Shell.h"
#include "shell/ShellState.h"
#include "shell/WindowProcedure.h"

namespace sim = platform::sim;
using platform::Window;

namespace {

using namespace program_test;

constexpr const char16_t* Title = u"Screen magnifying glass";
constexpr const char16_t* SoundsFolder = u"\\Program Files\\Vistrel\\Sounds\\";

int CountWindowsOfClass(const std::u16string& className) {
    int count = 0;
    for (const sim::WindowInfo& info : sim::TopLevelWindows())
        if (info.className == className) ++count;
    return count;
}

}  // namespace

TEST(ShellStartUp, LeavesThreeHiddenCaptionlessWindowsAndOneTrayIcon) {
    SimSession s;
    s.Config().desktop = sim::Image(240, 320, 0x0000FF);  // red: no colour is sampled before the glass shows
    s.Check([] {
        const ShellState& shell = Shell();
        ASSERT_NE(shell.MagnifierObject, nullptr);
        struct Row {
            Window window;
            const char16_t* className;
        } rows[] = {{shell.MagnifierWindow, u"MAGNIFYINGGLASS"},
                    {shell.ColorPickerWindow, u"MG_COLORPICKER"},
                    {shell.TapeWindow, u"MG_TAPE"}};
        for (const Row& row : rows) {
            std::optional<sim::WindowInfo> info = sim::FindWindowByClass(row.className);
            ASSERT_TRUE(info.has_value());
            EXPECT_EQ(info->handle, row.window);
            EXPECT_EQ(info->title, Title);
            EXPECT_FALSE(info->visible);
            EXPECT_EQ(info->style & platform::StyleCaption, 0u) << "border or caption left";
            EXPECT_EQ(info->exStyle, 0x88u);
        }
        std::vector<sim::TrayInfo> tray = sim::TrayIcons();
        ASSERT_EQ(tray.size(), 1u);
        EXPECT_EQ(tray[0].id, 257u);
        EXPECT_EQ(tray[0].tip, Title);
        EXPECT_EQ(tray[0].callback, 0x8024u);
        EXPECT_EQ(tray[0].owner, shell.MagnifierWindow);
        EXPECT_EQ(shell.ResourceLibrary, nullptr);
        EXPECT_EQ(shell.ResourceInstance, shell.Instance);
        EXPECT_EQ(sim::CurrentCursorId(), std::optional<int>(platform::CursorArrow));
        EXPECT_TRUE(sim::Sounds().empty());
        EXPECT_EQ(std::u16string(Glass().ColorPickerText), u"R:0 G:0 B:0\nH:0 S:0 B:0");
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellStartUp, TranslationLibrarySuppliesTextsAndMissingOnesComeFromTheExecutable) {
    SimSession s;
    s.Config().home = HomeWithLibrary("shell-lib-home",
                                      "STRINGTABLE\nBEGIN\n  1, \"Bildschirmlupe\"\n  3, \"Zeigen\"\nEND\n");
    s.Check([] {
        EXPECT_NE(Shell().ResourceLibrary, nullptr);
        EXPECT_EQ(Shell().ResourceInstance, Shell().ResourceLibrary);
        std::optional<sim::WindowInfo> glass = sim::FindWindowByClass(u"MAGNIFYINGGLASS");
        ASSERT_TRUE(glass.has_value());  // the library has no string 2: the executable's class name
        EXPECT_EQ(glass->title, u"Bildschirmlupe");
        ASSERT_EQ(sim::TrayIcons().size(), 1u);
        EXPECT_EQ(sim::TrayIcons()[0].tip, u"Bildschirmlupe");
    });
    s.Do("tray right\nmenu none");
    s.Check([] {
        std::optional<std::vector<sim::MenuItemInfo>> menu = sim::LastMenu();
        ASSERT_TRUE(menu.has_value());
        ASSERT_EQ(menu->size(), 7u);
        EXPECT_EQ((*menu)[0].text, u"Zeigen");
        EXPECT_EQ((*menu)[1].text, u"Show/hide color");
    });
    EXPECT_EQ(s.Start(), 0);
    ExpectNoLiveHandles();  // the library is freed at shutdown
}

TEST(ShellStartUp, TheTitleTrayTipAndTabTextsAreCutToTheirRoom) {
    SimSession s;
    s.Config().home = HomeWithLibrary("shell-tip-home", "STRINGTABLE\nBEGIN\n  1, \"" + std::string(120, 'x') +
                                                            "\"\n  12, \"" + std::string(60, 'y') + "\"\nEND\n");
    s.Do("tray double\nmenu 7");
    s.Check([] {
        ASSERT_EQ(sim::TrayIcons().size(), 1u);
        EXPECT_EQ(sim::TrayIcons()[0].tip, std::u16string(63, u'x'));
        EXPECT_EQ(sim::FindWindowByClass(u"MAGNIFYINGGLASS").value().title, std::u16string(99, u'x'));
        const std::vector<std::u16string> tabs = sim::controls::TabTextsOf(platform::GetDialogItem(sim::OpenDialog(), 1010));
        ASSERT_FALSE(tabs.empty());
        EXPECT_EQ(tabs[0], std::u16string(50, u'y'));
    });
    s.Do("sheet cancel");
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellStartUp, SecondCopyExitsSilentlyAndLeavesTheFirstUntouched) {
    SimSession s;
    Magnifier* first = nullptr;
    std::map<std::string, int64_t> before;
    s.Check([&] {
        first = Shell().MagnifierObject;
        before = sim::ObjectCounts();
    });
    s.Do("second");
    s.Check([&] {
        EXPECT_EQ(Shell().MagnifierObject, first);
        EXPECT_EQ(sim::TrayIcons().size(), 1u) << "the second copy's tray icon stayed";
        EXPECT_EQ(CountWindowsOfClass(u"MAGNIFYINGGLASS"), 1);
        EXPECT_EQ(sim::ObjectCounts(), before) << "the second copy left handles behind";
    });
    s.Do("tray tap\nwait 1200");  // the first copy still works
    s.Check([] { EXPECT_TRUE(IsVisible(Glass())); });
    EXPECT_EQ(s.Start(), 0);
    ASSERT_FALSE(s.Output().empty());
    EXPECT_EQ(s.Output().front(), "{\"second_exit\": 0}");
}

TEST(ShellTray, SingleTapTogglesAfter600MillisecondsAndARepeatedTapRestartsTheDelay) {
    SimSession s;
    s.Do("tray tap\nwait 599");
    s.Check([] {
        EXPECT_EQ(Glass().ShowSteps, 0);
        EXPECT_FALSE(IsVisible(Glass()));
        EXPECT_TRUE(sim::Sounds().empty());
    });
    s.Do("wait 1");
    s.Check([] {
        EXPECT_EQ(SoundNames(), std::vector<std::u16string>{u"MainWindow.wav"});
        EXPECT_TRUE(Glass().ShowSteps != 0 || IsVisible(Glass()));
    });
    s.Do("wait 600");
    s.Check([] { EXPECT_TRUE(IsVisible(Glass())); });
    s.Do("tray tap\nwait 300\ntray tap\nwait 599");
    s.Check([] { EXPECT_EQ(Glass().HideSteps, 0) << "the first tap should have been restarted"; });
    s.Do("wait 1");
    s.Check([] { EXPECT_GT(Glass().HideSteps, 0); });
    s.Do("wait 400");
    s.Check([] {
        EXPECT_FALSE(IsVisible(Glass()));
        EXPECT_TRUE(IsHidden(Glass()));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellTray, DoubleTapAndRightButtonOpenTheMenuWithoutToggling) {
    for (const char* gesture : {"tray double", "tray right"}) {
        SCOPED_TRACE(gesture);
        SimSession s;
        s.Do(std::string(gesture) + "\nmenu none\nwait 1000");
        s.Check([] {
            ASSERT_TRUE(sim::LastMenu().has_value());
            EXPECT_EQ(sim::LastMenu()->size(), 7u);
            EXPECT_EQ(Glass().ShowSteps, 0);
            EXPECT_FALSE(IsVisible(Glass()));
            EXPECT_TRUE(sim::Sounds().empty());
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(ShellTick, CountsWhileHiddenAndRefreshesEveryThirdTick) {
    SimSession s;
    s.Do("wait 400");
    s.Check([] { EXPECT_GE(Shell().TicksSinceRefresh(), 10); });
    s.Do("tray tap\nwait 1400");
    std::vector<int32_t> counts;
    for (int i = 0; i < 9; ++i) {
        s.Do("wait 40");
        s.Check([&] { counts.push_back(Shell().TicksSinceRefresh()); });
    }
    EXPECT_EQ(s.Start(), 0);
    ASSERT_EQ(counts.size(), 9u);
    for (size_t i = 0; i < counts.size(); ++i) {
        EXPECT_GE(counts[i], 1);
        EXPECT_LE(counts[i], 3);
        if (i >= 3) {
            EXPECT_EQ(counts[i], counts[i - 3]);
        }
        if (i >= 1) {
            EXPECT_NE(counts[i], counts[i - 1]);
        }
    }
}

TEST(ShellTick, NewScreenContentReachesTheGlassOnTheRefreshTickOnly) {
    // The glass (80 x 80 at (100, 100) on a 240 x 320 screen) enlarges the area at the zoom point (0, 0).
    constexpr platform::ColorRef Red = platform::Rgb(255, 0, 0);
    SimSession s;
    s.Do("tray tap\nwait 1400");
    s.Check([] {
        ASSERT_TRUE(IsVisible(Glass()));
        sim::PaintDesktop(platform::Rect{0, 0, 60, 60}, Red);
    });
    std::vector<std::pair<int32_t, bool>> ticks;  // counter after each tick, centre of the glass red
    for (int i = 0; i < 4; ++i) {
        s.Do("wait 40");
        s.Check([&] {
            const platform::Rect& r = Glass().Settings.WindowRect;
            ticks.push_back({Shell().TicksSinceRefresh(),
                             sim::ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2) == Red});
        });
    }
    EXPECT_EQ(s.Start(), 0);
    ASSERT_EQ(ticks.size(), 4u);
    size_t firstRed = ticks.size();
    for (size_t i = 0; i < ticks.size(); ++i)
        if (ticks[i].second) {
            firstRed = i;
            break;
        }
    ASSERT_LT(firstRed, 3u) << "the glass never showed the new content";
    EXPECT_EQ(ticks[firstRed].first, 1) << "shown on a tick that did not refresh";
}

TEST(ShellTick, NoRefreshWhileTheGlassIsMovedAndAtOnceAfterwards) {
    SimSession s;
    s.Do("tray tap\nwait 1400\ndown 140 130\nmove 141 130");
    s.Check([] { EXPECT_EQ(GetPointerState(Glass()), StateMoveMagnifier); });
    std::vector<int32_t> counts;
    for (int i = 0; i < 5; ++i) {
        s.Do("wait 40");
        s.Check([&] { counts.push_back(Shell().TicksSinceRefresh()); });
    }
    s.Do("up 141 130\nwait 40");
    s.Check([] { EXPECT_EQ(Shell().TicksSinceRefresh(), 1); });
    EXPECT_EQ(s.Start(), 0);
    ASSERT_EQ(counts.size(), 5u);
    for (size_t i = 1; i < counts.size(); ++i) EXPECT_EQ(counts[i], counts[i - 1] + 1);
    EXPECT_GT(counts.back(), 3);
}

TEST(ShellWindowProcedure, WheelZoomsWhicheverWindowReceivesIt) {
    for (const char* target : {"magnifier", "picker", "tape"}) {
        SCOPED_TRACE(target);
        SimSession s;
        s.Do(std::string("send ") + target + " 0x020A 0x00780000 0");  // one notch up: 4.0 -> 4 + 4/6
        s.Check([] { EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 4.0f + 4.0f / 6.0f); });
        s.Do(std::string("send ") + target + " 0x020A 0xFF880000 0");  // one notch down
        s.Check([] { EXPECT_LT(Glass().Settings.ZoomX, 4.0f + 4.0f / 6.0f); });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(ShellWindowProcedure, DoubleTapsHideTheGlassOrTheToolWindowTapped) {
    SimSession s;
    s.Do("tray double\nmenu 4\ntray double\nmenu 10\ntray tap\nwait 1400");
    s.Check([] {
        ASSERT_TRUE(IsVisible(Glass()));
        ASSERT_TRUE(IsColorPickerShown(Glass()));
        ASSERT_TRUE(IsTapeShown(Glass()));
    });
    const platform::Rect picker = {100, 180, 300, 230}, tape = {100, 50, 325, 100};
    s.Do("doubletap " + std::to_string(picker.left + 150) + " " + std::to_string(picker.top + 25));
    s.Check([] {
        EXPECT_FALSE(IsColorPickerShown(Glass()));
        EXPECT_EQ(Glass().Settings.ShowColorPicker, 0);
        EXPECT_EQ(SoundNames().back(), u"OtherWindows.wav");
    });
    s.Do("doubletap " + std::to_string(tape.left + 150) + " " + std::to_string(tape.top + 25));
    s.Check([] {
        EXPECT_FALSE(IsTapeShown(Glass()));
        EXPECT_EQ(Glass().Settings.ShowTape, 0);
        EXPECT_TRUE(IsVisible(Glass()));
    });
    s.Do("doubletap 140 130");  // the body of the glass: hides everything
    s.Check([] { EXPECT_EQ(Glass().HideSteps, 6); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellWindowProcedure, RightTapOnTheIdleGlassOpensTheMenu) {
    SimSession s;
    s.Do("tray tap\nwait 1400\nrightclick 300 300");  // beside the glass: no menu
    s.Check([] { EXPECT_FALSE(sim::LastMenu().has_value()); });
    s.Do("rightclick 140 130\nmenu none");
    s.Check([] { EXPECT_TRUE(sim::LastMenu().has_value()); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellWindowProcedure, TapeKeysMarkTheStartOfAMeasurement) {
    // The tape lies at (100, 50)-(325, 100); its handle is the square (100, 50)-(150, 100).
    SimSession s;
    s.Do("tray double\nmenu 10\ntray tap\nwait 1400\ndown 110 60\nmove 112 62");
    s.Check([] {
        ASSERT_EQ(GetPointerState(Glass()), StateAimTape);
        EXPECT_EQ(Glass().TapeStart.x, -1);
    });
    s.Do("move 120 70\nhotkey 193 up");
    s.Check([] { EXPECT_EQ(Glass().TapeStart.x, -1) << "a key release marked"; });
    s.Do("send magnifier 0x0312 193 0x00420000");  // another key
    s.Check([] { EXPECT_EQ(Glass().TapeStart.x, -1); });
    s.Do("hotkey 193");
    s.Check([] { EXPECT_EQ(Glass().TapeStart, (platform::Point{120, 70})); });
    s.Do("rightclick 130 80");  // the tape holds the capture: its client point is turned back
    s.Check([] { EXPECT_EQ(Glass().TapeStart, (platform::Point{130, 80})); });
    s.Do("move 140 90\nfocus tape\nkey 0x11");
    s.Check([] { EXPECT_EQ(Glass().TapeStart, (platform::Point{140, 90})); });
    s.Do("move 145 95\nkey 0x0D");
    s.Check([] { EXPECT_EQ(Glass().TapeStart, (platform::Point{145, 95})); });
    s.Do("move 150 99\nkey 0x41");  // other keys do nothing
    s.Check([] { EXPECT_EQ(Glass().TapeStart, (platform::Point{145, 95})); });
    s.Do("up 150 99");
    s.Check([] { EXPECT_EQ(GetPointerState(Glass()), StateIdle); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellWindowProcedure, BackgroundIsNeverErasedAndNotificationsAreAnswered) {
    SimSession s;
    s.Check([] {
        for (Window w : {Shell().MagnifierWindow, Shell().ColorPickerWindow, Shell().TapeWindow}) {
            EXPECT_EQ(sim::SendRaw(w, platform::MsgEraseBackground, 0, 0), 1);
            EXPECT_EQ(sim::SendRaw(w, platform::MsgNotify, 0, 0), 0);
        }
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellWindowProcedure, MessagesChangeNothingWithoutTheMagnifier) {
    SimSession s;
    s.Check([] {
        ShellState& shell = Shell();
        Magnifier* saved = shell.MagnifierObject;
        float zoom = saved->Settings.ZoomX;
        shell.MagnifierObject = nullptr;
        using namespace platform;
        for (Window w : {shell.MagnifierWindow, shell.ColorPickerWindow, shell.TapeWindow}) {
            sim::SendRaw(w, MsgMouseWheel, MakeWParam(0, 120), 0);
            sim::SendRaw(w, MsgLButtonDoubleClick, 0, MakeLParam(10, 10));
            sim::SendRaw(w, MsgMouseMove, KeyLButton, MakeLParam(10, 10));
            sim::SendRaw(w, MsgLButtonUp, 0, MakeLParam(10, 10));
            sim::SendRaw(w, MsgRButtonUp, 0, MakeLParam(10, 10));
            sim::SendRaw(w, MsgKeyDown, VkControl, 0);
            sim::SendRaw(w, MsgHotKey, 193, MakeLParam(8, 193));
            sim::SendRaw(w, MsgActivate, 1, 0);
            sim::SendRaw(w, MsgSettingChange, 0x3002, 0);
            sim::SendRaw(w, MsgCommand, MakeWParam(5, 110), 0);
            sim::SendRaw(w, MsgCommand, MakeWParam(32771, 1), 0);
        }
        sim::SendRaw(shell.MagnifierWindow, TrayCallbackMessage, TrayIconId, MsgRButtonDown);
        EXPECT_FALSE(sim::LastMenu().has_value());
        // Help needs no Magnifier.
        sim::SendRaw(shell.MagnifierWindow, MsgCommand, MakeWParam(32775, 1), 0);
        EXPECT_EQ(sim::Processes().size(), 1u);
        shell.MagnifierObject = saved;
        EXPECT_FALSE(shell.Closing);
        EXPECT_EQ(saved->Settings.ZoomX, zoom);
        EXPECT_EQ(saved->HideSteps, 0);
        EXPECT_TRUE(sim::Sounds().empty());
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(ShellShutdown, DestroyingTheGlassEndsTheProgramButDestroyingAToolWindowDoesNot) {
    SimSession s;
    s.Check([] { platform::DestroyWindowObject(Shell().TapeWindow); });
    s.Do("wait 200");
    s.Check([] {
        EXPECT_TRUE(sim::ProgramRunning());
        EXPECT_NE(Shell().MagnifierObject, nullptr);
    });
    s.Do("destroy");
    s.Check([] {
        EXPECT_FALSE(sim::ProgramRunning());
        EXPECT_TRUE(sim::TrayIcons().empty());
    });
    EXPECT_EQ(s.Start(), 0);
    ExpectNoLiveHandles();
}

TEST(ShellShutdown, EveryWayOutReleasesEveryHandle) {
    const char* endings[] = {
        "",                                                         // the device is switched off
        "destroy",                                                  // the glass's window is destroyed
        "tray double\nmenu 5\nwait 1000",                           // Close while hidden
        "tray tap\nwait 1400\ntray double\nmenu 5\nwait 1000",      // Close while shown
        "tray double\nmenu 4\ntray tap\nwait 1400\nfocus picker\nkey 0x70\nalt down\nchar z\nalt up\n"
        "wait 100\ntray right\nmenu 9\ntray double\nmenu 5\nwait 1000",  // after help, locator and menus
        "second\ndestroy",                                          // after a second copy
    };
    for (const char* ending : endings) {
        SCOPED_TRACE(ending);
        SimSession s;
        s.Do(ending);
        EXPECT_EQ(s.Start(), 0);
        EXPECT_FALSE(sim::ProgramRunning());
        ExpectNoLiveHandles();
        EXPECT_TRUE(sim::TrayIcons().empty());
        EXPECT_TRUE(sim::HotKeys().empty());
    }
}

TEST(ShellShutdown, ReachedTwiceReleasesNothingTheSecondTime) {
    SimSession s;
    s.Check([] {
        Shutdown();
        EXPECT_EQ(Shell().MagnifierObject, nullptr);
        EXPECT_EQ(Shell().TrayIcon, nullptr);
        EXPECT_FALSE(Shell().TrayIconAdded);
        EXPECT_TRUE(sim::TrayIcons().empty());
        std::map<std::string, int64_t> after = sim::ObjectCounts();
        Shutdown();
        EXPECT_EQ(sim::ObjectCounts(), after);
    });
    EXPECT_EQ(s.Start(), 0);
    ExpectNoLiveHandles();
}
