// The dialog manager and the controls of the simulated handheld, through a small program that runs the
// sheet template 143 modally, with the pages 150, 151, 152, 153 and 141 as modeless children of its tab
// control, and works it with the stylus, the keys and the scenario's sheet operations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DeviceTestKit.h"

using namespace platform;
using devicetest::DeviceTest;

namespace {

enum PageIndex { Common, Skin, Correcting, Units, About, PageCount };
constexpr int PageTemplates[PageCount] = {150, 151, 152, 153, 141};

struct Notice {
    Window dialog = nullptr;
    uint32_t message = 0;
    uint32_t id = 0;    // control id (for MsgHScroll: the notification code)
    uint32_t code = 0;  // notification code (for MsgHScroll: the position)
    Window from = nullptr;
};

struct TestSheet {
    Module module = nullptr;
    Window owner = nullptr;
    Window dialog = nullptr;
    Window tab = nullptr;
    Window pages[PageCount] = {};
    LParam initParam = 0;
    int initialisations = 0;
    std::vector<Notice> notices;
};
TestSheet sheet;

intptr_t SheetProcedure(Window dialog, uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
    case MsgInitDialog:
        ++sheet.initialisations;
        if (sheet.dialog) return 1;  // a page
        sheet.dialog = dialog;
        sheet.initParam = lParam;
        sheet.tab = GetDialogItem(dialog, 1010);
        for (const char16_t* text : {u"One", u"Two", u"Three"}) {
            TabItem item;
            item.text = text;
            SendToWindow(sheet.tab, TabInsertItem, WParam(SendToWindow(sheet.tab, TabGetItemCount, 0, 0)), LParam(&item));
        }
        for (int i = 0; i < PageCount; ++i)
            sheet.pages[i] = CreateModelessDialog(sheet.module, FindDialogTemplate(sheet.module, PageTemplates[i]),
                                                  sheet.tab, SheetProcedure, 0);
        ShowWindowAs(sheet.pages[Common], ShowShow);
        return 1;
    case MsgCommand: {
        sheet.notices.push_back({dialog, message, LowWord(wParam), HighWord(wParam), reinterpret_cast<Window>(lParam)});
        const uint16_t id = LowWord(wParam);
        if (dialog == sheet.dialog && (id == DialogOk || id == DialogCancel)) EndDialogWith(dialog, id == DialogOk ? 11 : 22);
        return 1;
    }
    case MsgNotify: {
        const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
        sheet.notices.push_back({dialog, message, uint32_t(header->id), header->code, header->from});
        return 1;
    }
    case MsgHScroll:
        sheet.notices.push_back({dialog, message, LowWord(wParam), HighWord(wParam), reinterpret_cast<Window>(lParam)});
        return 1;
    case MsgHelp:
        sheet.notices.push_back({dialog, message, 0, 0, nullptr});
        return 1;
    default:
        return 0;
    }
}

std::vector<Notice> NoticesOf(uint32_t message) {
    std::vector<Notice> found;
    for (const Notice& n : sheet.notices)
        if (n.message == message) found.push_back(n);
    return found;
}

Window Item(PageIndex page, int id) { return GetDialogItem(sheet.pages[page], id); }

LResult SendItem(PageIndex page, int id, uint32_t message, WParam wParam, LParam lParam) {
    return SendDialogItemMessage(sheet.pages[page], id, message, wParam, lParam);
}

std::u16string ItemText(PageIndex page, int id) {
    char16_t buffer[64] = {};
    GetDialogItemText(sheet.pages[page], id, buffer, 64);
    return buffer;
}

std::u16string ListText(int index) {
    char16_t buffer[64] = {};
    if (SendItem(Skin, 1011, ComboGetLbText, WParam(index), LParam(buffer)) < 0) return u"<none>";
    return buffer;
}

Rect ScreenRect(Window window) {
    Rect r;
    GetWindowRectangle(window, &r);
    return r;
}

