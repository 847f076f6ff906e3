// The program's resources on the simulated handheld: its string table, accelerators, dialog templates,
// icons and cursors; translation libraries ("Localize.dll" files); the device's files.
#include <gtest/gtest.h>

#include "TestTmp.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Device.h"
#include "platform/sim/Files.h"
#include "platform/sim/IconFile.h"
#include "platform/sim/Internal.h"  // HostPath and the resource records
#include "platform/sim/ResourceScript.h"
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

TEST(ProgramResources, StringsAndPathAreCutToTheBuffer) {
    WithProgram("", [](Module module) {
        char16_t buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        EXPECT_EQ(LoadStringResource(module, 1, buffer, 5), 4);
        EXPECT_EQ(std::u16string(buffer, 5), std::u16string(u"Scre\0", 5));
        EXPECT_EQ(buffer[5], u'#');  // nothing written past the capacity
        EXPECT_EQ(LoadStringResource(module, 1, buffer, 1), 0);
        EXPECT_EQ(buffer[0], u'\0');
        EXPECT_EQ(LoadStringResource(module, 1, buffer, 0), 0);
        EXPECT_EQ(LoadStringResource(module, 1, nullptr, 8), 0);

        char16_t path[260];
        int length = GetModulePath(module, path, 260);
        EXPECT_EQ(std::u16string(path, size_t(length)), sim::ExecutablePath);
        EXPECT_EQ(GetModulePath(nullptr, path, 260), length);  // no module: the running program's
        EXPECT_EQ(GetModulePath(module, path, 4), 3);
        EXPECT_EQ(std::u16string(path), u"\\Pr");
    });
}

TEST(ProgramResources, ExecutableModuleIsCountedWhileTheProgramRuns) {
    sim::ResetDevice({});
    EXPECT_EQ(Count("modules"), 0);
    programBody = [](Module) { EXPECT_EQ(Count("modules"), 1); };
    sim::RunProgram(ProgramEntry);
    EXPECT_EQ(Count("modules"), 0);
}

TEST(ProgramResources, AcceleratorTableHasTheThreeKeys) {
    WithProgram("", [](Module module) {
        Accelerators table = LoadAcceleratorResource(module, 129);
        ASSERT_NE(table, nullptr);
        struct Expected {
            uint8_t flags;
            uint16_t key;
            uint16_t command;
        };
        const Expected expected[] = {{0x03, 0x1B, 32771}, {0x12, 'z', 32773}, {0x83, 0x70, 32775}};
        ASSERT_EQ(table->entries.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(table->entries[i].flags, expected[i].flags) << i;
            EXPECT_EQ(table->entries[i].key, expected[i].key) << i;
            EXPECT_EQ(table->entries[i].command, expected[i].command) << i;
        }
        EXPECT_EQ(LoadAcceleratorResource(module, 129), table);  // shared
        EXPECT_EQ(LoadAcceleratorResource(module, 130), nullptr);
    });
}

struct ControlExpectation {
    std::u16string className;
    std::u16string text;
    int id;
    int32_t x, y, width, height;
    uint32_t style;
};

void ExpectControls(const DialogTemplateObject& dialog, const std::vector<ControlExpectation>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size()) << "dialog " << dialog.id;
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& c = dialog.controls[i];
        const auto& e = expected[i];
        SCOPED_TRACE("dialog " + std::to_string(dialog.id) + " control " + std::to_string(i));
        EXPECT_EQ(c.className, e.className);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ((std::vector<int32_t>{c.x, c.y, c.width, c.height}), (std::vector<int32_t>{e.x, e.y, e.width, e.height}));
        EXPECT_EQ(c.style, e.style);
    }
}

constexpr uint32_t CheckBox = 0x50010003;   // child, visible, tab stop, automatic check box
constexpr uint32_t Label = 0x50020000;      // child, visible, group, left-aligned text
constexpr uint32_t Trackbar = 0x50010001;   // child, visible, tab stop, automatic ticks

