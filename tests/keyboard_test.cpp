// The keyboard on the glass and its tool windows, through real key messages on the simulated handheld:
// the arrow keys nudge the zoom point (Shift: ten pixels), "+" and "-" step the zoom, Ctrl+C on the
// colour picker copies the picked colour; none of them acts during a drag or an animation, and Close
// saves what the same aim and zoom made with the stylus and the wheel save.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/sim/Simulation.h"

using platform::Point;
namespace sim = platform::sim;
using namespace program_test;

namespace {

constexpr const char* ShiftLeft = "shift down\nkey 0x25\nshift up";
constexpr const char* CtrlC = "ctrl down\nkey 0x43\nctrl up";

std::optional<std::u16string> NoText() { return std::nullopt; }

}  // namespace

TEST(Keyboard, ArrowsNudgeTheZoomPointAndPlusMinusStepTheZoomWithinTheirLimits) {
    struct Case {
        const char* name;
        const char* keys;
        Point from;
        float zoom;
        Point to;
        float zoomAfter;
    };
    const Case cases[] = {
        {"left on the glass", "focus magnifier\nkey 0x25", {50, 60}, 3.0f, {49, 60}, 3.0f},
        {"right on the picker", "focus picker\nkey 0x27", {50, 60}, 3.0f, {51, 60}, 3.0f},
        {"up on the tape", "focus tape\nkey 0x26", {50, 60}, 3.0f, {50, 59}, 3.0f},
        {"down", "key 0x28", {50, 60}, 3.0f, {50, 61}, 3.0f},
        {"Shift+left", ShiftLeft, {50, 60}, 3.0f, {40, 60}, 3.0f},
        {"Shift+left near the edge", ShiftLeft, {4, 5}, 3.0f, {0, 5}, 3.0f},
        {"Shift+up near the edge", "shift down\nkey 0x26\nshift up", {4, 3}, 3.0f, {4, 0}, 3.0f},
        {"right edge", "key 0x27", {239, 5}, 3.0f, {239, 5}, 3.0f},
        {"Shift+down near the bottom", "shift down\nkey 0x28\nshift up", {5, 315}, 3.0f, {5, 319}, 3.0f},
        {"+", "key 0xBB", {50, 60}, 3.0f, {50, 60}, 3.5f},
        {"-", "key 0xBD", {50, 60}, 3.0f, {50, 60}, 2.5f},
        {"keypad +", "key 0x6B", {50, 60}, 3.0f, {50, 60}, 3.5f},
        {"keypad -", "key 0x6D", {50, 60}, 3.0f, {50, 60}, 2.5f},
        {"+ at zoom 10", "key 0xBB", {50, 60}, 10.0f, {50, 60}, 10.0f},
        {"- at zoom 1", "key 0xBD", {50, 60}, 1.0f, {50, 60}, 1.0f},
        {"C alone is no nudge", "key 0x43", {50, 60}, 3.0f, {50, 60}, 3.0f},
    };
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools).Do("focus magnifier");
    for (const Case& c : cases) {
        s.Check([c] {
            Glass().Settings.ZoomPnt = c.from;
            Glass().Settings.ZoomX = c.zoom;
        });
        s.Do(c.keys);
        s.Check([c] {
            EXPECT_EQ(Glass().Settings.ZoomPnt, c.to) << c.name;
            EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, c.zoomAfter) << c.name;
        });
    }
    EXPECT_EQ(s.Start(), 0);
}