Point Centre(const Rect& r) { return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Tap(Point p) {
    sim::StylusDown(p);
    sim::StylusUp(p);
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

void ShowOnly(PageIndex page) {
    for (Window p : sheet.pages) ShowWindowAs(p, ShowHide);
    ShowWindowAs(sheet.pages[page], ShowShow);
}

// Counts the screen pixels of a rectangle that satisfy a test.
template <class Test>
int CountPixels(const Rect& r, Test test) {
    int count = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (test(sim::ScreenPixel(x, y))) ++count;
    return count;
}

bool IsDark(ColorRef c) { return RedOf(c) < 0x60 && GreenOf(c) < 0x60 && BlueOf(c) < 0x60; }

class Dialogs : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        sheet = TestSheet{};
    }

    // Runs the sheet modally at the program's start, with the steps queued in `script`; the program
    // ends when the steps run out. Returns the program's exit code.
    int RunSheet() {
        devicetest::setup = [this](Module m) {
            sheet.module = m;
            devicetest::RegisterTestClass(m, u"OWNER");
            sheet.owner = devicetest::MakeWindow(m, u"OWNER", Rect{0, 0, 60, 60});
            countsBefore = sim::ObjectCounts();
            result = RunModalDialog(m, FindDialogTemplate(m, 143), sheet.owner, SheetProcedure, 7);
            if (afterRun) afterRun();
        };
        return devicetest::RunTestProgram();
    }

    intptr_t result = -100;
    std::map<std::string, int64_t> countsBefore;
    std::function<void()> afterRun;
};

TEST_F(Dialogs, ModalLoopReturnsTheEndCodeWithItsOwnerDisabledMeanwhile) {
    script.Then([&] {
        EXPECT_TRUE(sim::DialogOpen());
        EXPECT_EQ(sim::OpenDialog(), sheet.dialog);
        EXPECT_FALSE(IsWindowInputEnabled(sheet.owner));
        EXPECT_TRUE(EndDialogWith(sheet.dialog, 42));
        EXPECT_FALSE(sim::DialogOpen());
    });
    script.Then([&] { ADD_FAILURE() << "the modal loop read input after its dialog had ended"; });
    afterRun = [&] {
        EXPECT_EQ(result, 42);
        EXPECT_TRUE(IsWindowInputEnabled(sheet.owner));
        EXPECT_FALSE(IsWindowObject(sheet.dialog));
        for (Window page : sheet.pages) EXPECT_FALSE(IsWindowObject(page));
        EXPECT_EQ(sheet.initParam, 7);
        EXPECT_EQ(sheet.initialisations, 1 + PageCount);
        // Every window, font, icon, surface and drawing object of the dialog is released again.
        EXPECT_EQ(sim::ObjectCounts(), countsBefore);
        script.Clear();
    };
    RunSheet();
    EXPECT_EQ(result, 42);
}

TEST_F(Dialogs, QuitMessageEndsTheLoopAndReachesTheProgramsOwnLoop) {
    script.Then([] { PostQuit(5); });
    afterRun = [&] {
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(IsWindowObject(sheet.dialog));
        EXPECT_TRUE(IsWindowInputEnabled(sheet.owner));
    };
    EXPECT_EQ(RunSheet(), 5);
}

TEST_F(Dialogs, UnknownTemplateGivesMinusOne) {
    afterRun = [] {};
    devicetest::setup = [&](Module m) { result = RunModalDialog(m, nullptr, nullptr, SheetProcedure, 0); };
    devicetest::RunTestProgram();
    EXPECT_EQ(result, -1);
}