TEST(ProgramResources, CommonPageHasItsControlsWhereTheyBelong) {
    WithProgram("", [](Module module) {
        DialogTemplate page = FindDialogTemplate(module, 150);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ((std::vector<int32_t>{page->x, page->y, page->width, page->height}), (std::vector<int32_t>{3, 17, 103, 91}));
        EXPECT_EQ(page->fontName, u"Microsoft Sans Serif");
        EXPECT_EQ(page->fontSize, 11);
        EXPECT_TRUE(page->style & StyleChild);
        ExpectControls(*page, {
            {ClassButton, u"Antialiasing", 1000, 3, 0, 99, 10, CheckBox},
            {ClassButton, u"Show glares", 1001, 3, 9, 99, 10, CheckBox},
            {ClassButton, u"Play animation", 1002, 3, 18, 99, 10, CheckBox},
            {ClassButton, u"Play sound", 1009, 3, 27, 99, 10, CheckBox},
            {ClassStatic, u"Zoom:", -1, 3, 39, 99, 8, Label},
            {ClassTrackbar, u"", 1003, 18, 51, 63, 15, Trackbar},
            {ClassStatic, u"x1", -1, 6, 51, 12, 8, Label},
            {ClassStatic, u"x10", -1, 84, 51, 17, 8, Label},
            {ClassStatic, u"Size:", -1, 3, 66, 99, 8, Label},
            {ClassTrackbar, u"", 1004, 18, 75, 63, 15, Trackbar},
            {ClassStatic, u"min.", -1, 3, 78, 18, 8, Label},
            {ClassStatic, u"max.", -1, 81, 78, 20, 8, Label},
        });
    });
}

TEST(ProgramResources, SheetAndOtherPagesMatchTheirLayout) {
    WithProgram("", [](Module module) {
        DialogTemplate sheet = FindDialogTemplate(module, 143);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->caption, u"Vistrel settings");
        EXPECT_EQ((std::vector<int32_t>{sheet->width, sheet->height}), (std::vector<int32_t>{116, 117}));
        EXPECT_EQ(sheet->style & (StylePopup | StyleCaption), StylePopup | StyleCaption);
        ExpectControls(*sheet, {{ClassTabControl, u"", 1010, 3, 3, 111, 111, 0x50010000}});

        ExpectControls(*FindDialogTemplate(module, 151),
                       {{ClassComboBox, u"", 1011, 3, 0, 99, 90, 0x50210103}});  // sorted drop-down list, scroll bar
        ExpectControls(*FindDialogTemplate(module, 152), {
            {ClassStatic, u"Brightness:", -1, 3, 0, 99, 8, Label},
            {ClassTrackbar, u"", 1012, 15, 9, 72, 15, Trackbar},
            {ClassStatic, u"-1", -1, 3, 12, 11, 8, Label},
            {ClassStatic, u"+1", -1, 90, 12, 11, 8, Label},
            {ClassStatic, u"Contrasting:", -1, 3, 27, 99, 8, Label},
            {ClassTrackbar, u"", 1013, 15, 36, 72, 15, Trackbar},
            {ClassStatic, u"-1", -1, 3, 39, 11, 8, Label},
            {ClassStatic, u"+1", -1, 90, 39, 11, 8, Label},
            {ClassButton, u"Reset", 1018, 3, 54, 99, 14, 0x50010000},
        });
        ExpectControls(*FindDialogTemplate(module, 153), {  // edits: border, automatic scrolling, digits only
            {ClassStatic, u"Horizontal DPI:", -1, 3, 0, 99, 8, Label},
            {ClassEdit, u"", 1014, 3, 9, 45, 12, 0x50812080},
            {ClassStatic, u"Vertical DPI:", -1, 3, 27, 99, 8, Label},
            {ClassEdit, u"", 1015, 3, 36, 45, 12, 0x50812080},
        });
        DialogTemplate about = FindDialogTemplate(module, 141);
        ASSERT_NE(about, nullptr);
        ASSERT_EQ(about->controls.size(), 3u);
        EXPECT_EQ(about->controls[0].iconId, 101);
        EXPECT_EQ((std::vector<int32_t>{about->controls[0].x, about->controls[0].y, about->controls[0].width, about->controls[0].height}),
                  (std::vector<int32_t>{3, 1, 20, 20}));
        EXPECT_EQ(about->controls[1].text, u"Vistrel\nVersion 1.0");
        EXPECT_EQ(std::count(about->controls[2].text.begin(), about->controls[2].text.end(), u'\n'), 1);

        ASSERT_NE(FindDialogTemplate(module, 154), nullptr);
        for (int id : {143, 150, 151, 152, 153, 154, 141}) {
            EXPECT_EQ(FindDialogTemplate(module, id)->fontName, u"Microsoft Sans Serif") << id;
            EXPECT_EQ(FindDialogTemplate(module, id)->fontSize, 11) << id;
        }
        EXPECT_EQ(FindDialogTemplate(module, 142), nullptr);
    });
}

