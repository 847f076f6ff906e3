// The German translation in translations/German: its library is a complete, well-formed copy of the
// program's resources with every visible text translated, and installing it (copying the folder's
// contents beside the program) switches the running program to German, while removing the library
// switches it back to English.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TestHarness.h"
#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "platform/sim/Controls.h"
#include "platform/sim/Device.h"
#include "platform/sim/ResourceScript.h"
#include "resources/Bundle.h"
#include "shell/ShellState.h"

namespace fs = std::filesystem;
namespace sim = platform::sim;
using platform::Window;

namespace {

const fs::path Package = fs::path(VISTREL_SOURCE_DIR) / "translations" / "German";

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Parses a script the way the device reads a library: only the program's id header may be included.
std::optional<sim::ResourceScript> Parse(const std::string& text, std::string* error) {
    auto includes = [](const std::string& name) -> std::optional<std::string> {
        std::optional<std::string_view> bytes = resources::EmbeddedResourceFile(name);
        if (!bytes || !name.ends_with(".h")) return std::nullopt;
        return std::string(*bytes);
    };
    return sim::ParseResourceScript(text, includes, error, "Localize.dll");
}

// Texts that read the same in both languages.
bool LanguageNeutral(const std::u16string& text) {
    static const std::set<std::u16string> neutral = {u"", u"x1", u"x10", u"min.", u"max.", u"-1", u"+1",
                                                      u"Vistrel\nVersion 1.0"};
    return neutral.count(text) > 0;
}

std::set<std::string> Anchors(const std::string& html) {
    std::set<std::string> names;
    const std::regex anchor("name=\"([A-Za-z_]+)\"");
    for (auto i = std::sregex_iterator(html.begin(), html.end(), anchor); i != std::sregex_iterator(); ++i)
        names.insert((*i)[1]);
    return names;
}

// A program folder: the staged data folder plus, when asked, the German package copied into it.
fs::path ProgramFolder(const std::string& name, bool withGerman) {
    const fs::path home = TestTempFile(name);
    std::error_code ec;
    fs::remove_all(home, ec);
    fs::copy(DefaultHomeFolder(), home, fs::copy_options::recursive);
    if (withGerman) fs::copy(Package, home, fs::copy_options::recursive);
    return home;
}

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

std::u16string WindowText(Window window) {
    char16_t buffer[256] = {};
    platform::GetWindowTextOf(window, buffer, 256);
    return buffer;
}

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
        o.sheetCaption = WindowText(sheet);
        o.tabs = sim::controls::TabTextsOf(platform::GetDialogItem(sheet, 1010));
        for (Window control : sim::controls::LiveControls()) {
            sim::controls::ControlKind kind = sim::controls::KindOf(control);
            if (kind == sim::controls::ControlKind::PushButton || kind == sim::controls::ControlKind::CheckBox)
                o.buttons.push_back(WindowText(control));
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

TEST(GermanTranslation, LibraryIsAFullTranslatedCopyOfTheProgramsResources) {
    const std::string text = ReadFile(Package / "Localize.dll");
    ASSERT_FALSE(text.empty());
    std::string error;
    std::optional<sim::ResourceScript> german = Parse(text, &error);
    ASSERT_TRUE(german.has_value()) << error;
    std::optional<sim::ResourceScript> program = Parse(std::string(resources::EmbeddedResourceScript()), &error);
    ASSERT_TRUE(program.has_value()) << error;

    // Every string of the program, translated, except the window class names; plus the help folder.
    for (const auto& [id, english] : program->strings) {
        ASSERT_TRUE(german->strings.count(id)) << "string " << id << " missing";
        if (id == 2 || id == 8 || id == 11) {
            EXPECT_EQ(german->strings.at(id), english) << "class name " << id;
        } else {
            EXPECT_NE(german->strings.at(id), english) << "string " << id << " left in English";
        }
    }
    EXPECT_EQ(german->strings.size(), program->strings.size() + 1);
    EXPECT_EQ(german->strings[20], u"Deutsch");
    EXPECT_EQ(german->strings[1], u"Bildschirmlupe");

    // Every dialog, with the same controls (kind, id, order) and its visible texts translated.
    ASSERT_EQ(german->dialogs.size(), program->dialogs.size());
    for (const auto& [id, english] : program->dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        ASSERT_TRUE(german->dialogs.count(id));
        const platform::DialogTemplateObject& translated = german->dialogs.at(id);
        EXPECT_EQ(translated.style, english.style);
        EXPECT_TRUE(english.caption.empty() ? translated.caption.empty() : translated.caption != english.caption);
        ASSERT_EQ(translated.controls.size(), english.controls.size());
        for (size_t i = 0; i < english.controls.size(); ++i) {
            const auto& e = english.controls[i];
            const auto& t = translated.controls[i];
            EXPECT_EQ(t.id, e.id) << i;
            EXPECT_EQ(t.className, e.className) << i;
            EXPECT_EQ(t.style, e.style) << i;
            EXPECT_EQ(t.iconId, e.iconId) << i;
            if (LanguageNeutral(e.text)) {
                EXPECT_EQ(t.text, e.text) << i;
            } else {
                EXPECT_NE(t.text, e.text) << "control " << i << " left in English";
            }
        }
    }
    EXPECT_EQ(german->dialogs.at(152).controls.back().text, u"Zur\u00FCcksetzen");
}

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