TEST_F(Dialogs, SheetFitsTheScreenCentredAboveEveryWindowInDialogUnits) {
    struct Screen {
        int32_t width, height, ppi;
    } screens[] = {{240, 320, 96}, {320, 240, 96}, {240, 320, 192}, {480, 640, 96}};
    for (const Screen& s : screens) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " at " + std::to_string(s.ppi));
        sheet = TestSheet{};
        sim::DeviceConfig config;
        config.screenWidth = s.width;
        config.screenHeight = s.height;
        config.pixelsPerInch = s.ppi;
        sim::ResetDevice(config);
        sim::SetInputSource(&script);
        script.Then([&] {
            const Rect dialog = ScreenRect(sheet.dialog);
            EXPECT_TRUE(Inside(dialog, Rect{0, 0, s.width, s.height}));
            EXPECT_LE(std::abs(dialog.left + dialog.right - s.width), 1);
            EXPECT_LE(std::abs(dialog.top + dialog.bottom - s.height), 1);
            EXPECT_TRUE(GetWindowExStyle(sheet.dialog) & ExStyleTopmost);
            EXPECT_EQ(sim::TopLevelWindows().front().handle, sheet.dialog);
            // 116 x 117 units: the client size gives the base units the controls are placed with.
            Rect client;
            GetClientRectangle(sheet.dialog, &client);
            if (s.width == 240 && s.ppi == 96) {
                EXPECT_GE(Width(client), 220);  // shrunk no more than needed
            }
            const Rect tab = ScreenRect(sheet.tab);
            EXPECT_TRUE(Inside(tab, dialog));
            // Each edge is truncated on its own, so sizes may differ by two pixels from the proportion.
            for (Window page : sheet.pages) {
                const Rect r = ScreenRect(page);
                EXPECT_NEAR(r.left - tab.left, 3 * Width(client) / 116, 2);
                EXPECT_NEAR(r.top - tab.top, 17 * Height(client) / 117, 2);
                EXPECT_NEAR(Width(r), 103 * Width(client) / 116, 2);
                EXPECT_TRUE(Inside(r, tab));
            }
            for (int id : {1000, 1001, 1002, 1009, 1003, 1004}) EXPECT_TRUE(Inside(ScreenRect(Item(Common, id)), ScreenRect(sheet.pages[Common]))) << id;
            const int32_t rowStep = ScreenRect(Item(Common, 1001)).top - ScreenRect(Item(Common, 1000)).top;
            EXPECT_NEAR(rowStep, 9 * Height(client) / 117, 2);
            // The drop-down list's window is its closed field; the template's 90 units are the list's.
            EXPECT_LT(Height(ScreenRect(Item(Skin, 1011))), 30 * Height(client) / 117);
            sim::SheetCancel(nullptr);
        });
        RunSheet();
        EXPECT_EQ(result, 22);
    }
}

TEST_F(Dialogs, DropDownListSortsAndSearchesWithoutRegardToLetterCase) {
    script.Then([&] {
        for (const char16_t* text : {u"beta", u"Alpha", u"gamma", u"ALPHA2", u"alpha"})
            SendItem(Skin, 1011, ComboAddString, 0, LParam(text));
        ASSERT_EQ(SendItem(Skin, 1011, ComboGetCount, 0, 0), 5);
        const std::u16string sorted[] = {u"Alpha", u"alpha", u"ALPHA2", u"beta", u"gamma"};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(ListText(i), sorted[i]) << i;
        struct Search {
            intptr_t start;
            const char16_t* text;
            LResult found;
        } searches[] = {{-1, u"alp", 0}, {0, u"ALP", 1}, {1, u"alp", 2}, {2, u"alp", 0}, {-1, u"GAM", 4},
                        {-1, u"B", 3},   {-1, u"delta", -1}, {-1, u"alphabet", -1}, {3, u"beta", 3}};
        for (const Search& s : searches)
            EXPECT_EQ(SendItem(Skin, 1011, ComboFindString, WParam(s.start), LParam(s.text)), s.found)
                << s.start << " " << std::string(s.text, s.text + std::char_traits<char16_t>::length(s.text));
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), -1);
        EXPECT_EQ(SendItem(Skin, 1011, ComboSelectString, WParam(-1), LParam(u"GA")), 4);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 4);
        EXPECT_EQ(SendItem(Skin, 1011, ComboSelectString, WParam(-1), LParam(u"zeta")), ComboError);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 4);  // a failed search keeps the selection
        SendItem(Skin, 1011, ComboAddString, 0, LParam(u"AAA"));    // sorts in before the selected item
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 5);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetLbTextLen, 3, 0), 6);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetLbTextLen, 9, 0), ComboError);
        EXPECT_EQ(ListText(9), u"<none>");
        EXPECT_EQ(SendItem(Skin, 1011, ComboSetCurSel, 9, 0), ComboError);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), -1);
        SendItem(Skin, 1011, ComboResetContent, 0, 0);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCount, 0, 0), 0);
        EXPECT_EQ(SendItem(Skin, 1011, ComboFindString, WParam(-1), LParam(u"")), ComboError);
        EXPECT_TRUE(NoticesOf(MsgCommand).empty());  // messages from the program notify nobody
        sim::SheetOk(nullptr);
    });
    RunSheet();
    EXPECT_EQ(result, 11);
}

