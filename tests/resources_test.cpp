// The program's string table and the translation libraries ("Localize.dll" files) that override it,
// malformed ones refused whole.
#include <gtest/gtest.h>

#include "TestTmp.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Files.h"
#include "platform/windowing/IconFile.h"
#include "platform/windowing/Internal.h"  // HostPath and the resource records
#include "platform/windowing/ResourceScript.h"
#include "resources/Bundle.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
namespace sim = platform::sim;

constexpr const char16_t* LibraryPath = u"\\Program Files\\Vistrel\\Localize.dll";

fs::path TestFolder(const std::string& name) {
    fs::path folder = TestTmpRoot() / "resources" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Runs body inside a program started on a fresh device with that home folder; body gets the
// program's own module.
std::function<void(Module)> programBody;
int ProgramEntry(Module module) {
    programBody(module);
    return 0;
}
void WithProgram(const std::string& home, std::function<void(Module)> body) {
    sim::DeviceConfig config;
    config.home = home;
    sim::ResetDevice(config);
    programBody = std::move(body);
    sim::RunProgram(ProgramEntry);
    programBody = nullptr;
}

// Keeps what the device writes to its log while it lives, instead of standard error.
struct LogKept {
    static inline std::vector<std::string> lines;
    LogKept() {
        lines.clear();
        sim::SetLogWriter([](std::string_view line) { lines.emplace_back(line); });
    }
    ~LogKept() { sim::SetLogWriter(nullptr); }
    LogKept(const LogKept&) = delete;
    LogKept& operator=(const LogKept&) = delete;
};

std::u16string Text(Module module, int id) {
    char16_t buffer[512];
    int count = LoadStringResource(module, id, buffer, 512);
    return std::u16string(buffer, size_t(count));
}

int64_t Count(const char* kind) {
    auto counts = sim::ObjectCounts();
    auto found = counts.find(kind);
    return found == counts.end() ? 0 : found->second;
}

// ---- The program's own resources ----

TEST(ProgramResources, StringTableHoldsEveryTextAndNoHelpFolder) {
    const std::vector<std::pair<int, std::u16string>> expected = {
        {1, u"Screen magnifying glass"}, {2, u"MAGNIFYINGGLASS"}, {3, u"Show/hide"},
        {4, u"Show/hide color"},         {5, u"Close"},           {6, u"About..."},
        {7, u"Settings..."},             {8, u"MG_COLORPICKER"},  {9, u"Correcting the picture"},
        {10, u"Show/hide tape"},         {11, u"MG_TAPE"},        {12, u"Common"},
        {13, u"Skin"},                   {14, u"Correcting"},     {15, u"Units"},
        {16, u"Control"},                {17, u"About"},
    };
    WithProgram("", [&](Module module) {
        for (const auto& [id, text] : expected) EXPECT_EQ(Text(module, id), text) << "string " << id;
        char16_t buffer[16] = {u'x'};
        EXPECT_EQ(LoadStringResource(module, 20, buffer, 16), 0);
        EXPECT_EQ(buffer[0], u'\0');
        EXPECT_EQ(LoadStringResource(module, 18, buffer, 16), 0);
        EXPECT_EQ(LoadStringResource(module, 0, buffer, 16), 0);
    });
}

// ---- Translation libraries ----

const char* const GoodLibrary =
    "// Deutsch\n"
    "#include \"ResourceIds.h\"\n"
    "STRINGTABLE\nBEGIN\n"
    "  1, \"Bildschirmlupe\"\n"
    "  2, \"MAGNIFYINGGLASS\"\n"
    "  3  \"Zeigen/verbergen\"\n"
    "  5, \"Schlie\xC3\x9F" "en\"\n"
    "  20, \"Deutsch\"\n"
    "  21, \"Ein \"\"Zitat\"\"\\nund Zeile\"\n"
    "END\n"
    "DIALOG_SHEET DIALOGEX 0, 0, 116, 117\n"
    "STYLE STYLE_POPUP | STYLE_CAPTION\n"
    "CAPTION \"Vistrel-Einstellungen\"\n"
    "FONT 11, \"Microsoft Sans Serif\"\n"
    "{\n  CONTROL \"\", TAB_PAGES, \"SysTabControl32\", STYLE_TABSTOP, 3, 3, 111, 111\n}\n";

TEST(TranslationLibrary, OverridesStringsAndAddsTheHelpFolder) {
    fs::path home = TestFolder("library");
    WriteFile(home / "localize.DLL", GoodLibrary);  // the device ignores letter case
    WithProgram(home.string(), [](Module exe) {
        Module library = LoadResourceModule(LibraryPath);
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(Count("modules"), 2);
        EXPECT_EQ(Text(library, 1), u"Bildschirmlupe");
        EXPECT_EQ(Text(library, 3), u"Zeigen/verbergen");
        EXPECT_EQ(Text(library, 5), u"Schlie\u00DFen");
        EXPECT_EQ(Text(library, 20), u"Deutsch");
        EXPECT_EQ(Text(library, 21), u"Ein \"Zitat\"\nund Zeile");
        EXPECT_EQ(Text(library, 4), u"");  // not translated: missing in the library
        EXPECT_EQ(Text(exe, 1), u"Screen magnifying glass");
        char16_t help[16];
        EXPECT_EQ(LoadStringResource(library, 20, help, 16), 7);

        char16_t path[260];
        int length = GetModulePath(library, path, 260);
        EXPECT_EQ(std::u16string(path, size_t(length)), LibraryPath);

        DialogTemplate sheet = FindDialogTemplate(library, 143);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->caption, u"Vistrel-Einstellungen");
        EXPECT_EQ(FindDialogTemplate(library, 150), nullptr);
        EXPECT_EQ(LoadAcceleratorResource(library, 129), nullptr);

        EXPECT_TRUE(FreeResourceModule(library));
        EXPECT_EQ(Count("modules"), 1);
        EXPECT_FALSE(FreeResourceModule(library));
        EXPECT_FALSE(FreeResourceModule(exe));  // the program's own module ends with the program
    });
}

