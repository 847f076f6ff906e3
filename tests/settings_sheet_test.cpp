// The settings sheet, opened through the program's menu and worked with the scenario's sheet commands:
// what OK and Cancel do to the settings, the windows, the skin and the hot key.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/windowing/Controls.h"
#include "platform/sim/Simulation.h"
#include "settings/Settings.h"
#include "shell/ShellState.h"
#include "tools/Docking.h"

using namespace platform;

namespace {

using namespace program_test;

const char* const OpenSheet = "tray double\nmenu 7\n";
constexpr uint32_t TapeKey = 193;  // the default PPCScanCode

void SetSkinName(Settings& s, const std::u16string& name) {
    std::fill(std::begin(s.SkinName), std::end(s.SkinName), u'\0');
    name.copy(s.SkinName, name.size());
}

// The skin name by its text (what follows its end may differ), every other setting by its bytes.
void ExpectSameSettings(const Settings& a, const Settings& e) {
    EXPECT_EQ(std::u16string(a.SkinName), std::u16string(e.SkinName));
    Settings sameName = a;
    std::copy(std::begin(e.SkinName), std::end(e.SkinName), sameName.SkinName);
    EXPECT_EQ(std::memcmp(&sameName, &e, sizeof e), 0) << "a setting other than the skin name differs";
}

bool TapeKeyRegistered() {
    for (const auto& h : sim::HotKeys())
        if (h.id == int(TapeKey) && h.virtualKey == TapeKey && h.modifiers == ModWin) return true;
    return false;
}

Rect ScreenRectOf(Window window) {
    Rect r;
    GetWindowRectangle(window, &r);
    return r;
}

// The tick marks under a trackbar of the shown page, as the black pixels of its lowest row that has any,
// stand the same distance apart.
void ExpectEvenTicks(intptr_t id, size_t count) {
    std::vector<int32_t> xs;
    for (Window control : sim::controls::LiveControls()) {
        const Rect r = ScreenRectOf(control);
        for (int32_t y = r.bottom - 1; GetWindowId(control) == id && xs.empty() && y >= r.top; --y)
            for (int32_t x = r.left; x < r.right; ++x)
                if (sim::ScreenPixel(x, y) == 0) xs.push_back(x);
    }
    ASSERT_EQ(xs.size(), count) << "trackbar " << id;
    for (size_t i = 2; i < xs.size(); ++i) EXPECT_NEAR(xs[i] - xs[i - 1], xs[1] - xs[0], 1) << "trackbar " << id;
}

// The body of the sheet's tab control, where the pages show.
Rect PageArea() {
    Window tab = GetDialogItem(Shell().SettingsSheetWindow, 1010);
    Rect r = ScreenRectOf(tab);
    r.top += Height(r) / 4;
    return Rect{r.left + 4, r.top, r.right - 4, r.bottom - 4};
}

template <class Test>
int CountPixels(const Rect& r, Test test) {
    int count = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (test(sim::ScreenPixel(x, y))) ++count;
    return count;
}

bool Chromatic(ColorRef c) { return RedOf(c) != GreenOf(c) || GreenOf(c) != BlueOf(c); }

// A home folder with the project's skins, a skin too small to use, a folder that looks like a skin, a
// file that is no skin and two long names: one that fits SkinName with ".bmp" (123 characters) and one
// that does not (124).
const std::string& SkinHome() {
    static const std::string home = [] {
        namespace fs = std::filesystem;
        const fs::path folder = fs::path(TestTempFile("sheet-home"));
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::create_directories(folder / "Skins" / "Folder.bmp", ec);
        for (const char* name : {"VezoZevode.bmp", "Square.bmp"})
            fs::copy_file(fs::path(DefaultHomeFolder()) / "Skins" / name, folder / "Skins" / name, ec);
        sim::WriteBmpFile(sim::Image(100, 100, 0x00FF00), (folder / "Skins" / "Tiny.bmp").string());
        sim::WriteBmpFile(sim::Image(4, 4, 0), (folder / "Skins" / "Notes.txt").string());
        for (size_t length : {123u, 124u})
            sim::WriteBmpFile(sim::Image(4, 4, 0), (folder / "Skins" / (std::string(length, 'L') + ".bmp")).string());
        return folder.string();
    }();
    return home;
}

sim::DeviceConfig WithSkinHome() {
    sim::DeviceConfig config;
    config.home = SkinHome();
    return config;
}

// Live handle counts, without the pop-up menu that the program keeps until the menu's next opening.
std::map<std::string, int64_t> CountsWithoutMenu() {
    std::map<std::string, int64_t> counts = sim::ObjectCounts();
    counts.erase("menus");
    return counts;
}

}  // namespace