TEST_F(Dialogs, TrackbarKeepsItsPositionInsideItsRange) {
    struct Step {
        uint32_t message;
        WParam wParam;
        LParam lParam;
        int32_t position, low, high;
    } steps[] = {
        {TrackbarSetRange, 1, MakeLParam(10, 100), 10, 10, 100},  // the position 0 moves into the range
        {TrackbarSetPos, 1, 500, 100, 10, 100},
        {TrackbarSetPos, 1, -3, 10, 10, 100},
        {TrackbarSetPos, 0, 57, 57, 10, 100},
        {TrackbarSetRangeMax, 1, 50, 50, 10, 50},
        {TrackbarSetRangeMin, 1, 20, 50, 20, 50},
        {TrackbarSetTicFreq, 1, 0, 50, 20, 50},
        {TrackbarSetRange, 1, MakeLParam(-20, -5), -5, -20, -5},  // signed halves
    };
    script.Then([&] {
        for (const Step& s : steps) {
            SendItem(Common, 1003, s.message, s.wParam, s.lParam);
            EXPECT_EQ(SendItem(Common, 1003, TrackbarGetPos, 0, 0), s.position) << std::hex << s.message;
            EXPECT_EQ(SendItem(Common, 1003, TrackbarGetRangeMin, 0, 0), s.low);
            EXPECT_EQ(SendItem(Common, 1003, TrackbarGetRangeMax, 0, 0), s.high);
        }
        EXPECT_TRUE(NoticesOf(MsgHScroll).empty());
        sim::SheetCancel(nullptr);
    });
    RunSheet();
}

TEST_F(Dialogs, DigitsOnlyEditFiltersWhatIsTypedButNotWhatIsSet) {
    script.Then([&] {
        ShowOnly(Units);
        EXPECT_EQ(ItemText(Units, 1014), u"");
        Tap(Centre(ScreenRect(Item(Units, 1014))));
    });
    script.Then([&] {
        EXPECT_EQ(sim::FocusedWindow(), Item(Units, 1014));
        for (char16_t c : std::u16string(u"1a2-3\b")) sim::TypeCharacter(c);
    });
    script.Then([&] {
        EXPECT_EQ(ItemText(Units, 1014), u"12");
        EXPECT_EQ(NoticesOf(MsgCommand).size(), 4u);  // 1, 2, 3 and the backspace changed the text
        for (const Notice& n : NoticesOf(MsgCommand)) {
            EXPECT_EQ(n.id, 1014u);
            EXPECT_EQ(n.code, EditChange);
            EXPECT_EQ(n.dialog, sheet.pages[Units]);
        }
        std::string error;
        EXPECT_TRUE(sim::SheetSetText(1015, u"4x5 6", &error)) << error;
        EXPECT_EQ(ItemText(Units, 1015), u"456");
        EXPECT_EQ(NoticesOf(MsgCommand).back().id, 1015u);
        EXPECT_TRUE(SetDialogItemText(sheet.pages[Units], 1015, u"-7"));
        EXPECT_EQ(ItemText(Units, 1015), u"-7");
        char16_t small[2] = {u'x', u'x'};
        EXPECT_EQ(GetDialogItemText(sheet.pages[Units], 1015, small, 2), 1);
        EXPECT_EQ(small[0], u'-');
        EXPECT_EQ(small[1], u'\0');
        EXPECT_EQ(GetDialogItemText(sheet.pages[Units], 4242, small, 2), 0);
        EXPECT_EQ(small[0], u'\0');
        sim::SheetOk(nullptr);
    });
    RunSheet();
}