TEST(TranslationLibrary, MalformedFilesAreRefusedWhole) {
    const std::string good = GoodLibrary;
    struct Case {
        const char* what;
        std::string text;
        bool loads;
        std::string why = {};  // what the device's log says of a refused file; empty: the reader's message
    };
    const std::vector<Case> cases = {
        {"the good file", good, true},
        {"an empty file: a library without texts", "", true},
        {"comments only", "// nothing here\n/* nor here */\n", true},
        {"truncated in the middle", good.substr(0, good.size() / 2), false},
        {"truncated before END", good.substr(0, good.find("END")), false},
        {"unterminated string", "STRINGTABLE\nBEGIN\n 1, \"open\nEND\n", false},
        {"unterminated comment", "/* open\nSTRINGTABLE { 1, \"x\" }\n", false},
        {"huge number", "STRINGTABLE { 99999999999999999999, \"x\" }\n", false},
        {"id past 16 bits", "STRINGTABLE { 70000, \"x\" }\n", false},
        {"negative id", "STRINGTABLE { -3, \"x\" }\n", false},
        {"huge coordinate", "5 DIALOG 0, 0, 100000, 10\nBEGIN\nEND\n", false},
        {"binary garbage", std::string("\x00\x01\xFE\xFF\x80garbage\x7F", 13), false},
        {"UTF-16 text", std::string("\xFF\xFE" "S\0T\0", 6), false},
        {"unknown statement", "MENUITEM \"x\", 5\n", false},
        {"unknown control", "5 DIALOG 0,0,10,10\nBEGIN\n LISTBOX 3, 0,0,5,5\nEND\n", false},
        {"the same id twice", "STRINGTABLE { 1, \"a\" 1, \"b\" }\n", false},
        {"a missing comma", "5 DIALOG 0 0, 10, 10\nBEGIN\nEND\n", false},
        {"an unknown name", "STRINGTABLE { TITLE, \"a\" }\n", false},
        {"an include of a host file", "#include \"/etc/passwd\"\n", false},
        {"an include of the script itself", "#include \"Vistrel.rc\"\n", false},
        {"expression nested too deeply", "STRINGTABLE { " + std::string(200, '(') + "1" + std::string(200, ')') + ", \"x\" }\n", false},
        {"a text longer than allowed", "STRINGTABLE { 1, \"" + std::string(5000, 'a') + "\" }\n", false},
        {"too large a file", "//" + std::string(sim::MaxScriptBytes, 'x') + "\n", false, "it is larger than 1 MiB"},
    };
    fs::path home = TestFolder("malformed");
    const LogKept log;
    for (const Case& c : cases) {
        WriteFile(home / "Localize.dll", c.text);
        LogKept::lines.clear();
        std::string readerError;
        WithProgram(home.string(), [&](Module) {
            Module library = LoadResourceModule(LibraryPath);
            EXPECT_EQ(library != nullptr, c.loads) << c.what;
            EXPECT_EQ(Count("modules"), c.loads ? 2 : 1) << c.what;
            if (library) {
                EXPECT_TRUE(FreeResourceModule(library));
            }
            sim::ReadLibraryScript(c.text, &readerError);
        });
        // Whoever writes the file is told why it was refused, once; a library that loads is not mentioned.
        std::vector<std::string> told;
        if (!c.loads) told.push_back("Resource library \\Program Files\\Vistrel\\Localize.dll not loaded: " + (c.why.empty() ? readerError : c.why));
        EXPECT_EQ(LogKept::lines, told) << c.what;
        if (!c.loads) {
            EXPECT_FALSE(told.back().ends_with(": ")) << c.what;
        }
    }
}

