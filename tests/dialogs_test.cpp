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

// Counts the screen pixels of a rectangle that satisfy a test.
template <class Test>
int CountPixels(const Rect& r, Test test) {
    int count = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (test(sim::ScreenPixel(x, y))) ++count;
    return count;
}

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

}  // namespace