TEST_F(Dialogs, TabSelectionNotifiesTheSheet) {
    script.Then([&] {
        EXPECT_EQ(SendToWindow(sheet.tab, TabGetItemCount, 0, 0), 3);
        EXPECT_EQ(SendToWindow(sheet.tab, TabGetCurSel, 0, 0), 0);
        std::string error;
        EXPECT_TRUE(sim::SheetSelectTab(2, &error)) << error;
        ASSERT_EQ(NoticesOf(MsgNotify).size(), 1u);
        const Notice n = NoticesOf(MsgNotify).front();
        EXPECT_EQ(n.dialog, sheet.dialog);
        EXPECT_EQ(n.from, sheet.tab);
        EXPECT_EQ(n.id, 1010u);
        EXPECT_EQ(n.code, TabSelChange);
        EXPECT_EQ(SendToWindow(sheet.tab, TabGetCurSel, 0, 0), 2);
        EXPECT_TRUE(sim::SheetSelectTab(2, &error));  // the tab already chosen: nothing happens
        EXPECT_EQ(NoticesOf(MsgNotify).size(), 1u);
        EXPECT_EQ(SendToWindow(sheet.tab, TabSetCurSel, 1, 0), 2);  // the program's choice notifies nobody
        EXPECT_EQ(SendToWindow(sheet.tab, TabSetCurSel, 7, 0), -1);
        EXPECT_EQ(SendToWindow(sheet.tab, TabGetCurSel, 0, 0), 1);
        EXPECT_EQ(NoticesOf(MsgNotify).size(), 1u);
        EXPECT_FALSE(sim::SheetSelectTab(3, &error));
        EXPECT_NE(error.find("3 tabs"), std::string::npos) << error;
        // A tap on the first tab selects it.
        const Rect tab = ScreenRect(sheet.tab);
        Tap(Point{tab.left + 6, tab.top + 8});
    });
    script.Then([&] {
        EXPECT_EQ(SendToWindow(sheet.tab, TabGetCurSel, 0, 0), 0);
        EXPECT_EQ(NoticesOf(MsgNotify).size(), 2u);
        sim::SheetOk(nullptr);
    });
    RunSheet();
}