TEST(SettingsSheet, OkWithoutChangesOnlyCutsValuesToTheTrackbarSteps) {
    SimSession s;
    Settings before;
    std::map<std::string, int64_t> counts;
    s.Check([&] {
        Settings& live = Glass().Settings;
        live.ZoomX = 2.57f;
        live.Bright = 0.456f;
        live.Contrast = 0.5f;
        live.ShowLight = 1;
        before = live;
        counts = CountsWithoutMenu();
        EXPECT_TRUE(TapeKeyRegistered());
    });
    s.Do(OpenSheet);
    s.Check([&] {
        EXPECT_TRUE(Shell().SettingsSheetOpen);
        EXPECT_TRUE(sim::DialogOpen());
        EXPECT_EQ(Shell().SettingsSheetWindow, sim::OpenDialog());
        EXPECT_FALSE(IsWindowInputEnabled(Shell().MagnifierWindow));
        EXPECT_FALSE(TapeKeyRegistered());
        EXPECT_EQ(GetWindowExStyle(Shell().SettingsSheetWindow) & (ExStyleCaptionOkButton | ExStyleContextHelp),
                  ExStyleCaptionOkButton | ExStyleContextHelp);
    });
    s.Do("wait 200\nsheet ok");
    s.Check([&] {
        // OK has been handled completely before the next line runs.
        EXPECT_FALSE(Shell().SettingsSheetOpen);
        EXPECT_EQ(Shell().SettingsSheetWindow, nullptr);
        EXPECT_FALSE(sim::DialogOpen());
        EXPECT_TRUE(IsWindowInputEnabled(Shell().MagnifierWindow));
        Settings expected = before;
        expected.ShowLight = 0;
        expected.ZoomX = 2.5f;
        expected.Bright = 0.45f;
        ExpectSameSettings(Glass().Settings, expected);
        EXPECT_TRUE(TapeKeyRegistered());  // registered again by the layout
        EXPECT_EQ(Shell().SkinPreviewBitmap, nullptr);
        EXPECT_EQ(CountsWithoutMenu(), counts);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, TrackbarsCountTenthsAndHundredthsWithinTheirEnds) {
    SimSession s;
    struct Case {
        int position;
        float zoom;
    } cases[] = {{10, 1.0f}, {100, 10.0f}, {37, 3.7f}, {5, 1.0f}, {250, 10.0f}};
    for (const Case& c : cases) {
        s.Do(std::string(OpenSheet) + "sheet track 1003 " + std::to_string(c.position) + "\nsheet ok");
        s.Check([&] { EXPECT_EQ(Glass().Settings.ZoomX, c.zoom) << c.position; });
    }
    // The correction trackbars end at 0 and 100 hundredths.
    s.Do(std::string(OpenSheet) + "sheet track 1012 250\nsheet track 1013 -5\nsheet ok");
    s.Check([] { EXPECT_EQ((std::pair{Glass().Settings.Bright, Glass().Settings.Contrast}), (std::pair{1.0f, 0.0f})); });
    // Tick marks at even steps: every 18 tenths of zoom, every 10 hundredths of brightness.
    s.Do(std::string(OpenSheet) + "wait 50");
    s.Check([] { ExpectEvenTicks(1003, 6); });
    s.Do("sheet tab 2\nwait 50");
    s.Check([] { ExpectEvenTicks(1012, 11); });
    s.Do("sheet cancel");
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, SizeTrackbarSpansTheWindowSizeBoundsAndKeepsTheCentre) {
    SimSession s;
    s.Do(std::string(OpenSheet) + "sheet track 1004 9999\nsheet ok");
    s.Check([&] {
        const Magnifier& m = Glass();
        EXPECT_EQ(m.Settings.WindowSize, m.MaxWindowSize);
        const Rect& r = m.Settings.WindowRect;
        EXPECT_EQ(Width(r), m.MaxWindowSize);
        EXPECT_EQ(r.left + Width(r) / 2, 140);  // the centre of (100, 100, 180, 180) stays
        EXPECT_EQ(r.top + Height(r) / 2, 140);
        EXPECT_EQ(ScreenRectOf(m.MagnifierWindow), r);
    });
    s.Do(std::string(OpenSheet) + "sheet track 1004 0\nsheet ok");
    s.Check([&] { EXPECT_EQ(Glass().Settings.WindowSize, Glass().MinWindowSize); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, SizeChangeRecentresTheGlassAndCarriesDockedToolsAlong) {
    struct Case {
        const char* name;
        bool pickerRight;
        Rect picker;
    } cases[] = {
        {"picker below", false, {40, 200, 240, 250}},
        {"picker at the right", true, {200, 115, 400, 165}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.Check([&] {
            Magnifier& m = Glass();
            ASSERT_EQ(m.Settings.WindowRect, (Rect{100, 100, 180, 180}));
            if (c.pickerRight) {
                m.Settings.ColorPickerRect = Rect{180, 115, 380, 165};
                EXPECT_EQ(ComputeColorPickerDock(m), DockRight);
            }
        });
        s.Do(std::string(OpenSheet) + "sheet track 1004 120\nsheet ok");
        s.Check([&] {
            const Magnifier& m = Glass();
            EXPECT_EQ(m.Settings.WindowRect, (Rect{80, 80, 200, 200}));
            EXPECT_EQ(m.Settings.ColorPickerRect, c.picker);
            EXPECT_EQ(ScreenRectOf(m.ColorPickerWindow), c.picker);
            EXPECT_EQ(m.Settings.TapeRect, (Rect{28, 30, 253, 80}));  // docked above, centred on the top edge
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(SettingsSheet, SkinListShowsTheSkinFilesWithoutTheirExtension) {
    SimSession s(WithSkinHome());
    s.Do(OpenSheet);
    s.Check([&] {
        std::string error;
        EXPECT_FALSE(sim::SheetSelect(u"Square.bmp", &error));
        const std::string fits(123, 'L');
        EXPECT_NE(error.find("(items: \"" + fits + "\", \"Square\", \"Tiny\", \"VezoZevode\")"), std::string::npos)
            << error;
        EXPECT_EQ(error.find(fits + "L"), std::string::npos);  // too long for SkinName: left out
        EXPECT_EQ(error.find("Folder"), std::string::npos);
        EXPECT_TRUE(sim::SheetSelect(std::u16string(123, u'L'), &error)) << error;  // the first item
    });
    s.Do("sheet ok");
    s.Check([&] { EXPECT_EQ(std::u16string(Glass().Settings.SkinName), std::u16string(123, u'L') + u".bmp"); });
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, CurrentSkinIsSelectedWhateverItsLetterCase) {
    struct Case {
        const char16_t* skinName;
        bool preview;
        const char16_t* afterOk;
    } cases[] = {
        {u"vezozevode.bmp", true, u"VezoZevode.bmp"},  // the item's own spelling is taken
        {u"SQUARE.BMP", true, u"Square.bmp"},
        // No file of that name: nothing is selected, so OK keeps the name rather than taking the
        // skin whose name it begins.
        {u"Squ.bmp", false, u"Squ.bmp"},
        {u"bmp", false, u"bmp"},
        {u"L.bmp", false, u"L.bmp"},  // the first item begins with it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.skinName, c.skinName + std::char_traits<char16_t>::length(c.skinName)));
        SimSession s(WithSkinHome());
        s.Check([&] { SetSkinName(Glass().Settings, c.skinName); });
        s.Do(OpenSheet);
        s.Check([&] { EXPECT_EQ(Shell().SkinPreviewBitmap != nullptr, c.preview); });
        s.Do("sheet ok");
        s.Check([&] { EXPECT_EQ(std::u16string(Glass().Settings.SkinName), c.afterOk); });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(SettingsSheet, ChosenSkinShowsItsPreviewOnTheSkinPage) {
    SimSession s(WithSkinHome());
    const ColorRef face = 0xC0C0C0;
    std::map<std::string, int64_t> counts;
    s.Check([&] { counts = CountsWithoutMenu(); });
    s.Do(std::string(OpenSheet) + "sheet tab 1\nsheet select Square\nwait 50");
    s.Check([&] {
        EXPECT_NE(Shell().SkinPreviewBitmap, nullptr);
        EXPECT_GT(CountPixels(PageArea(), [&](ColorRef c) { return c != face; }), 1000);
        // Centred across the page, below the list's field.
        Rect below = PageArea();
        below.top += Height(below) / 4;
        int32_t left = below.right, right = below.left;
        for (int32_t y = below.top; y < below.bottom; ++y)
            for (int32_t x = below.left; x < below.right; ++x)
                if (sim::ScreenPixel(x, y) != face) left = std::min(left, x), right = std::max(right, x + 1);
        EXPECT_NEAR(left + right, below.left + below.right, 10);  // within the page's frame
    });
    s.Do("sheet select Tiny\nwait 50");  // too small to be a skin: no preview, and the old one is gone
    s.Check([&] {
        EXPECT_EQ(Shell().SkinPreviewBitmap, nullptr);
        Rect below = PageArea();
        below.top += Height(below) / 4;  // below the list's field
        EXPECT_EQ(CountPixels(below, [&](ColorRef c) { return c != face; }), 0);
    });
    s.Do("sheet select VezoZevode\nwait 50\nsheet cancel");
    s.Check([&] {
        EXPECT_EQ(Shell().SkinPreviewBitmap, nullptr);
        EXPECT_EQ(std::u16string(Glass().Settings.SkinName), u"VezoZevode.bmp");
        EXPECT_EQ(CountsWithoutMenu(), counts);
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, DpiEditsTakeNumbersAndEmptyOnesKeepTheOldValues) {
    // Each row types into both edits and confirms; the edits take digits only.
    struct Row {
        const char* horizontal;
        const char* vertical;
        Resolution expected;
    } rows[] = {{"0", "", {0, 96}},       {"96", "109", {96, 109}}, {"1x3y0", "9", {130, 9}},
                {"", "", {130, 9}},       {"4294967296", "2147483647", {2147483647, 2147483647}}};
    SimSession s;
    s.Check([&] { Glass().Settings.DevicePPI = Resolution{72, 96}; });
    for (const Row& row : rows) {
        s.Do(OpenSheet);
        s.Check([&] {
            std::string error;
            EXPECT_TRUE(sim::SheetSetText(1014, std::u16string(row.horizontal, row.horizontal + strlen(row.horizontal)), &error));
            EXPECT_TRUE(sim::SheetSetText(1015, std::u16string(row.vertical, row.vertical + strlen(row.vertical)), &error));
        });
        s.Do("sheet ok");
        s.Check([&] { EXPECT_EQ(Glass().Settings.DevicePPI, row.expected) << row.horizontal << " " << row.vertical; });
    }
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, ResetSetsBothCorrectionsToTheMiddleOnlyOnOk) {
    struct Case {
        const char* end;
        float bright, contrast;
    } cases[] = {{"sheet ok", 0.5f, 0.5f}, {"sheet cancel", 0.3f, 0.8f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end);
        SimSession s;
        s.Check([&] {
            Glass().Settings.Bright = 0.3f;
            Glass().Settings.Contrast = 0.8f;
        });
        s.Do(std::string(OpenSheet) + "sheet tab 2\nsheet click 1018");
        s.Check([&] { EXPECT_EQ(Glass().Settings.Bright, 0.3f); });  // nothing changes before OK
        s.Do(c.end);
        s.Check([&] {
            EXPECT_EQ(Glass().Settings.Bright, c.bright);
            EXPECT_EQ(Glass().Settings.Contrast, c.contrast);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(SettingsSheet, CancelDropsTheEditsAndRegistersTheHotKeyAgain) {
    SimSession s;
    Settings before;
    s.Check([&] { before = Glass().Settings; });
    s.Do(std::string(OpenSheet) + "sheet check 1000 0\nsheet check 1009 0\nsheet track 1003 100\nsheet track 1004 150\n"
                                  "sheet select Square\nsheet text 1015 300");
    s.Check([&] {
        EXPECT_FALSE(TapeKeyRegistered());
        ExpectSameSettings(Glass().Settings, before);  // the live record is never touched while open
    });
    s.Do("sheet cancel");
    s.Check([&] {
        EXPECT_FALSE(Shell().SettingsSheetOpen);
        ExpectSameSettings(Glass().Settings, before);
        EXPECT_TRUE(TapeKeyRegistered());
    });
    EXPECT_EQ(s.Start(), 0);
}

TEST(SettingsSheet, SecondSettingsCommandBringsTheOpenSheetToTheFront) {
    SimSession s;
    Window sheet = nullptr;
    s.Do(OpenSheet);
    s.Check([&] {
        sheet = Shell().SettingsSheetWindow;
        SetForeground(Shell().ColorPickerWindow);
        ShowWindowAs(Shell().ColorPickerWindow, ShowShow);
        EXPECT_NE(sim::TopLevelWindows().front().handle, sheet);
    });
    s.Do(OpenSheet);
    s.Check([&] {
        EXPECT_EQ(Shell().SettingsSheetWindow, sheet);
        EXPECT_EQ(sim::TopLevelWindows().front().handle, sheet);
        int dialogs = 0;
        for (const auto& w : sim::TopLevelWindows()) dialogs += w.className == u"Dialog";
        EXPECT_EQ(dialogs, 1);
        ShowWindowAs(Shell().ColorPickerWindow, ShowHide);
    });
    s.Do("sheet ok");
    s.Check([&] { EXPECT_FALSE(Shell().SettingsSheetOpen); });
    EXPECT_EQ(s.Start(), 0);
}

// The About page shows the program's icon whichever language the texts come from; no other page does.
TEST(SettingsSheet, FifthTabShowsTheProgramsIconInEveryLanguage) {
    for (const bool german : {false, true}) {
        SCOPED_TRACE(german ? "German" : "English");
        SimSession s;
        s.Config().home = ProgramFolder(german ? "sheet-german" : "sheet-english", german);
        s.Do(std::string(OpenSheet) + "sheet tab 3\nwait 50");
        s.Check([&] { EXPECT_EQ(CountPixels(PageArea(), Chromatic), 0); });  // the Units page: no colour
        s.Do("sheet tab 4\nwait 50");
        s.Check([&] { EXPECT_GT(CountPixels(PageArea(), Chromatic), 50); });  // the program's icon
        s.Do("sheet tab 0\nwait 50");
        s.Check([&] {
            EXPECT_EQ(CountPixels(PageArea(), Chromatic), 0);
            int animationBoxShown = 0;  // the Common page shows again
            for (Window control : sim::controls::LiveControls())
                animationBoxShown += GetWindowId(control) == 1002 && IsWindowShown(GetParentWindow(control));
            EXPECT_EQ(animationBoxShown, 1);
        });
        s.Do("sheet cancel");
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(SettingsSheet, HelpKeyOnTheSheetOpensTheHelpViewer) {
    SimSession s;
    s.Do(std::string(OpenSheet) + "key 0x70");
    s.Check([&] {
        ASSERT_EQ(sim::Processes().size(), 1u);
        EXPECT_EQ(sim::Processes()[0].program, u"peghelp");
        EXPECT_TRUE(Shell().SettingsSheetOpen);
    });
    s.Do("sheet ok");
    EXPECT_EQ(s.Start(), 0);
}

// Every correction step the sheet stores shows at the same position next time, so open + OK keeps it.
TEST(SettingsSheet, StoredCorrectionsComeBackUnchangedThroughOpenAndOk) {
    SimSession s;
    for (int p = 0; p <= 100; ++p) {
        s.Do(std::string(OpenSheet) + "sheet track 1012 " + std::to_string(p) + "\nsheet track 1013 " +
             std::to_string(100 - p) + "\nsheet ok\n" + OpenSheet + "sheet ok");
        s.Check([p] {
            EXPECT_EQ(Glass().Settings.Bright, float(p * 0.01)) << p;
            EXPECT_EQ(Glass().Settings.Contrast, float((100 - p) * 0.01)) << p;
        });
    }
    EXPECT_EQ(s.Start(), 0);
}

// OK lays the windows out again: the shown glass's view gets no cross-hair from it.
TEST(SettingsSheet, OkRendersTheShownViewWithoutACrossHair) {
    SimSession s;
    s.Do(ShowGlass).Do(std::string(OpenSheet) + "sheet ok");
    s.Check([] {
        const sim::Image shown = glass_test::ReadView(Glass());
        RenderView(Glass(), true, false, false);
        EXPECT_EQ(DifferingPixels(shown, glass_test::ReadView(Glass())), 0);
    });
    EXPECT_EQ(s.Start(), 0);
}

// The sheet's frame is drawn with it: a black border around the dark blue title bar.
TEST(SettingsSheet, FrameShowsItsBorderAndTitleBar) {
    SimSession s;
    s.Do(std::string(OpenSheet) + "wait 50");
    s.Check([] {
        Rect r{};
        for (const sim::WindowInfo& w : sim::TopLevelWindows())
            if (w.handle == Shell().SettingsSheetWindow) r = w.rect;
        ASSERT_FALSE(IsRectangleEmpty(r));
        const struct {
            const char* name;
            Point at;
            ColorRef color;
        } cases[] = {
            {"top border", {r.left + 2, r.top}, Rgb(0, 0, 0)},
            {"left border", {r.left, r.top + 9}, Rgb(0, 0, 0)},
            {"bottom border", {r.left + 9, r.bottom - 1}, Rgb(0, 0, 0)},
            {"right border", {r.right - 1, r.bottom - 9}, Rgb(0, 0, 0)},
            {"title bar", {r.left + 2, r.top + 9}, Rgb(0, 0, 128)},
        };
        for (const auto& c : cases) EXPECT_EQ(sim::ScreenPixel(c.at.x, c.at.y), c.color) << c.name;
    });
    s.Do("sheet ok");
    s.Start();
}
