// How text is laid out into lines and measured: the line breaks of every kind a text may hold, and the
// size a font record's height gives.
#include <gtest/gtest.h>

#include <string>

#include "platform/Constants.h"
#include "platform/raster/Canvas.h"

using namespace platform;
using namespace platform::raster;

namespace {

Rect Measure(std::u16string_view text, uint32_t format, int32_t height = -12) {
    TextStyle style;
    style.height = height;
    Rect rect{0, 0, 1000, 0};
    LayOutText(nullptr, style, text, &rect, format | TextCalcRect);
    return rect;
}

int32_t LineHeight() { return Height(Measure(u"x", 0)); }

// "\r\n", "\n" and "\r" each end one line; a single-line layout leaves them out.
TEST(TextLayout, EachLineBreakEndsOneLineWhicheverBytesMakeIt) {
    ASSERT_GT(LineHeight(), 0) << "no font to lay text out with";
    struct Case {
        const char* what;
        std::u16string text;
        uint32_t format;
        int32_t lines;
    };
    const Case cases[] = {
        {"no break", u"ab", 0, 1},
        {"line feed", u"a\nb", 0, 2},
        {"carriage return", u"a\rb", 0, 2},
        {"carriage return and line feed", u"a\r\nb", 0, 2},
        {"line feed then carriage return", u"a\n\rb", 0, 3},
        {"two CR LF pairs", u"a\r\n\r\nb", 0, 3},
        {"a break at the end", u"ab\r\n", 0, 2},
        {"single line", u"a\r\nb\nc\rd", TextSingleLine, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Height(Measure(c.text, c.format)), c.lines * LineHeight()) << c.what;
    }
    EXPECT_EQ(Width(Measure(u"a\r\nb\nc", TextSingleLine)), Width(Measure(u"abc", 0)))
        << "a single-line layout draws the text without its breaks";
}

// A font record's height of 0 is the default character height; a negative one a character height; a
// positive one the height of a line (a cell), to the pixel the font's hinting allows.
TEST(TextLayout, AFontHeightOfZeroIsTheDefaultCharacterHeight) {
    const std::u16string text = u"Magnify";
    EXPECT_EQ(Measure(text, 0, 0), Measure(text, 0, -12)) << "height 0";
    for (int32_t cell : {13, 40}) EXPECT_NEAR(Height(Measure(text, 0, cell)), cell, 1) << "a cell of " << cell;
    EXPECT_GT(Width(Measure(text, 0, -24)), Width(Measure(text, 0, -12))) << "a larger character";
}

}  // namespace