TEST_F(Dialogs, SheetOperationsWorkTheControlsAsAUserWould) {
    script.Then([&] {
        std::string error;
        // Check boxes: a change clicks once; the same state does nothing; a disabled box stays as it is.
        EXPECT_TRUE(sim::SheetCheck(1000, true, &error)) << error;
        EXPECT_TRUE(sim::SheetCheck(1000, true, &error));
        EXPECT_EQ(SendItem(Common, 1000, ButtonGetCheck, 0, 0), LResult(CheckChecked));
        ASSERT_EQ(NoticesOf(MsgCommand).size(), 1u);
        EXPECT_EQ(NoticesOf(MsgCommand)[0].id, 1000u);
        EXPECT_EQ(NoticesOf(MsgCommand)[0].code, ButtonClicked);
        EXPECT_EQ(NoticesOf(MsgCommand)[0].from, Item(Common, 1000));
        EXPECT_EQ(NoticesOf(MsgCommand)[0].dialog, sheet.pages[Common]);
        EnableWindowInput(Item(Common, 1001), false);
        EXPECT_TRUE(sim::SheetCheck(1001, true, &error));
        EXPECT_EQ(SendItem(Common, 1001, ButtonGetCheck, 0, 0), LResult(CheckUnchecked));
        EXPECT_EQ(NoticesOf(MsgCommand).size(), 1u);
        // Trackbars: clamped into the range, the sheet hears the final position and the end of tracking.
        SendItem(Common, 1003, TrackbarSetRange, 1, MakeLParam(10, 100));
        EXPECT_TRUE(sim::SheetTrack(1003, 250, &error)) << error;
        EXPECT_EQ(SendItem(Common, 1003, TrackbarGetPos, 0, 0), 100);
        ASSERT_EQ(NoticesOf(MsgHScroll).size(), 2u);
        EXPECT_EQ(NoticesOf(MsgHScroll)[0].id, 4u);  // thumb position
        EXPECT_EQ(NoticesOf(MsgHScroll)[0].code, 100u);
        EXPECT_EQ(NoticesOf(MsgHScroll)[0].from, Item(Common, 1003));
        EXPECT_EQ(NoticesOf(MsgHScroll)[1].id, 8u);  // end of tracking
        // Lists: the item equal to the text, whatever its letter case.
        for (const char16_t* text : {u"gamma", u"Beta", u"alpha"}) SendItem(Skin, 1011, ComboAddString, 0, LParam(text));
        EXPECT_TRUE(sim::SheetSelect(u"BETA", &error)) << error;
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 1);
        EXPECT_EQ(NoticesOf(MsgCommand).back().id, 1011u);
        EXPECT_EQ(NoticesOf(MsgCommand).back().code, ComboSelChange);
        EXPECT_FALSE(sim::SheetSelect(u"bet", &error));  // a prefix is not the item
        // Push buttons notify their page.
        EXPECT_TRUE(sim::SheetClick(1018, &error)) << error;
        EXPECT_EQ(NoticesOf(MsgCommand).back().id, 1018u);
        EXPECT_EQ(NoticesOf(MsgCommand).back().dialog, sheet.pages[Correcting]);
        EXPECT_TRUE(sim::SheetOk(&error));
    });
    RunSheet();
    EXPECT_EQ(result, 11);
}

TEST_F(Dialogs, SheetOperationsExplainWhatIsMissing) {
    struct Case {
        const char* name;
        std::function<bool(std::string*)> operation;
        const char* message;
    } cases[] = {
        {"missing id", [](std::string* e) { return sim::SheetCheck(4242, true, e); }, "no control with id 4242"},
        {"trackbar as check box", [](std::string* e) { return sim::SheetCheck(1003, true, e); },
         "control 1003 is a trackbar, not a check box"},
        {"check box as trackbar", [](std::string* e) { return sim::SheetTrack(1000, 5, e); },
         "control 1000 is a check box, not a trackbar"},
        {"check box as edit", [](std::string* e) { return sim::SheetSetText(1000, u"1", e); }, "not an edit"},
        {"edit as button", [](std::string* e) { return sim::SheetClick(1014, e); }, "is an edit, not a button"},
        {"missing item", [](std::string* e) { return sim::SheetSelect(u"nothing", e); }, "no list item \"nothing\""},
        {"missing tab", [](std::string* e) { return sim::SheetSelectTab(-1, e); }, "no tab -1"},
    };
    script.Then([&] {
        for (const Case& c : cases) {
            std::string error;
            EXPECT_FALSE(c.operation(&error)) << c.name;
            EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        }
        sim::SheetCancel(nullptr);
    });
    RunSheet();
    std::string error;
    EXPECT_FALSE(sim::DialogOpen());
    EXPECT_FALSE(sim::SheetOk(&error));
    EXPECT_EQ(error, "no dialog is open");
}