// The device keeps the last library text it read with the script it gave: a file rewritten is read
// anew, and two modules of the same bytes share a script that outlives either one.
TEST(TranslationLibrary, ARewrittenLibraryIsReadAgainAndSharedScriptsOutliveTheirModules) {
    fs::path home = TestFolder("rewritten");
    WithProgram(home.string(), [&](Module) {
        WriteFile(home / "Localize.dll", "STRINGTABLE { 1, \"eins\" }\n");
        Module first = LoadResourceModule(LibraryPath);
        Module again = LoadResourceModule(LibraryPath);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(FreeResourceModule(first));
        EXPECT_EQ(Text(again, 1), u"eins");
        WriteFile(home / "Localize.dll", "STRINGTABLE { 1, \"zwei\" }\n");
        Module rewritten = LoadResourceModule(LibraryPath);
        ASSERT_NE(rewritten, nullptr);
        EXPECT_EQ(Text(rewritten, 1), u"zwei");
        EXPECT_EQ(Text(again, 1), u"eins");
        WriteFile(home / "Localize.dll", "STRINGTABLE { 1, \"eins\" ");  // cut short
        EXPECT_EQ(LoadResourceModule(LibraryPath), nullptr);
        EXPECT_TRUE(FreeResourceModule(again));
        EXPECT_TRUE(FreeResourceModule(rewritten));
    });
}

TEST(TranslationLibrary, MissingOrOutsideFilesDoNotLoad) {
    fs::path home = TestFolder("outside/home");
    WriteFile(home.parent_path() / "Localize.dll", GoodLibrary);
    fs::create_directories(home / "Localize.dll" / "folder");  // a folder of that name is no library
    WithProgram(home.string(), [](Module) {
        EXPECT_EQ(LoadResourceModule(LibraryPath), nullptr);
        EXPECT_EQ(LoadResourceModule(u"\\Program Files\\Vistrel\\..\\Localize.dll"), nullptr);
        EXPECT_EQ(LoadResourceModule(u"Localize.dll"), nullptr);
        EXPECT_EQ(LoadResourceModule(u""), nullptr);
        EXPECT_EQ(LoadResourceModule(nullptr), nullptr);
        EXPECT_EQ(Count("modules"), 1);
    });
}

// A symbolic link below the program's folder is followed while it leads to a place inside the folder;
// one that leads out of it (to a file or a folder) is as if there were nothing.
TEST(TranslationLibrary, ALinkLoadsOnlyWhileItStaysInTheProgramFolder) {
    struct Case {
        const char* what;
        const char16_t* path;
        const char* link;    // below the program's folder
        std::string target;  // where it points ("@" stands for the test's folder, outside the program's)
        bool loads;
    };
    const std::vector<Case> cases = {
        {"a plain file", LibraryPath, nullptr, "", true},
        {"a file linked to a file inside", LibraryPath, "Localize.dll", "inside/Localize.dll", true},
        {"a file linked to a file outside", LibraryPath, "Localize.dll", "../Localize.dll", false},
        {"a file linked to an outside file by its whole path", LibraryPath, "Localize.dll", "@/Localize.dll", false},
        {"a file linked out, found ignoring case", u"\\Program Files\\Vistrel\\localize.dll", "LOCALIZE.DLL",
         "../Localize.dll", false},
        {"a folder linked to a folder inside", u"\\Program Files\\Vistrel\\Linked\\Localize.dll", "Linked", "inside", true},
        {"a folder linked out", u"\\Program Files\\Vistrel\\Away\\Localize.dll", "Away", "..", false},
        {"a folder linked out, found ignoring case", u"\\Program Files\\Vistrel\\away\\Localize.dll", "AWAY", "..",
         false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path root = TestFolder("links/" + std::to_string(++n));
        const fs::path home = root / "home";
        WriteFile(root / "Localize.dll", GoodLibrary);
        WriteFile(home / "inside" / "Localize.dll", GoodLibrary);
        if (c.link) {
            std::string target = c.target;
            if (target.starts_with("@")) target = root.string() + target.substr(1);
            fs::create_symlink(target, home / c.link);
        } else {
            WriteFile(home / "Localize.dll", GoodLibrary);
        }
        WithProgram(home.string(), [&](Module) {
            Module library = LoadResourceModule(c.path);
            EXPECT_EQ(library != nullptr, c.loads) << c.what;
            if (library) {
                EXPECT_TRUE(FreeResourceModule(library));
            }
        });
    }
}

}  // namespace