// Three blocks of colour below the glass (100, 100, 180, 180) and the picker (100, 180, 300, 230), each
// larger than what the glass enlarges.
TEST(Keyboard, ANudgeSamplesAtOnceAndCtrlCCopiesThePickedColourAsHex) {
    struct Case {
        const char* name;
        const char* paint;
        Point centre;
        platform::ColorRef picked;
        platform::ColorRef glass;  // brightened by 200 in each channel
        const char16_t* firstLine;
        const char16_t* text;
    };
    const Case cases[] = {
        {"orange", "paint 0 240 80 80 FF8000", {40, 280}, 0x0080FF, 0xC8FFFF, u"R:255 G:128 B:0\n", u"#FF8000"},
        {"leading zeros", "paint 80 240 80 80 0A0B0C", {120, 280}, 0x0C0B0A, 0xD4D3D2, u"R:10 G:11 B:12\n",
         u"#0A0B0C"},
        {"upper-case letters", "paint 160 240 80 80 12ABEF", {200, 280}, 0xEFAB12, 0xFFFFDA, u"R:18 G:171 B:239\n",
         u"#12ABEF"},
    };
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    s.Do(std::string("focus magnifier\n") + CtrlC + "\nfocus picker\nkey 0x43");  // not on the glass; not C alone
    s.Check([] {
        EXPECT_EQ(sim::ClipboardText(), NoText());
        Glass().Settings.Bright = 1.0f;  // the glass shows the picture brighter, the picker as it is
    });
    for (const Case& c : cases) {
        s.Do(c.paint);
        s.Check([c] { Glass().Settings.ZoomPnt = {c.centre.x - 1, c.centre.y}; });
        s.Do("key 0x27");
        s.Check([c] {  // no tick has passed: the key itself refreshed the glass and the picker
            EXPECT_EQ(Glass().PickedColor, c.picked) << c.name;
            EXPECT_EQ(std::u16string(Glass().ColorPickerText).rfind(c.firstLine, 0), 0u) << c.name;
            EXPECT_EQ(sim::Screen().At(140, 140), c.glass) << c.name << ": the middle of the glass";
            EXPECT_EQ(sim::Screen().At(125, 205), c.picked) << c.name << ": the picker's colour square";
        });
        s.Do(CtrlC);
        s.Check([c] { EXPECT_EQ(sim::ClipboardText(), std::u16string(c.text)) << c.name; });
    }
    s.Do("wait 120\ndump");  // three ticks: the timed refresh shows the view corrected too
    s.Check([] { EXPECT_EQ(sim::Screen().At(140, 140), 0xFFFFDAu); });
    EXPECT_EQ(s.Start(), 0);
    EXPECT_EQ(s.LastDump()["clipboard"].AsString(), "#12ABEF");
}

TEST(Keyboard, KeysDoNothingDuringADragOrAnAnimation) {
    struct Case {
        const char* name;
        const char* before;  // starts the drag or the animation
        const char* after;   // ends it
    };
    const Case cases[] = {
        {"moving the glass", "down 140 140\nmove 140 140\nmove 150 150", "move 140 140\nup 140 140"},
        {"zooming on the bottom strip", "down 140 170\nmove 140 170", "up 140 170"},
        {"aiming with the picker", "down 105 185\nmove 105 185", "up 105 185"},
        {"the hide animation", "tray tap\nwait 640", "wait 1000\ntray tap\nwait 1200"},
    };
    SimSession s;
    s.Do(ShowGlass).Do(ShowTools);
    for (const Case& c : cases) {
        s.Do(c.before);
        s.Check([c] {
            EXPECT_TRUE(Glass().PointerState != StateIdle || Glass().HideSteps != 0) << c.name;
            Glass().Settings.ZoomPnt = {50, 60};
        });
        s.Do(std::string("focus magnifier\nkey 0x25\nkey 0xBB\nfocus picker\nkey 0x28\nkey 0x6D\n") + CtrlC);
        s.Check([c] {
            EXPECT_EQ(Glass().Settings.ZoomPnt, (Point{50, 60})) << c.name;
            EXPECT_EQ(Glass().Settings.ZoomX, 4.0f) << c.name;
            EXPECT_EQ(sim::ClipboardText(), NoText()) << c.name;
        });
        s.Do(c.after);
    }
    EXPECT_EQ(s.Start(), 0);
}

// The same aim and zoom, once with keys and once with the stylus and the wheel: Close stores the same
// 18 values, and nothing else.
TEST(Keyboard, CloseSavesWhatTheSameAimAndZoomWithTheStylusSave) {
    const char* const ways[] = {
        "focus magnifier\nkey 0x27\nkey 0x27\nkey 0x27\nshift down\nkey 0x28\nshift up\nkey 0xBB",
        "down 105 105\nmove 105 105\nwait 200\nmove 3 10\nup 3 10\nmove 140 140\nwheel 120",
    };
    std::vector<sim::RegistrySnapshot> saved;
    for (const char* way : ways) {
        SimSession s;
        s.Do(ShowGlass).Do(way);
        s.Check([] {
            EXPECT_EQ(Glass().Settings.ZoomPnt, (Point{3, 10}));
            EXPECT_FLOAT_EQ(Glass().Settings.ZoomX, 4.0f + 4.0f / 6.0f);
        });
        s.Do("tray double\nmenu 5\nwait 1000");
        EXPECT_EQ(s.Start(), 0);
        saved.push_back(sim::Registry());
    }
    for (const sim::RegistrySnapshot& snapshot : saved) {
        ASSERT_EQ(snapshot.size(), 1u);
        ASSERT_EQ(snapshot.begin()->second.size(), 18u);
    }
    for (const auto& [name, value] : saved[1].at(saved[0].begin()->first)) {
        const sim::RegistryValue& byKeys = saved[0].begin()->second.at(name);
        EXPECT_TRUE(byKeys.type == value.type && byKeys.data == value.data)
            << "value " << std::string(name.begin(), name.end());
    }
}