TEST(ProgramResources, CursorsHaveTheirHotSpots) {
    const std::vector<std::pair<int, Point>> expected = {
        {134, {10, 10}}, {144, {0, 31}}, {146, {16, 15}}, {147, {17, 17}}, {148, {15, 15}}, {149, {2, 2}},
    };
    WithProgram("", [&](Module module) {
        int64_t before = Count("cursors");
        for (const auto& [id, hotSpot] : expected) {
            Cursor cursor = LoadCursorResource(module, id);
            ASSERT_NE(cursor, nullptr) << id;
            EXPECT_EQ(cursor->id, id);
            EXPECT_FALSE(cursor->system);
            EXPECT_EQ(cursor->hotSpot, hotSpot) << id;
            EXPECT_EQ(cursor->image.width, 32);
            EXPECT_EQ(cursor->image.height, 32);
            size_t opaque = size_t(std::count(cursor->mask.begin(), cursor->mask.end(), false));
            EXPECT_GT(opaque, 20u) << id;
            EXPECT_LT(opaque, 32u * 32u) << id;
            EXPECT_EQ(LoadCursorResource(module, id), cursor);  // shared per module
        }
        EXPECT_EQ(Count("cursors"), before);
        EXPECT_EQ(LoadCursorResource(module, 135), nullptr);
        EXPECT_EQ(LoadCursorResource(module, 101), nullptr);  // an icon is no cursor
    });
}

TEST(ProgramResources, IconsAreMadeAndDestroyedOneByOne) {
    WithProgram("", [](Module module) {
        Icon program = LoadIconResource(module, 101);
        Icon tray = LoadIconResource(module, 140);
        ASSERT_NE(program, nullptr);
        ASSERT_NE(tray, nullptr);
        Icon again = LoadIconResource(module, 101);  // every load makes a new icon
        ASSERT_NE(again, nullptr);
        EXPECT_NE(again, program);
        EXPECT_EQ(Count("icons"), 3);
        EXPECT_TRUE(DestroyIconObject(again));
        EXPECT_EQ(program->image.width, 32);
        EXPECT_EQ(tray->image.height, 32);
        // The lens is light blue and the corners are transparent.
        EXPECT_TRUE(program->mask[0]);
        EXPECT_FALSE(program->mask[size_t(12 * 32 + 12)]);
        EXPECT_EQ(program->image.At(12, 12), Rgb(0xB4, 0xDC, 0xFF));
        EXPECT_EQ(LoadIconResource(module, 134), nullptr);  // a cursor is no icon
        EXPECT_TRUE(DestroyIconObject(program));
        EXPECT_TRUE(DestroyIconObject(tray));
        EXPECT_EQ(Count("icons"), 0);
        EXPECT_FALSE(DestroyIconObject(tray));
        EXPECT_FALSE(DestroyIconObject(nullptr));
    });
}

TEST(ProgramResources, ScriptNamesOnlyFilesTheProgramCarries) {
    for (const char* name : {"ResourceIds.h", "Program.ico", "Tray.ico", "Aim.cur", "ColorPicker.cur", "Brightness.cur",
                             "Correction.cur", "Contrast.cur", "Tape.cur", "aim.CUR"}) {
        EXPECT_TRUE(resources::EmbeddedResourceFile(name).has_value()) << name;
    }
    EXPECT_FALSE(resources::EmbeddedResourceFile("Missing.ico").has_value());
    EXPECT_NE(resources::EmbeddedResourceScript().find("STRINGTABLE"), std::string_view::npos);
}