TEST_F(Dialogs, StylusWorksTheControls) {
    Point listRow;
    Window focusBefore = nullptr;
    script.Then([&] {
        SendItem(Common, 1003, TrackbarSetRange, 1, MakeLParam(10, 100));
        const Rect box = ScreenRect(Item(Common, 1000));
        Tap(Point{box.left + 5, (box.top + box.bottom) / 2});
    });
    script.Then([&] {
        EXPECT_EQ(SendItem(Common, 1000, ButtonGetCheck, 0, 0), LResult(CheckChecked));
        ASSERT_EQ(NoticesOf(MsgCommand).size(), 1u);
        // Pointer messages are routed when the stylus acts: the capture taken on the touch counts
        // from the next step on.
        sim::StylusDown(Point{ScreenRect(Item(Common, 1003)).left, ScreenRect(Item(Common, 1003)).top + 5});
    });
    script.Then([&] {
        const Rect track = ScreenRect(Item(Common, 1003));
        EXPECT_EQ(sim::CaptureWindow(), Item(Common, 1003));
        sim::StylusMove(Point{(track.left + track.right) / 2, track.top + 5});
        sim::StylusMove(Point{track.right + 40, track.top + 5});
        sim::StylusUp(Point{track.right + 40, track.top + 5});
    });
    script.Then([&] {
        EXPECT_EQ(SendItem(Common, 1003, TrackbarGetPos, 0, 0), 100);
        std::vector<Notice> scrolls = NoticesOf(MsgHScroll);
        ASSERT_GE(scrolls.size(), 4u);
        EXPECT_EQ(scrolls.front().id, 5u);  // tracking from the first touch
        EXPECT_EQ(scrolls.front().code, 10u);
        EXPECT_EQ(scrolls[scrolls.size() - 2].id, 4u);
        EXPECT_EQ(scrolls[scrolls.size() - 2].code, 100u);
        EXPECT_EQ(scrolls.back().id, 8u);
        // The drop-down list opens on a tap and a tap on an item chooses it.
        for (const char16_t* text : {u"gamma", u"beta", u"alpha"}) SendItem(Skin, 1011, ComboAddString, 0, LParam(text));
        ShowOnly(Skin);
        focusBefore = sim::FocusedWindow();
        EXPECT_NE(focusBefore, nullptr);
        sim::StylusDown(Centre(ScreenRect(Item(Skin, 1011))));
    });
    script.Then([&] { sim::StylusUp(Centre(ScreenRect(Item(Skin, 1011)))); });
    script.Then([&] {
        const sim::WindowInfo list = sim::TopLevelWindows().front();
        ASSERT_EQ(list.className, u"ComboDropList");
        EXPECT_EQ(list.rect.top, ScreenRect(Item(Skin, 1011)).bottom);
        const int32_t rowHeight = (Height(list.rect) - 2) / 3;
        listRow = Point{list.rect.left + 10, list.rect.top + 1 + rowHeight + rowHeight / 2};
        sim::StylusDown(listRow);
    });
    script.Then([&] { sim::StylusUp(listRow); });
    script.Then([&] {
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 1);
        EXPECT_EQ(NoticesOf(MsgCommand).back().id, 1011u);
        EXPECT_EQ(NoticesOf(MsgCommand).back().code, ComboSelChange);
        EXPECT_EQ(sim::TopLevelWindows().front().handle, sheet.dialog);  // the list has closed
        EXPECT_EQ(sim::FocusedWindow(), focusBefore);                    // and given the focus back
        // A tap outside an open list closes it without a choice.
        sim::StylusDown(Centre(ScreenRect(Item(Skin, 1011))));
    });
    script.Then([&] { sim::StylusUp(Centre(ScreenRect(Item(Skin, 1011)))); });
    script.Then([&] {
        EXPECT_EQ(sim::TopLevelWindows().front().className, u"ComboDropList");
        sim::StylusDown(Point{1, 1});
    });
    script.Then([&] { sim::StylusUp(Point{1, 1}); });
    script.Then([&] {
        EXPECT_EQ(sim::TopLevelWindows().front().handle, sheet.dialog);
        EXPECT_EQ(SendItem(Skin, 1011, ComboGetCurSel, 0, 0), 1);
        ShowOnly(Correcting);
        Tap(Centre(ScreenRect(Item(Correcting, 1018))));
    });
    script.Then([&] {
        EXPECT_EQ(NoticesOf(MsgCommand).back().id, 1018u);
        EXPECT_EQ(NoticesOf(MsgCommand).back().code, ButtonClicked);
        sim::SheetCancel(nullptr);
    });
    RunSheet();
    EXPECT_EQ(result, 22);
}

