// The German translation in translations/German: installing it (copying the folder's contents beside
// the program) switches the running program to German, while removing the library switches it back to
// English.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "platform/windowing/Controls.h"
#include "platform/sim/Simulation.h"
#include "shell/ShellState.h"

namespace fs = std::filesystem;
namespace sim = platform::sim;
using platform::Window;

namespace {

using program_test::ProgramFolder;
using program_test::WindowTextOf;

// What a user sees of the program's language and what must not change with it.
struct Observed {
    std::u16string title;
    std::u16string tip;
    std::vector<std::u16string> menu;
    std::vector<std::u16string> tabs;
    std::u16string sheetCaption;
    std::vector<std::u16string> buttons;  // the texts of the sheet's push buttons and check boxes
    std::u16string helpProgram;
    std::u16string helpCommandLine;
    int pickerCursor = 0;
    bool cursorsFromProgram = false;
    bool altZLocates = false;
    bool escapeHides = false;
    bool loadedLibrary = false;
    int exitCode = -1;
};

Observed RunProgram(const fs::path& home) {
    Observed o;
    Magnifier* glass = nullptr;
    SimSession s;
    s.Config().home = home.string();
    s.Check([&] {
        glass = Shell().MagnifierObject;
        o.loadedLibrary = Shell().ResourceLibrary != nullptr;
        if (std::optional<sim::WindowInfo> info = sim::FindWindowByClass(u"MAGNIFYINGGLASS")) o.title = info->title;
        if (!sim::TrayIcons().empty()) o.tip = sim::TrayIcons()[0].tip;
    });
    s.Do("focus magnifier\nkey 0x70");
    s.Check([&] {
        if (sim::Processes().empty()) return;
        o.helpProgram = sim::Processes()[0].program;
        o.helpCommandLine = sim::Processes()[0].commandLine;
    });
    // Glass, colour picker and tape shown; aiming with the picker shows the program's cursor.
    s.Do("tray tap\nwait 1200\nsend magnifier 0x111 0x6E0004 0\nsend magnifier 0x111 0x6E000A 0\nwait 200");
    s.Do("down 120 200\nmove 120 200");
    s.Check([&] {
        o.pickerCursor = sim::CurrentCursorId().value_or(0);
        o.cursorsFromProgram = glass && glass->Instance == Shell().Instance && glass->AimCursor &&
                               glass->ColorPickerCursor && glass->TapeCursor;
    });
    s.Do("up 120 200\nfocus magnifier\nalt down\nchar z\nalt up");
    s.Check([&] { o.altZLocates = glass && (glass->LocatorRequest || glass->LocatorCount > 0); });
    s.Do("key 0x1B");
    s.Check([&] { o.escapeHides = glass && glass->HideSteps == 6; });
    s.Do("wait 1000\ntray double\nmenu none");
    s.Check([&] {
        if (std::optional<std::vector<sim::MenuItemInfo>> menu = sim::LastMenu())
            for (const sim::MenuItemInfo& item : *menu) o.menu.push_back(item.separator ? u"-" : item.text);
    });
    s.Do("tray double\nmenu 7");
    s.Check([&] {
        Window sheet = sim::OpenDialog();
        if (!sheet) return;
        o.sheetCaption = WindowTextOf(sheet);
        o.tabs = sim::controls::TabTextsOf(platform::GetDialogItem(sheet, 1010));
        for (Window control : sim::controls::LiveControls()) {
            sim::controls::ControlKind kind = sim::controls::KindOf(control);
            if (kind == sim::controls::ControlKind::PushButton || kind == sim::controls::ControlKind::CheckBox)
                o.buttons.push_back(WindowTextOf(control));
        }
    });
    s.Do("sheet cancel");
    o.exitCode = s.Start();
    return o;
}

bool Contains(const std::vector<std::u16string>& texts, const std::u16string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace

TEST(GermanTranslation, InstallingSwitchesToGermanAndRemovingSwitchesBack) {
    const fs::path home = ProgramFolder("i18n-home", true);
    const std::u16string helpGerman = u"\\Program Files\\Vistrel\\Deutsch\\Help\\Index.htm#Main_Contents";
    const std::u16string helpEnglish = u"\\Program Files\\Vistrel\\Help\\Index.htm#Main_Contents";
    ASSERT_TRUE(fs::exists(home / "Deutsch" / "Help" / "Index.htm"));
    ASSERT_TRUE(fs::exists(home / "Localize.dll"));

    struct Row {
        const char* what;
        bool library;
        std::u16string title;
        std::vector<std::u16string> menu;
        std::vector<std::u16string> tabs;
        std::u16string sheetCaption;
        std::u16string reset;
        std::u16string help;
    } rows[] = {
        {"installed", true, u"Bildschirmlupe",
         {u"Zeigen/verbergen", u"Farbe zeigen/verbergen", u"Ma\u00DFband zeigen/verbergen", u"Bild korrigieren",
          u"Einstellungen...", u"-", u"Schlie\u00DFen"},
         {u"Allgemein", u"Aussehen", u"Korrektur", u"Einheiten", u"Info"}, u"Vistrel-Einstellungen",
         u"Zur\u00FCcksetzen", helpGerman},
        {"removed", false, u"Screen magnifying glass",
         {u"Show/hide", u"Show/hide color", u"Show/hide tape", u"Correcting the picture", u"Settings...", u"-",
          u"Close"},
         {u"Common", u"Skin", u"Correcting", u"Units", u"About"}, u"Vistrel settings", u"Reset", helpEnglish},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (!row.library) {
            ASSERT_TRUE(fs::remove(home / "Localize.dll"));  // the same folder, library deleted
        }
        testing::internal::CaptureStderr();
        const Observed o = RunProgram(home);
        const std::string complaints = testing::internal::GetCapturedStderr();
        EXPECT_EQ(complaints.find("not loaded"), std::string::npos) << complaints;
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.loadedLibrary, row.library);
        EXPECT_EQ(o.title, row.title);
        EXPECT_EQ(o.tip, row.title);
        EXPECT_EQ(o.menu, row.menu);
        EXPECT_EQ(o.tabs, row.tabs);
        EXPECT_EQ(o.sheetCaption, row.sheetCaption);
        EXPECT_TRUE(Contains(o.buttons, row.reset));
        EXPECT_EQ(o.helpProgram, u"peghelp");
        EXPECT_EQ(o.helpCommandLine, row.help);
        // Cursors and keys are the program's whichever language shows.
        EXPECT_EQ(o.pickerCursor, 144);
        EXPECT_TRUE(o.cursorsFromProgram);
        EXPECT_TRUE(o.altZLocates);
        EXPECT_TRUE(o.escapeHides);
    }
}

TEST(GermanTranslation, ALibraryRefusedForItsSizeSaysWhy) {
    const fs::path home = ProgramFolder("i18n-large-home", false);
    std::ofstream(home / "Localize.dll") << "// " << std::string(1 << 20, 'x') << "\n";
    testing::internal::CaptureStderr();
    const Observed o = RunProgram(home);
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(o.loadedLibrary);
    EXPECT_EQ(o.title, u"Screen magnifying glass");
    EXPECT_NE(complaints.find("Localize.dll not loaded: it is larger than 1 MiB"), std::string::npos) << complaints;
}
