// What a user can read: every text a window of the program can show fits the room that window gives it
// on the handheld (96 pixels per inch), in English and in German.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/Platform.h"
#include "platform/windowing/Controls.h"
#include "tools/ToolWindow.h"

namespace sim = platform::sim;
using platform::Font;
using platform::Point;
using platform::Rect;
using platform::Window;
using program_test::Glass;
using sim::controls::ControlKind;

namespace {

// The widest line and the height of all lines of a text in a font, as the device lays it out.
Point TextSize(Font font, const std::u16string& text) {
    platform::Surface surface = platform::CreateMemorySurface(nullptr);
    const Font previous = platform::SelectFontInto(surface, font);
    Rect r{0, 0, 0, 0};
    platform::DrawTextIn(surface, text.c_str(), -1, &r, platform::TextCalcRect);
    platform::SelectFontInto(surface, previous);
    platform::DeleteMemorySurface(surface);
    return {platform::Width(r), platform::Height(r)};
}

struct Fit {
    std::string what;
    Point need;
    Point room;
};

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
    return out;
}

// The room each control of the shown settings page gives its text: a label its whole rectangle, a
// check box what lies right of its box, a push button its face inside the edges. (The tab control
// fits its captions itself, with a smaller face where the dialog's is too wide.)
void AddPageTexts(const std::string& language, std::vector<Fit>& fits) {
    for (Window control : sim::controls::LiveControls()) {
        if (!platform::IsWindowShown(control) || !platform::IsWindowShown(platform::GetParentWindow(control))) continue;
        Rect r{};
        platform::GetClientRectangle(control, &r);
        const int32_t w = platform::Width(r), h = platform::Height(r);
        const Font font = reinterpret_cast<Font>(platform::SendToWindow(control, sim::controls::MsgGetFont, 0, 0));
        const std::u16string text = program_test::WindowTextOf(control);
        const std::string what = language + " \"" + Narrow(text) + "\"";
        switch (sim::controls::KindOf(control)) {
        case ControlKind::Label:
            if (!text.empty()) fits.push_back({what, TextSize(font, text), {w, h}});
            break;
        case ControlKind::CheckBox:
            fits.push_back({what, TextSize(font, text), {w - (std::clamp(h - 2, 7, 13) + 4), h}});
            break;
        case ControlKind::PushButton:
            fits.push_back({what, TextSize(font, text), {w - 6, h - 4}});
            break;
        default:
            break;
        }
    }
}

// The longest texts of the colour picker and the tape, in the tool font, against the text area right
// of each tool square.
void AddToolTexts(const std::string& language, std::vector<Fit>& fits) {
    const Magnifier& m = Glass();
    const Point picker{200 - 50 - 2 * tools::ToolTextSideMargin, 50 - 2 * tools::ToolTextTopMargin};
    const Point tape{225 - 50 - 2 * tools::ToolTextSideMargin, 50 - 2 * tools::ToolTextTopMargin};
    const std::u16string pickerText = u"R:255 G:255 B:255\nH:360 S:100 B:100";
    fits.push_back({language + " picker", TextSize(m.ToolFont, pickerText), picker});
    for (const char16_t* text : {u"0000:0000 - 0000:0000\n0000.00px   0000.00cm",  // before any measurement
                                 u"9999:9999 - 9999:9999\n14140.72px   498.83cm"})  // at 72 pixels per inch
        fits.push_back({language + " tape " + Narrow(text), TextSize(m.ToolFont, text), tape});
}

}  // namespace

TEST(Legibility, EveryTextFitsItsWindowInEnglishAndGerman) {
    std::vector<Fit> fits;
    for (const bool german : {false, true}) {
        const std::string language = german ? "German" : "English";
        SimSession s;
        s.Config().home = program_test::ProgramFolder(german ? "legible-german" : "legible-english", german);
        s.Do("tray double\nmenu 7");
        s.Check([&] { AddToolTexts(language, fits); });
        for (int tab = 0; tab < 5; ++tab) {
            s.Do("sheet tab " + std::to_string(tab) + "\nwait 50");
            s.Check([&] { AddPageTexts(language, fits); });
        }
        s.Do("sheet cancel");
        EXPECT_EQ(s.Start(), 0);
    }
    EXPECT_GT(fits.size(), 30u);
    for (const Fit& f : fits) {
        EXPECT_LE(f.need.x, f.room.x) << f.what << " is too wide";
        EXPECT_LE(f.need.y, f.room.y) << f.what << " is too high";
    }
}