TEST_F(Dialogs, KeysOfTheDialogCancelConfirmAndAskForHelp) {
    struct Case {
        uint32_t key;
        intptr_t result;
    } cases[] = {{VkEscape, 22}, {VkReturn, 11}};
    for (const Case& c : cases) {
        sheet = TestSheet{};
        SCOPED_TRACE(c.key);
        script.Then([&] {
            sim::FocusWindow(sheet.dialog);
            sim::KeyPress(VkF1);
        });
        script.Then([&] {
            EXPECT_EQ(NoticesOf(MsgHelp).size(), 1u);
            sim::KeyPress(c.key);
        });
        RunSheet();
        EXPECT_EQ(result, c.result);
    }
}

TEST_F(Dialogs, ControlsDrawLegibly) {
    const ColorRef face = 0xC0C0C0;
    Rect checkBox;
    int darkBefore = 0;
    script.Then([&] {});  // the sheet paints before the next step
    script.Then([&] {
        const Rect page = ScreenRect(sheet.pages[Common]);
        // The page's background, below the last control.
        EXPECT_EQ(sim::ScreenPixel(page.right - 3, page.bottom - 3), face);
        // The tabs' captions and the check box's text are drawn in dark ink on the face colour.
        const Rect tab = ScreenRect(sheet.tab);
        EXPECT_GT(CountPixels(Rect{tab.left, tab.top, tab.right, page.top}, IsDark), 20);
        const Rect box = ScreenRect(Item(Common, 1000));
        EXPECT_GT(CountPixels(Rect{box.left + 16, box.top, box.right, box.bottom}, IsDark), 20);
        // The box itself: a white field, ticked when checked.
        checkBox = Rect{box.left + 2, box.top + 2, box.left + 11, box.bottom - 2};
        EXPECT_GT(CountPixels(checkBox, [](ColorRef c) { return c == 0xFFFFFF; }), 20);
        darkBefore = CountPixels(checkBox, IsDark);
        // A disabled box's text is grey, not black.
        EnableWindowInput(Item(Common, 1001), false);
        sim::SheetCheck(1000, true, nullptr);
    });
    script.Then([&] {
        EXPECT_GT(CountPixels(checkBox, IsDark), darkBefore + 8);
        const Rect glare = ScreenRect(Item(Common, 1001));
        const Rect text{glare.left + 16, glare.top, glare.right, glare.bottom};
        EXPECT_EQ(CountPixels(text, [](ColorRef c) { return c == 0; }), 0);
        EXPECT_GT(CountPixels(text, [](ColorRef c) { return c == 0x808080; }), 5);
        ShowOnly(Units);
        SetDialogItemText(sheet.pages[Units], 1014, u"96");
    });
    script.Then([&] {
        const Rect edit = ScreenRect(Item(Units, 1014));
        EXPECT_EQ(sim::ScreenPixel(edit.right - 4, edit.bottom - 4), 0xFFFFFFu);
        EXPECT_GT(CountPixels(edit, IsDark), 10);  // the digits and the frame
        // The Common page is hidden now: the Units page shows in its place.
        const Rect page = ScreenRect(sheet.pages[Units]);
        EXPECT_EQ(sim::ScreenPixel(page.right - 3, page.bottom - 3), face);
        EXPECT_FALSE(IsWindowShown(sheet.pages[Common]));
        sim::SheetOk(nullptr);
    });
    RunSheet();
}

}  // namespace
