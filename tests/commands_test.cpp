// Commands on the simulated handheld: the pop-up menu and its check marks, command messages and
// accelerators from every window, Close (saving and ending), the settings sheet's start and result, and
// help with and without a translation library.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "platform/sim/Simulation.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/ShellState.h"

namespace sim = platform::sim;

namespace {

using namespace program_test;

constexpr const char16_t* HelpDefault = u"\\Program Files\\Vistrel\\Help\\Index.htm#Main_Contents";

// The check marks of the last pop-up menu's items, in order.
std::vector<bool> MenuCheckMarks() {
    std::vector<bool> checked;
    if (std::optional<std::vector<sim::MenuItemInfo>> menu = sim::LastMenu())
        for (const sim::MenuItemInfo& i : *menu) checked.push_back(i.checked);
    return checked;
}

// The registry values of the program's key, by name.
std::set<std::u16string> SavedValueNames() {
    std::set<std::u16string> names;
    for (const auto& [key, values] : sim::Registry()) {
        std::u16string lower;
        for (char16_t c : key) lower += (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        if (lower != u"software\\orvane group\\vistrel") continue;
        for (const auto& [name, value] : values) names.insert(name);
    }
    return names;
}

const char* const ShowAllWindows = "tray double\nmenu 4\ntray double\nmenu 10\ntray tap\nwait 1400";

}  // namespace

// The menu's items, their ids and texts in order show in the scenario runner's error for a missing item
// and in the translation's test; here, its check marks for what is on.
TEST(Commands, MenuChecksWhatIsOn) {
    struct Row {
        const char* commands;
        std::vector<bool> checked;
    } rows[] = {
        {"", {false, false, false, false, false, false, false}},
        {"tray double\nmenu 4\ntray double\nmenu 9\n", {false, true, false, true, false, false, false}},
        {"tray double\nmenu 10\ntray double\nmenu 9\ntray double\nmenu 4\n", {false, false, true, false, false, false, false}},
    };
    SimSession s;
    for (const Row& row : rows) {  // one after the other, in the same program
        s.Do(std::string(row.commands) + "tray double\nmenu none");
        s.Check([&row] {
            EXPECT_EQ(MenuCheckMarks(), row.checked) << row.commands;
            EXPECT_EQ(sim::ObjectCount("menus"), 1) << "the last menu is kept, the earlier ones destroyed";
        });
    }
    EXPECT_EQ(s.Start(), 0);
}

TEST(Commands, MenuCommandsAct) {
    SimSession s;
    s.Do("tray double\nmenu 9");
    s.Check([] { EXPECT_EQ(GetAdjustMode(Glass()), 1); });
    s.Do("tray double\nmenu 9");
    s.Check([] { EXPECT_EQ(GetAdjustMode(Glass()), 0); });
    s.Do("tray double\nmenu 4");  // hidden glass: only the setting changes, silently
    s.Check([] {
        EXPECT_TRUE(IsColorPickerShown(Glass()));
        EXPECT_TRUE(sim::Sounds().empty());
    });
    s.Do("tray double\nmenu 3\nwait 1400");
    s.Check([] {
        EXPECT_TRUE(IsVisible(Glass()));
        std::optional<sim::WindowInfo> picker = sim::FindWindowByClass(u"MG_COLORPICKER");
        ASSERT_TRUE(picker.has_value());
        EXPECT_TRUE(picker->visible) << "the picker comes up with the glass";
    });
    s.Do("tray double\nmenu 10");
    s.Check([] {
        EXPECT_TRUE(IsTapeShown(Glass()));
        EXPECT_EQ(SoundNames().back(), u"OtherWindows.wav");
    });
    s.Do("tray double\nmenu 4");
    s.Check([] { EXPECT_FALSE(IsColorPickerShown(Glass())); });
    s.Do("tray double\nmenu 3");
    s.Check([] {
        EXPECT_EQ(Glass().HideSteps, 6);
        EXPECT_TRUE(IsTapeShown(Glass())) << "hiding everything keeps the tool windows' settings";
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(Commands, ShowCommandsAreIgnoredWhileClosingButHideCommandsAct) {
    SimSession s;
    s.Do(ShowAllWindows);
    s.Check([] {
        Shell().Closing = true;
        RunCommand(CommandShowHideTape);  // hides
        EXPECT_FALSE(IsTapeShown(Glass()));
        RunCommand(CommandShowHideTape);  // would show: ignored
        EXPECT_FALSE(IsTapeShown(Glass()));
        Shell().Closing = false;
        RunCommand(99);  // not a command
        RunCommand(5);   // the unused code
        EXPECT_TRUE(IsVisible(Glass()));
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(Commands, CommandMessagesDecodeMenuIdsAndAcceleratorIds) {
    struct Row {
        const char* wParam;  // as sent to the magnifier window
        bool hides, locator, help, closes;
    } rows[] = {
        {"0x006E0003", true, false, false, false},   // menu id 3 on the shown glass: Show/hide hides it
        {"0x00000003", false, false, false, false},  // id 3 without the menu notification: nothing
        {"0x00018003", true, false, false, false},   // 32771 Escape
        {"0x00018005", false, true, false, false},   // 32773 Alt+z
        {"0x00018007", false, false, true, false},   // 32775 F1
        {"0x00008003", true, false, false, false},   // 32771 with notification 0
        {"0x006E0006", false, false, false, false},  // menu id 6: none
        {"0x006E8003", false, false, false, false},  // 32771 as a menu id: none
        {"0x006E0005", true, false, false, true},    // menu id 5: Close, which hides first
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wParam);
        SimSession s;
        s.Do(std::string("tray tap\nwait 1400\nsend magnifier 0x0111 ") + row.wParam + " 0");
        s.Check([&] {
            EXPECT_EQ(Glass().HideSteps == 6, row.hides);
            EXPECT_EQ(Glass().LocatorRequest, row.locator);
            EXPECT_EQ(sim::Processes().size(), row.help ? 1u : 0u);
            EXPECT_EQ(Shell().Closing, row.closes);
            EXPECT_EQ(SavedValueNames().size(), row.closes ? 18u : 0u);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(Commands, AcceleratorsWorkFromEveryWindow) {
    for (const char* window : {"magnifier", "picker", "tape"}) {
        SCOPED_TRACE(window);
        SimSession s;
        s.Do(ShowAllWindows);
        s.Do(std::string("focus ") + window + "\nalt down\nchar z\nalt up");
        s.Check([] { EXPECT_TRUE(Glass().LocatorRequest || Glass().LocatorCount > 0); });
        s.Do("key 0x70");
        s.Check([] {
            ASSERT_EQ(sim::Processes().size(), 1u);
            EXPECT_EQ(sim::Processes()[0].program, u"peghelp");
            EXPECT_EQ(sim::Processes()[0].commandLine, HelpDefault);
        });
        s.Do("key 0x1B");
        s.Check([] {
            EXPECT_EQ(Glass().HideSteps, 6);
            EXPECT_TRUE(IsColorPickerShown(Glass()));
        });
        s.Do("wait 40\nchar z");  // without Alt, z is no accelerator
        s.Check([] { EXPECT_FALSE(Glass().LocatorRequest); });
        EXPECT_EQ(s.Start(), 0);
        EXPECT_EQ(sim::ObjectCount("processes"), 0) << "help's process handles stay open";
    }
}

TEST(Commands, CloseSavesAllEighteenValuesAndEndsAfterTheHide) {
    SimSession s;
    s.Do("tray tap\nwait 1400\nsend magnifier 0x020A 0x00780000 0\ntray double\nmenu 5");
    s.Check([] {
        EXPECT_TRUE(Shell().Closing);
        EXPECT_EQ(Glass().HideSteps, 6);
        EXPECT_EQ(SavedValueNames(),
                  (std::set<std::u16string>{u"SkinName", u"SmoothImg", u"ShowLight", u"RectLU", u"WindowSize",
                                            u"ZoomX", u"ZoomPnt", u"ShowAnim", u"ShowColorPicker", u"CPRectLU",
                                            u"Bright", u"Contrast", u"AdjustMode", u"ShowTape", u"TPRectLU",
                                            u"DevicePPI", u"PPCScanCode", u"PlaySound"}));
    });
    s.Do("wait 120");
    s.Check([] {
        EXPECT_TRUE(sim::ProgramRunning()) << "ended before the hide finished";
        EXPECT_TRUE(IsVisible(Glass()));
    });
    s.Do("wait 600");
    s.Check([] { EXPECT_FALSE(sim::ProgramRunning()); });
    EXPECT_EQ(s.Start(), 0);
    EXPECT_EQ(SoundNames(), (std::vector<std::u16string>{u"MainWindow.wav", u"MainWindow.wav"}));
    std::optional<sim::WindowInfo> glass = sim::FindWindowByClass(u"MAGNIFYINGGLASS");
    EXPECT_TRUE(!glass || !glass->visible);
}

// The desktop's session ending (log-off, shut-down) ends the program without a Close: the glass keeps
// the settings as Close does, also the zoom changed since the start; a session end called off, or one
// told to a tool window, keeps nothing, and the program goes on either way until the system ends it.
TEST(Commands, TheSessionsEndKeepsTheSettings) {
    struct Row {
        const char* window;
        const char* ends;
        size_t saved;
    } rows[] = {{"magnifier", "1", 18}, {"magnifier", "0", 0}, {"picker", "1", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.window) + " " + row.ends);
        SimSession s;
        s.Do(std::string(ShowAllWindows) + "\nsend magnifier 0x020A 0x00780000 0");  // the wheel: zoom in
        s.Do(std::string("send ") + row.window + " 0x0011 0 0\nsend " + row.window + " 0x0016 " + row.ends + " 0");
        s.Check([&] {
            EXPECT_TRUE(sim::ProgramRunning());
            EXPECT_EQ(SavedValueNames().size(), row.saved);
            if (!row.saved) return;
            Magnifier stored;
            ASSERT_TRUE(LoadFromRegistry(stored));
            EXPECT_NE(Glass().Settings.ZoomX, 4.0f) << "the wheel changed nothing";
            EXPECT_EQ(stored.Settings.ZoomX, Glass().Settings.ZoomX);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

// Close chosen while the show animation runs cannot hide at once (a hide during an animation is
// dropped); the glass hides as soon as the show is over and the program ends, as asked.
TEST(Commands, CloseDuringTheShowAnimationEndsTheProgramOnceTheShowIsOver) {
    SimSession s;
    s.Do("tray tap\nwait 640");
    s.Check([] { ASSERT_NE(Glass().ShowSteps, 0); });
    s.Do("tray double\nmenu 5");
    s.Check([] {
        EXPECT_TRUE(Shell().Closing);
        EXPECT_EQ(SavedValueNames().size(), 18u);
        EXPECT_EQ(Glass().HideSteps, 0) << "the hide request should be dropped during the show";
    });
    s.Do("wait 480");  // the show's last frames and the first frames of the hide
    s.Check([] {
        ASSERT_TRUE(sim::ProgramRunning());
        EXPECT_EQ(Glass().ShowSteps, 0);
        EXPECT_GT(Glass().HideSteps, 0) << "the hide starts on the tick after the show";
    });
    s.Do("wait 400");
    s.Check([] { EXPECT_FALSE(sim::ProgramRunning()); });
    EXPECT_EQ(s.Start(), 0);
    EXPECT_EQ(SoundNames(), (std::vector<std::u16string>{u"MainWindow.wav", u"MainWindow.wav"}));
    ExpectNoLiveHandles();
}

TEST(Commands, SettingsSheetCancelRestoresTheHotKeyAndLeavesNothingBehind) {
    SimSession s;
    Settings before;
    std::map<std::string, int64_t> counts;
    s.Do("tray double\nmenu none");  // the menu kept from the last opening is part of the baseline
    s.Check([&] {
        CopySettings(Glass(), &before);
        counts = sim::ObjectCounts();
        ASSERT_EQ(sim::HotKeys().size(), 1u);
    });
    s.Do("tray double\nmenu 7");
    s.Check([] {
        EXPECT_TRUE(Shell().SettingsSheetOpen);
        EXPECT_NE(Shell().SettingsSheetWindow, nullptr);
        EXPECT_TRUE(sim::HotKeys().empty()) << "the tape's hot key stays registered while the sheet runs";
    });
    s.Do("sheet cancel");
    s.Check([&] {
        EXPECT_FALSE(sim::DialogOpen());
        EXPECT_FALSE(Shell().SettingsSheetOpen);
        EXPECT_EQ(Shell().SettingsSheetWindow, nullptr);
        EXPECT_EQ(Shell().SkinPreviewBitmap, nullptr);
        ASSERT_EQ(sim::HotKeys().size(), 1u);
        EXPECT_EQ(sim::HotKeys()[0].virtualKey, 193u);
        EXPECT_EQ(sim::HotKeys()[0].window, Shell().MagnifierWindow);
        Settings after;
        CopySettings(Glass(), &after);
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "Cancel changed the settings";
        EXPECT_EQ(sim::ObjectCounts(), counts) << "the sheet left handles behind";
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(Commands, CloseWhileTheSheetIsOpenEndsTheProgramCleanly) {
    SimSession s;
    s.Do("tray double\nmenu 7\ntray double\nmenu 5");
    s.Check([] {
        EXPECT_TRUE(sim::DialogOpen());
        EXPECT_TRUE(Shell().Closing);
    });
    s.Do("wait 1000");
    s.Check([] {
        EXPECT_FALSE(sim::ProgramRunning());
        EXPECT_FALSE(sim::DialogOpen());
    });
    EXPECT_EQ(s.Start(), 0);
    EXPECT_FALSE(sim::ProgramRunning());
    ExpectNoLiveHandles();
}

TEST(Commands, HelpPathNamesTheLanguageFolderOfATranslationLibrary) {
    struct Row {
        const char* script;
        const char16_t* commandLine;
    } rows[] = {
        {nullptr, HelpDefault},
        {"STRINGTABLE\nBEGIN\n  20, \"X\"\nEND\n", u"\\Program Files\\Vistrel\\X\\Help\\Index.htm#Main_Contents"},
        {"STRINGTABLE\nBEGIN\n  20, \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\"\nEND\n",  // at most 15 characters
         u"\\Program Files\\Vistrel\\ABCDEFGHIJKLMNO\\Help\\Index.htm#Main_Contents"},
        {"STRINGTABLE\nBEGIN\n  1, \"Lupe\"\nEND\n", HelpDefault},  // a library without string 20
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script ? row.script : "no library");
        SimSession s;
        if (row.script) s.Config().home = HomeWithLibrary("help-home-" + std::to_string(n++), row.script);
        s.Do("focus magnifier\nkey 0x70");
        EXPECT_EQ(s.Start(), 0);
        ASSERT_EQ(sim::Processes().size(), 1u);
        EXPECT_EQ(sim::Processes()[0].program, u"peghelp");
        EXPECT_EQ(sim::Processes()[0].commandLine, row.commandLine);
    }
}

TEST(Commands, HelpFileLivesBesideTheProgramWithItsAnchor) {
    std::ifstream file(std::filesystem::path(DefaultHomeFolder()) / "Help" / "Index.htm");
    ASSERT_TRUE(file.good());
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("name=\"Main_Contents\""), std::string::npos);
}

// The desktop's close request (Alt+F4) destroys no window: on the glass it is Close (all 18 values
// saved, the program ends after the hide); on a tool window it switches that tool off.
TEST(Commands, CloseRequestIsCloseOnTheGlassAndSwitchesAToolOff) {
    struct Case {
        const char* window;
        bool closes, pickerOn, tapeOn;
    };
    for (const Case& c : {Case{"magnifier", true, true, true}, Case{"picker", false, false, true},
                          Case{"tape", false, true, false}}) {
        SCOPED_TRACE(c.window);
        SimSession s;
        s.Do(ShowAllWindows);
        s.Do(std::string("send ") + c.window + " 0x0010 0 0\nwait 1000");
        s.Check([&] {
            EXPECT_EQ(sim::ProgramRunning(), !c.closes);
            EXPECT_EQ(SavedValueNames().size(), c.closes ? 18u : 0u);
            if (c.closes) return;
            EXPECT_EQ(IsColorPickerShown(Glass()), c.pickerOn);
            EXPECT_EQ(IsTapeShown(Glass()), c.tapeOn);
            for (const char16_t* name : {u"MAGNIFYINGGLASS", u"MG_COLORPICKER", u"MG_TAPE"})
                EXPECT_TRUE(sim::FindWindowByClass(name).has_value());
        });
        EXPECT_EQ(s.Start(), 0);
    }
}