// ---- Icon and cursor files ----

std::vector<uint8_t> EmbeddedBytes(const char* name) {
    std::string_view bytes = *resources::EmbeddedResourceFile(name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(IconFiles, MalformedFilesGiveNoPicture) {
    const std::vector<uint8_t> good = EmbeddedBytes("Aim.cur");
    ASSERT_TRUE(sim::DecodeIconFile(good.data(), good.size(), true));
    auto changed = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> copy = good;
        std::copy(bytes.begin(), bytes.end(), copy.begin() + std::ptrdiff_t(at));
        return copy;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"directory only", std::vector<uint8_t>(good.begin(), good.begin() + 6)},
        {"cut in the rows", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"an icon's type", changed(2, {1, 0})},
        {"no pictures", changed(4, {0, 0})},
        {"too many pictures", changed(4, {0xFF, 0xFF})},
        {"offset past the end", changed(18, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"size past the end", changed(14, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"header size huge", changed(22, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"width negative", changed(26, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"width 100000", changed(26, {0xA0, 0x86, 0x01, 0x00})},
        {"odd height", changed(30, {63, 0, 0, 0})},
        {"7 bits per pixel", changed(36, {7, 0})},
        {"compressed", changed(38, {1, 0, 0, 0})},
        {"palette larger than the bits allow", changed(54, {3, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(sim::DecodeIconFile(c.bytes.data(), c.bytes.size(), true)) << c.what;
    }
    EXPECT_FALSE(sim::DecodeIconFile(good.data(), good.size(), false)) << "a cursor read as an icon";
    EXPECT_FALSE(sim::DecodeIconFile(nullptr, 100, true));
    // Every shorter piece of a real file is refused without reading past it.
    const std::vector<uint8_t> icon = EmbeddedBytes("Program.ico");
    for (size_t size = 0; size < icon.size(); ++size) {
        std::vector<uint8_t> piece(icon.begin(), icon.begin() + std::ptrdiff_t(size));
        EXPECT_FALSE(sim::DecodeIconFile(piece.data(), piece.size(), false)) << size;
    }
}

TEST(IconFiles, PaletteAndAlphaPicturesAreRead) {
    // A 2 x 2 picture of 4 bits with a palette of 2 colours, and a 32-bit one whose alpha decides.
    auto file = [](uint16_t bits, std::vector<uint8_t> palette, std::vector<uint8_t> rows, std::vector<uint8_t> mask) {
        std::vector<uint8_t> out = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, uint8_t(bits), 0};
        uint32_t size = uint32_t(40 + palette.size() + rows.size() + mask.size());
        for (uint32_t v : {size, 22u}) for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
        std::vector<uint8_t> header(40, 0);
        header[0] = 40;
        header[4] = 2;
        header[8] = 4;
        header[12] = 1;
        header[14] = uint8_t(bits);
        header[32] = uint8_t(palette.size() / 4);
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), palette.begin(), palette.end());
        out.insert(out.end(), rows.begin(), rows.end());
        out.insert(out.end(), mask.begin(), mask.end());
        return out;
    };
    // Palette: black, blue. Bottom row first: bottom row = indices 1,0; top row = 0,1. The mask marks
    // the top-left (black) pixel transparent and the top-right (blue) one too, which inverts the
    // screen there and is shown in its colour.
    std::vector<uint8_t> four = file(4, {0, 0, 0, 0, 255, 0, 0, 0}, {0x10, 0, 0, 0, 0x01, 0, 0, 0},
                                     {0x00, 0, 0, 0, 0xC0, 0, 0, 0});
    auto picture = sim::DecodeIconFile(four.data(), four.size(), false);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->image.At(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(picture->image.At(1, 0), Rgb(0, 0, 255));
    EXPECT_EQ(picture->image.At(0, 1), Rgb(0, 0, 255));
    EXPECT_EQ(picture->image.At(1, 1), Rgb(0, 0, 0));
    EXPECT_EQ(picture->mask, (std::vector<bool>{true, false, false, false}));

    std::vector<uint8_t> rows = {1, 2, 3, 255, 4, 5, 6, 0, 7, 8, 9, 200, 10, 11, 12, 50};
    std::vector<uint8_t> alpha = file(32, {}, rows, {});
    picture = sim::DecodeIconFile(alpha.data(), alpha.size(), false);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->image.At(0, 1), Rgb(3, 2, 1));
    EXPECT_EQ(picture->mask, (std::vector<bool>{false, true, false, true}));
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

TEST(TranslationLibrary, TheProgramScriptAndTheDocumentedExampleAreLibraries) {
    fs::path home = TestFolder("copies");
    WriteFile(home / "Localize.dll", std::string(resources::EmbeddedResourceScript()));
    WithProgram(home.string(), [](Module exe) {
        Module library = LoadResourceModule(LibraryPath);
        ASSERT_NE(library, nullptr);
        for (int id = 1; id <= 20; ++id) EXPECT_EQ(Text(library, id), Text(exe, id)) << id;
        for (int id : {143, 150, 151, 152, 153, 154, 141}) {
            ASSERT_NE(FindDialogTemplate(library, id), nullptr) << id;
            EXPECT_EQ(FindDialogTemplate(library, id)->controls.size(), FindDialogTemplate(exe, id)->controls.size());
        }
        EXPECT_TRUE(FreeResourceModule(library));
    });

    // The example of the translators' guide loads as it stands.
    std::ifstream guide(fs::path(VISTREL_SOURCE_DIR) / "docs" / "translation.md");
    std::string line, example;
    bool inside = false, found = false;
    while (std::getline(guide, line)) {
        if (line.rfind("```", 0) == 0) {
            if (inside && example.find("STRINGTABLE") != std::string::npos) found = true;
            if (found) break;
            inside = !inside;
            example.clear();
            continue;
        }
        if (inside) example += line + "\n";
    }
    ASSERT_TRUE(found);
    WriteFile(home / "Localize.dll", example);
    WithProgram(home.string(), [](Module) {
        Module library = LoadResourceModule(LibraryPath);
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(Text(library, 1), u"Bildschirmlupe");
        EXPECT_EQ(Text(library, 2), u"MAGNIFYINGGLASS");
        EXPECT_EQ(Text(library, 20), u"Deutsch");
        DialogTemplate page = FindDialogTemplate(library, 152);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->controls.back().text, u"Zur\u00FCcksetzen");
        EXPECT_EQ(page->controls.back().id, 1018);
        EXPECT_TRUE(FreeResourceModule(library));
    });
}

TEST(TranslationLibrary, MalformedFilesAreRefusedWhole) {
    const std::string good = GoodLibrary;
    struct Case {
        const char* what;
        std::string text;
        bool loads;
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
        {"too large a file", "//" + std::string(sim::MaxScriptBytes, 'x') + "\n", false},
    };
    fs::path home = TestFolder("malformed");
    for (const Case& c : cases) {
        WriteFile(home / "Localize.dll", c.text);
        WithProgram(home.string(), [&](Module) {
            Module library = LoadResourceModule(LibraryPath);
            EXPECT_EQ(library != nullptr, c.loads) << c.what;
            EXPECT_EQ(Count("modules"), c.loads ? 2 : 1) << c.what;
            if (library) {
                EXPECT_TRUE(FreeResourceModule(library));
            }
        });
    }
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

// ---- The script reader ----

std::optional<sim::ResourceScript> Parse(const std::string& text, std::string* error = nullptr) {
    auto includes = [](const std::string& name) -> std::optional<std::string> {
        auto bytes = resources::EmbeddedResourceFile(name);
        return bytes ? std::optional<std::string>(std::string(*bytes)) : std::nullopt;
    };
    return sim::ParseResourceScript(text, includes, error, "test.rc");
}

TEST(ResourceScriptReader, ErrorsNameTheLine) {
    std::string error;
    EXPECT_FALSE(Parse("STRINGTABLE\nBEGIN\n  1, \"a\"\n  2, oops\nEND\n", &error));
    EXPECT_EQ(error.rfind("test.rc line 4:", 0), 0u) << error;
    EXPECT_FALSE(Parse("#include \"ResourceIds.h\"\n#define X (1\n", &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(ResourceScriptReader, ReadsTheForms) {
    std::string error;
    auto script = Parse(
        "#define BASE 0x10\n"
        "#define BOTH BASE | 0x01 /* a comment */\n"
        "#pragma code_page(65001)\n"
        "LANGUAGE 9, 1\n"
        "STRINGTABLE DISCARDABLE { BASE + 1 L\"wide\" 3, \"a\\tb\\\\c\" }\n"
        "7 ACCELERATORS { \"^C\", 5, ASCII  0x41, 6, VIRTKEY, SHIFT, CONTROL  \"q\", 7, VIRTKEY }\n"
        "9 DIALOG 1, 2, 3, 4\n"
        "BEGIN\n"
        "  CTEXT \"mid\", 4, 0, 0, 10, 10\n"
        "  DEFPUSHBUTTON \"OK\", 1, 0, 0, 10, 10, BOTH\n"
        "  CONTROL 101, 8, STATIC, 3, 0, 0, 5, 5, 0x20\n"
        "END\n"
        "12 ICON \"x.ico\"\n",
        &error);
    ASSERT_TRUE(script) << error;
    EXPECT_EQ(script->strings.at(17), u"wide");
    EXPECT_EQ(script->strings.at(3), u"a\tb\\c");
    const auto& keys = script->accelerators.at(7).entries;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].key, 3);  // Control+C as a character
    EXPECT_EQ(keys[0].flags, 0);
    EXPECT_EQ(keys[1].flags, AccelVirtKey | AccelShift | AccelControl);
    EXPECT_EQ(keys[2].key, 'Q');  // a virtual key is the upper-case letter
    EXPECT_EQ(keys[2].flags, AccelVirtKey | AccelLast);
    const auto& dialog = script->dialogs.at(9);
    EXPECT_EQ(dialog.style, StylePopup | StyleBorder | StyleSysMenu);  // the default without STYLE
    EXPECT_EQ(dialog.controls[0].style, 0x50020001u);
    EXPECT_EQ(dialog.controls[1].style, 0x50000011u);  // a given style keeps the default button kind
    EXPECT_EQ(dialog.controls[2].iconId, 101);
    EXPECT_EQ(dialog.controls[2].exStyle, 0x20u);
    EXPECT_EQ(script->iconFiles.at(12), "x.ico");
}

// ---- Files ----

TEST(DeviceFiles, HostPathMapsTheProgramFolderIgnoringCase) {
    fs::path home = TestFolder("paths/home");
    WriteFile(home / "Skins" / "Blue.BMP", "x");
    WriteFile(home / "Sounds" / "MainWindow.wav", "x");
    WriteFile(home.parent_path() / "secret.txt", "x");
    fs::create_symlink(home.parent_path() / "secret.txt", home / "Link.txt");
    sim::DeviceConfig config;
    config.home = home.string();
    sim::ResetDevice(config);
    const std::string h = home.string();
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"\\Program Files\\Vistrel", h},
        {u"\\Program Files\\Vistrel\\Skins\\Blue.BMP", h + "/Skins/Blue.BMP"},
        {u"\\PROGRAM FILES\\vistrel\\skins\\blue.bmp", h + "/Skins/Blue.BMP"},
        {u"\\Program Files\\Vistrel\\SOUNDS\\mainwindow.WAV", h + "/Sounds/MainWindow.wav"},
        {u"\\Program Files\\Vistrel\\Sounds\\New.wav", h + "/Sounds/New.wav"},
        {u"\\Program Files\\Vistrel\\Nowhere\\Deeper\\x", h + "/Nowhere/Deeper/x"},
        {u"\\Program Files\\Vistrel\\Skins\\..\\..\\secret.txt", ""},
        {u"\\Program Files\\Vistrel\\..\\secret.txt", ""},
        {u"\\Program Files\\Vistrel\\.\\Skins", ""},
        {u"\\Program Files\\Vistrel/../secret.txt", ""},
        {u"\\Program Files\\Vistrel\\Link.txt", ""},  // a link that leads out of the folder
        {u"\\Windows\\secret.txt", ""},
        {u"\\Program Files\\Other\\x", ""},
        {u"Program Files\\Vistrel\\Skins", ""},
        {u"", ""},
    };
    for (const auto& [device, host] : cases) {
        EXPECT_EQ(sim::detail::HostPath(device.c_str()), host) << sim::detail::ToUtf8(device);
    }
    EXPECT_EQ(sim::detail::HostPath(nullptr), "");
}

TEST(DeviceFiles, SearchFindsMatchingFilesInNameOrder) {
    fs::path home = TestFolder("search");
    for (const char* name : {"b.bmp", "A.BMP", "c.bmpx", "notes.txt", "x.bmp.txt"}) WriteFile(home / "Skins" / name, "x");
    fs::create_directories(home / "Skins" / "d.bmp");
    sim::DeviceConfig config;
    config.home = home.string();
    sim::ResetDevice(config);

    auto search = [](const char16_t* pattern) {
        std::vector<std::u16string> names;
        FindData data;
        FindHandle handle = FindFirstFileAt(pattern, &data);
        if (!handle) return names;
        do {
            names.push_back(data.name + std::u16string(data.directory ? u"/" : u""));
        } while (FindNextFileAt(handle, &data));
        EXPECT_FALSE(FindNextFileAt(handle, &data));
        EXPECT_TRUE(FindCloseHandle(handle));
        return names;
    };
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\*.bmp"), (Names{u"A.BMP", u"b.bmp"}));
    EXPECT_EQ(search(u"\\program files\\VISTREL\\skins\\*.BMP"), (Names{u"A.BMP", u"b.bmp"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\?.bmp*"), (Names{u"A.BMP", u"b.bmp", u"c.bmpx", u"x.bmp.txt"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\*.*"), (Names{u"A.BMP", u"b.bmp", u"c.bmpx", u"notes.txt", u"x.bmp.txt"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\NOTES.txt"), (Names{u"notes.txt"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\SKINS"), (Names{u"Skins/"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\D.bmp"), (Names{u"d.bmp/"}));
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\*.wav"), Names{});
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Missing\\*.bmp"), Names{});
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\..\\*"), Names{});
    EXPECT_EQ(search(u"\\Program Files\\Vistrel\\Skins\\"), Names{});

    FindData data;
    FindHandle open = FindFirstFileAt(u"\\Program Files\\Vistrel\\Skins\\*.bmp", &data);
    EXPECT_EQ(Count("finds"), 1);
    EXPECT_TRUE(FindCloseHandle(open));
    EXPECT_FALSE(FindCloseHandle(open));
    EXPECT_EQ(Count("finds"), 0);
}

TEST(DeviceFiles, PatternsMatchLikeTheHandheld) {
    struct Case {
        std::u16string pattern, name;
        bool matches;
    };
    const std::vector<Case> cases = {
        {u"*.bmp", u"Skin.BMP", true},   {u"*.bmp", u"skin.bmpx", false}, {u"*", u"", true},
        {u"a*b*c", u"aXXbYYc", true},    {u"a*b*c", u"aXXbYY", false},    {u"??", u"ab", true},
        {u"??", u"abc", false},          {u"*.*", u"README", true},       {u"*a*a*a*a*a*b", std::u16string(60, u'a'), false},
        {u"\u0416*", u"\u0436\u0443\u043A", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sim::detail::MatchesPattern(c.pattern, c.name), c.matches)
            << sim::detail::ToUtf8(c.pattern) << " / " << sim::detail::ToUtf8(c.name);
    }
}

}  // namespace
