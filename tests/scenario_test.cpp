// The scenario language, the runner's errors, drag planning, the dump's keys, the JSON reader and
// the test harness itself.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "Json.h"
#include "ScenarioParser.h"
#include "TestHarness.h"
#include "Unicode.h"
#include "shell/ShellState.h"

using scenario::Command;
using scenario::DesktopKind;
using scenario::DragMove;
using scenario::ParseLine;
using scenario::SheetAction;
using scenario::Target;
using scenario::TrayAction;
using scenario::Verb;

namespace {

std::optional<Command> Parsed(const std::string& line, std::string* error) {
    std::optional<Command> command;
    error->clear();
    if (!ParseLine(line, &command, error)) return std::nullopt;
    return command;
}

std::vector<std::string> Keys(const JsonValue& object) {
    std::vector<std::string> keys;
    for (const auto& member : object.Members()) keys.push_back(member.first);
    return keys;
}

}  // namespace

// ---- Parsing ----

TEST(ScenarioParse, EveryCommandForm) {
    const platform::ColorRef red = platform::Rgb(0xFF, 0, 0);
    struct Case {
        const char* line;
        Command expected;
    } cases[] = {
        {"screen 480 640", {.verb = Verb::Screen, .numbers = {480, 640, 96}}},
        {"screen 0x100 320 120", {.verb = Verb::Screen, .numbers = {256, 320, 120}}},
        {"home /tmp/data folder", {.verb = Verb::Home, .text = "/tmp/data folder"}},
        {"registry settings.reg", {.verb = Verb::Registry, .text = "settings.reg"}},
        {"desktop pattern", {.verb = Verb::Desktop, .desktop = DesktopKind::Pattern}},
        {"desktop fill 00Ff80",
         {.verb = Verb::Desktop, .color = platform::Rgb(0x00, 0xFF, 0x80), .desktop = DesktopKind::Fill}},
        {"desktop pictures/my desk.bmp",
         {.verb = Verb::Desktop, .text = "pictures/my desk.bmp", .desktop = DesktopKind::File}},
        {"desktop \"pattern\"", {.verb = Verb::Desktop, .text = "pattern", .desktop = DesktopKind::File}},
        {"clock 0xFFFFFFF0", {.verb = Verb::Clock, .numbers = {0xFFFFFFF0ll}}},
        {"start", {.verb = Verb::Start}},
        {"wait 700", {.verb = Verb::Wait, .numbers = {700}}},
        {"paint -5 10 20 0x10 ff0000", {.verb = Verb::Paint, .numbers = {-5, 10, 20, 16}, .color = red}},
        {"tray tap", {.verb = Verb::Tray, .tray = TrayAction::Tap}},
        {"tray double", {.verb = Verb::Tray, .tray = TrayAction::Double}},
        {"tray right", {.verb = Verb::Tray, .tray = TrayAction::Right}},
        {"menu 0x8005", {.verb = Verb::Menu, .numbers = {0x8005}}},
        {"menu none", {.verb = Verb::Menu, .numbers = {0}, .flag = true}},
        {"down 10 20", {.verb = Verb::Down, .numbers = {10, 20}}},
        {"move -3 4", {.verb = Verb::Move, .numbers = {-3, 4}}},
        {"up 32767 -32768", {.verb = Verb::Up, .numbers = {32767, -32768}}},
        {"drag 1 2 3 4", {.verb = Verb::Drag, .numbers = {1, 2, 3, 4, 10, 0}}},
        {"drag 1 2 3 4 5", {.verb = Verb::Drag, .numbers = {1, 2, 3, 4, 5, 0}}},
        {"drag 1 2 3 4 0 200", {.verb = Verb::Drag, .numbers = {1, 2, 3, 4, 0, 200}}},
        {"doubletap 5 6", {.verb = Verb::DoubleTap, .numbers = {5, 6}}},
        {"rightclick 7 8", {.verb = Verb::RightClick, .numbers = {7, 8}}},
        {"wheel -120", {.verb = Verb::Wheel, .numbers = {-120}}},
        {"focus magnifier", {.verb = Verb::Focus, .target = Target::Magnifier}},
        {"focus picker", {.verb = Verb::Focus, .target = Target::Picker}},
        {"focus tape", {.verb = Verb::Focus, .target = Target::Tape}},
        {"key 0x70", {.verb = Verb::Key, .numbers = {0x70}}},
        {"char z", {.verb = Verb::Char, .numbers = {'z'}}},
        {"char 7", {.verb = Verb::Char, .numbers = {'7'}}},
        {"char \"#\"", {.verb = Verb::Char, .numbers = {'#'}}},
        {"char 0x20", {.verb = Verb::Char, .numbers = {0x20}}},
        {"char \xC3\xA9", {.verb = Verb::Char, .numbers = {0xE9}}},
        {"alt down", {.verb = Verb::Alt, .flag = true}},
        {"alt up", {.verb = Verb::Alt, .flag = false}},
        {"hotkey 0xC1", {.verb = Verb::HotKey, .numbers = {0xC1}}},
        {"hotkey 193 up", {.verb = Verb::HotKey, .numbers = {193}, .flag = true}},
        {"rotate 320 240", {.verb = Verb::Rotate, .numbers = {320, 240}}},
        {"send tape 0x0111 5 -1", {.verb = Verb::Send, .numbers = {0x111, 5, -1}, .target = Target::Tape}},
        {"send picker 0x0203 0 0x00140010",
         {.verb = Verb::Send, .numbers = {0x203, 0, 0x140010}, .target = Target::Picker}},
        {"send magnifier 0x001A 0x3002 0", {.verb = Verb::Send, .numbers = {0x1A, 0x3002, 0}, .target = Target::Magnifier}},
        {"sheet tab 2", {.verb = Verb::Sheet, .numbers = {2}, .sheet = SheetAction::Tab}},
        {"sheet check 1003 1", {.verb = Verb::Sheet, .numbers = {1003, 1}, .sheet = SheetAction::Check}},
        {"sheet track 1010 -5", {.verb = Verb::Sheet, .numbers = {1010, -5}, .sheet = SheetAction::Track}},
        {"sheet select VezoZevode.bmp", {.verb = Verb::Sheet, .text = "VezoZevode.bmp", .sheet = SheetAction::Select}},
        {"sheet select \"  a # \\\"b\\\"\"", {.verb = Verb::Sheet, .text = "  a # \"b\"", .sheet = SheetAction::Select}},
        {"sheet text 1020 two  words # comment",
         {.verb = Verb::Sheet, .numbers = {1020}, .text = "two  words", .sheet = SheetAction::Text}},
        {"sheet text 1020 \"\"", {.verb = Verb::Sheet, .numbers = {1020}, .text = "", .sheet = SheetAction::Text}},
        {"sheet click 1001", {.verb = Verb::Sheet, .numbers = {1001}, .sheet = SheetAction::Click}},
        {"sheet ok", {.verb = Verb::Sheet, .sheet = SheetAction::Ok}},
        {"sheet cancel", {.verb = Verb::Sheet, .sheet = SheetAction::Cancel}},
        {"second", {.verb = Verb::Second}},
        {"destroy", {.verb = Verb::Destroy}},
        {"dump", {.verb = Verb::Dump}},
        {"shot out/tour.png", {.verb = Verb::Shot, .text = "out/tour.png"}},
        {"   dump   # trailing comment", {.verb = Verb::Dump}},
        {"\tdump\r", {.verb = Verb::Dump}},
    };
    for (const Case& c : cases) {
        std::string error;
        std::optional<Command> command = Parsed(c.line, &error);
        ASSERT_TRUE(command.has_value()) << c.line << ": " << error;
        EXPECT_EQ(*command, c.expected) << c.line;
    }
}

TEST(ScenarioParse, BlankAndCommentLinesGiveNoCommand) {
    for (const char* line : {"", "   ", "\t", "# a comment", "   # indented comment", "#dump", "\r"}) {
        std::optional<Command> command;
        std::string error;
        EXPECT_TRUE(ParseLine(line, &command, &error)) << line << ": " << error;
        EXPECT_FALSE(command.has_value()) << line;
    }
}

TEST(ScenarioParse, NumbersAreDecimalOrHex) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    struct Case {
        const char* token;
        std::optional<int64_t> value;
    } cases[] = {
        {"0", 0},          {"42", 42},         {"-7", -7},        {"0x1F", 31},       {"0XfF", 255},
        {"-0x10", -16},    {"007", 7},         {"0xFFFFFFFF", 0xFFFFFFFFll},           {"", std::nullopt},
        {"0x", std::nullopt}, {"-", std::nullopt}, {"12a", std::nullopt}, {"0x1G", std::nullopt},
        {"--1", std::nullopt}, {"+1", std::nullopt}, {"1.5", std::nullopt}, {" 1", std::nullopt},
        {"99999999999999999999", Max},  {"-99999999999999999999", Min}, {"0x10000000000000000", Max},
    };
    for (const Case& c : cases) EXPECT_EQ(scenario::ParseNumber(c.token), c.value) << "'" << c.token << "'";
}

TEST(ScenarioParse, ColoursAreRrggbb) {
    struct Case {
        const char* token;
        std::optional<platform::ColorRef> value;
    } cases[] = {
        {"FF0000", 0x000000FFu}, {"00ff80", 0x0080FF00u}, {"123456", 0x00563412u}, {"000000", 0u},
        {"12345", std::nullopt}, {"1234567", std::nullopt}, {"GG0000", std::nullopt}, {"0xFF00", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(scenario::ParseColor(c.token), c.value) << c.token;
}

TEST(ScenarioParse, BadLinesGiveClearErrorsWithTheirLineNumber) {
    const std::string sheetUsage =
        "sheet tab N | sheet check ID 0|1 | sheet track ID POS | sheet select TEXT | sheet text ID TEXT | "
        "sheet click ID | sheet ok | sheet cancel";
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"jump 1 2", "unknown command 'jump'"},
        {"\"start\"", "unknown command 'start'"},
        {"Start", "unknown command 'Start'"},
        {"wait", "usage: wait MS"},
        {"wait soon", "MS must be a number, not 'soon' (usage: wait MS)"},
        {"wait \"5\"", "MS must be a number, not '5' (usage: wait MS)"},
        {"wait 600001", "MS must be between 0 and 600000, not 600001"},
        {"wait -1", "MS must be between 0 and 600000, not -1"},
        {"wait 5 6", "unexpected '6' after the arguments (usage: wait MS)"},
        {"start now", "unexpected 'now' after the arguments (usage: start)"},
        {"screen 15 320", "W must be between 16 and 4096, not 15"},
        {"screen 240 0x1001", "H must be between 16 and 4096, not 0x1001"},
        {"screen 240 320 0", "PPI must be between 1 and 2000, not 0"},
        {"rotate 320", "usage: rotate W H"},
        {"clock 0x100000000", "MS must be between 0 and 4294967295, not 0x100000000"},
        {"paint 0 0 10 10 red", "colour must be six hex digits RRGGBB, not 'red'"},
        {"paint 0 0 10 10 0xFF0000", "colour must be six hex digits RRGGBB, not '0xFF0000'"},
        {"paint 0 0 -1 10 FF0000", "W must be between 0 and 100000, not -1"},
        {"desktop fill", "usage: desktop pattern | desktop fill RRGGBB | desktop FILE.bmp"},
        {"desktop", "usage: desktop pattern | desktop fill RRGGBB | desktop FILE.bmp"},
        {"tray hold", "unexpected 'hold' (usage: tray tap|double|right)"},
        {"menu", "usage: menu ID | menu none"},
        {"menu -1", "ID must be between 0 and 2147483647, not -1"},
        {"drag 1 2 3", "usage: drag X1 Y1 X2 Y2 [STEPS [MS]]"},
        {"drag 1 2 3 4 1001", "STEPS must be between 0 and 1000, not 1001"},
        {"drag 1 2 3 4 5 600001", "MS must be between 0 and 600000, not 600001"},
        {"down 40000 0", "X must be between -32768 and 32767, not 40000"},
        {"up 0 -40000", "Y must be between -32768 and 32767, not -40000"},
        {"wheel 32768", "DELTA must be between -32768 and 32767, not 32768"},
        {"key 0", "VK must be between 1 and 254, not 0"},
        {"key 99999999999999999999999", "VK must be between 1 and 254, not 99999999999999999999999"},
        {"char", "usage: char C"},
        {"char ab", "usage: char C"},
        {"char 0x0", "C must be between 1 and 65535, not 0x0"},
        {"char a b", "unexpected 'b' after the arguments (usage: char C)"},
        {"alt sideways", "unexpected 'sideways' (usage: alt down|up)"},
        {"hotkey 193 down", "unexpected 'down' (usage: hotkey VK [up])"},
        {"focus desktop", "unexpected 'desktop' (usage: focus magnifier|picker|tape)"},
        {"send window 1 2 3", "unexpected 'window' (usage: send magnifier|picker|tape CODE P1 P2)"},
        {"send magnifier 0x111 1", "usage: send magnifier|picker|tape CODE P1 P2"},
        {"send magnifier 0x004E 0 0", "message 0x004E passes pointers in its parameters; a scenario cannot send it"},
        {"send tape 0x000C 0 0", "message 0x000C passes pointers in its parameters; a scenario cannot send it"},
        {"send tape 0x0111 0x100000000 0", "P1 must be between -2147483648 and 4294967295, not 0x100000000"},
        {"sheet check 1003 2", "0|1 must be between 0 and 1, not 2"},
        {"sheet tab 64", "N must be between 0 and 63, not 64"},
        {"sheet press 5", "unexpected 'press' (usage: " + sheetUsage + ")"},
        {"sheet text 1020", "usage: " + sheetUsage},
        {"sheet ok now", "unexpected 'now' after the arguments (usage: " + sheetUsage + ")"},
        {"home", "DIR is missing (usage: home DIR)"},
        {"home \"\"", "DIR must not be empty"},
        {"shot", "FILE is missing (usage: shot FILE.png)"},
        {"shot \"a\" b", "FILE: quote the whole text or none of it"},
        {"shot \"unterminated", "unterminated quoted text"},
        {"shot \"a\"b", "quoted text must be followed by a blank"},
        {std::string("dump\x01", 5), "control character in the line"},
        {std::string("dump\0", 5), "control character in the line"},
    };
    for (const Case& c : cases) {
        std::string output, error;
        const std::string text = "# a scenario\n\n" + c.line + "\ndump\n";
        EXPECT_EQ(RunScenarioText(text, &output, &error, "bad.scn"), ScenarioErrorExitCode) << c.line;
        EXPECT_EQ(error, "bad.scn:3: " + c.message) << c.line;
        EXPECT_EQ(output, "") << "nothing runs when a line does not parse: " << c.line;
    }
}

// ---- Drag ----

TEST(ScenarioDrag, MovesAreEvenAndEndExactlyAtTheEndPoint) {
    using platform::Point;
    auto points = [](const std::vector<DragMove>& moves) {
        std::vector<std::pair<int, int>> out;
        for (const DragMove& m : moves) out.emplace_back(m.point.x, m.point.y);
        return out;
    };
    auto waits = [](const std::vector<DragMove>& moves) {
        std::vector<uint32_t> out;
        for (const DragMove& m : moves) out.push_back(m.waitBefore);
        return out;
    };
    std::vector<DragMove> moves = scenario::PlanDrag(Point{0, 0}, Point{10, -7}, 3, 100);
    EXPECT_EQ(points(moves), (std::vector<std::pair<int, int>>{{3, -2}, {6, -4}, {10, -7}}));
    EXPECT_EQ(waits(moves), (std::vector<uint32_t>{33, 33, 34}));

    moves = scenario::PlanDrag(Point{100, 50}, Point{90, 70}, 4, 0);
    EXPECT_EQ(points(moves), (std::vector<std::pair<int, int>>{{98, 55}, {95, 60}, {93, 65}, {90, 70}}));
    EXPECT_EQ(waits(moves), (std::vector<uint32_t>{0, 0, 0, 0}));

    moves = scenario::PlanDrag(Point{1, 2}, Point{30, 40}, 1, 250);
    EXPECT_EQ(points(moves), (std::vector<std::pair<int, int>>{{30, 40}}));
    EXPECT_EQ(waits(moves), (std::vector<uint32_t>{250}));

    EXPECT_TRUE(scenario::PlanDrag(Point{1, 2}, Point{30, 40}, 0, 250).empty());
}

TEST(ScenarioDrag, LongDragsStayMonotonicAndSumTheirTime) {
    using platform::Point;
    const Point from{-32768, 32767}, to{32767, -32768};
    std::vector<DragMove> moves = scenario::PlanDrag(from, to, int32_t(scenario::MaxDragSteps), uint32_t(scenario::MaxWaitMs));
    ASSERT_EQ(moves.size(), size_t(scenario::MaxDragSteps));
    uint64_t total = 0;
    Point previous = from;
    for (const DragMove& m : moves) {
        total += m.waitBefore;
        EXPECT_GE(m.point.x, previous.x);
        EXPECT_LE(m.point.y, previous.y);
        EXPECT_LE(m.point.x - previous.x, 66);  // 65535 / 1000 rounded up
        previous = m.point;
    }
    EXPECT_EQ(total, uint64_t(scenario::MaxWaitMs));
    EXPECT_EQ(moves.back().point, to);
}

// ---- JSON ----

TEST(ScenarioJson, FloatsReadBackToTheSameSinglePrecisionValue) {
    for (float value : {0.0f, 0.1f, 0.5f, 4.0f, 1.0f / 3.0f, 10.0f, 1e-45f, 3.4028235e38f, -2.75f, 20.000002f}) {
        JsonWriter writer;
        writer.Float(value);
        float back = 0.0f;
        const std::string& text = writer.Text();
        auto result = std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(result.ec, std::errc()) << text;
        EXPECT_EQ(back, value) << text;
        EXPECT_EQ(ParseJson(text)->AsFloat(), value) << text;
    }
    JsonWriter writer;
    writer.BeginArray().Float(std::numeric_limits<float>::quiet_NaN()).Float(std::numeric_limits<float>::infinity());
    writer.EndArray();
    EXPECT_EQ(writer.Text(), "[null,null]");
}

TEST(ScenarioJson, WriterEscapesAndReaderReadsBack) {
    JsonWriter writer;
    writer.BeginObject();
    writer.Key("text").String(std::u16string(u"R:1 G:2\nH:\"3\" \\ \x01 \xE9 \U0001F600"));
    writer.Key("lone").String(std::u16string(1, char16_t(0xD800)));
    writer.Key("list").BeginArray().Int(-5).Bool(true).Null().Double(0.25).EndArray();
    writer.Key("empty").BeginObject().EndObject();
    writer.EndObject();
    EXPECT_EQ(writer.Text(),
              "{\"text\":\"R:1 G:2\\nH:\\\"3\\\" \\\\ \\u0001 \xC3\xA9 \xF0\x9F\x98\x80\",\"lone\":\"\xEF\xBF\xBD\","
              "\"list\":[-5,true,null,0.25],\"empty\":{}}");
    std::optional<JsonValue> value = ParseJson(writer.Text());
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)["text"].AsString(), "R:1 G:2\nH:\"3\" \\ \x01 \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ((*value)["list"][0].AsInt(), -5);
    EXPECT_TRUE((*value)["list"][1].AsBool());
    EXPECT_TRUE((*value)["list"][2].IsNull());
    EXPECT_EQ((*value)["list"][3].AsDouble(), 0.25);
    EXPECT_TRUE((*value)["missing"]["deeper"][3].IsNull());
    EXPECT_FALSE(value->Has("missing"));
    EXPECT_TRUE((*value)["empty"].IsObject());
    EXPECT_EQ(ParseJson("\"\\u00e9\\ud83d\\ude00\"")->AsString(), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(ScenarioJson, ReaderRefusesMalformedText) {
    for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "tru", "01", "1.", "-", "\"abc",
                             "\"\\x\"", "\"\\u12\"", "[1] 2", "{a:1}", "\"tab\there\"", "nul"}) {
        EXPECT_FALSE(ParseJson(text).has_value()) << text;
    }
    EXPECT_TRUE(ParseJson(std::string(64, '[') + std::string(64, ']')).has_value());
    EXPECT_FALSE(ParseJson(std::string(100000, '[') + std::string(100000, ']')).has_value());
}

TEST(ScenarioJson, Utf8ConversionFlagsMalformedInput) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
        bool valid;
    } cases[] = {
        {"abc", u"abc", true},
        {"\xC3\xA9", u"\xE9", true},
        {"\xF0\x9F\x98\x80", u"\U0001F600", true},
        {"\xEF\xBF\xBD", u"\xFFFD", true},
        {"\xC0\xAF", u"\xFFFD\xFFFD", false},        // overlong
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD", false},  // an encoded surrogate
        {"\xE2\x82", u"\xFFFD\xFFFD", false},        // truncated
        {"\xFF", u"\xFFFD", false},
    };
    for (const Case& c : cases) {
        bool valid = !c.valid;
        EXPECT_EQ(Utf8ToUtf16(c.utf8, &valid), c.utf16) << c.utf8;
        EXPECT_EQ(valid, c.valid) << c.utf8;
    }
    EXPECT_EQ(Utf16ToUtf8(u"\xDC00x"), "\xEF\xBF\xBDx");
}

// ---- Running scenarios ----

TEST(ScenarioRun, CommandsThatCannotBeCarriedOutStopWithTheirLine) {
    const std::string missing = "/nonexistent-vistrel-folder";
    const std::string plainFile = TestTempFile("plain-file");
    std::ofstream(plainFile) << "not a folder";
    const std::string notStarted = "' is input for the program, which has not started yet (put 'start' before it)";
    const std::string ended = "' is input for the program, which has ended (exit code 0); after its end only wait, "
                              "paint, dump and shot work";
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {"start\nmenu 3", "run.scn:2: no pop-up menu is being tracked to answer"},
        {"start\ntray double\nmenu 99",
         "run.scn:3: the menu has no item 99 (items: 3 \"Show/hide\", 4 \"Show/hide color\", 10 \"Show/hide tape\", "
         "9 \"Correcting the picture\", 7 \"Settings...\", 5 \"Close\")"},
        {"start\ntray double\nmenu 0", "run.scn:3: the menu has no item 0 (items: 3 \"Show/hide\", 4 \"Show/hide "
                                       "color\", 10 \"Show/hide tape\", 9 \"Correcting the picture\", 7 \"Settings...\", "
                                       "5 \"Close\")"},
        {"tray tap", "run.scn:1: 'tray" + notStarted},
        {"screen 300 300\nkey 27", "run.scn:2: 'key" + notStarted},
        {"down 10 10", "run.scn:1: 'down" + notStarted},
        {"rotate 320 240", "run.scn:1: 'rotate" + notStarted},
        {"second", "run.scn:1: 'second" + notStarted},
        {"focus picker", "run.scn:1: 'focus" + notStarted},
        {"start\ndestroy\ntray tap", "run.scn:3: 'tray" + ended},
        {"start\ndestroy\nwait 10\ndrag 1 1 5 5", "run.scn:4: 'drag" + ended},
        {"start\ndestroy\nsend tape 0x111 0 0", "run.scn:3: 'send" + ended},
        {"start\ndestroy\nsheet ok", "run.scn:3: 'sheet" + ended},
        {"home " + missing, "run.scn:1: home folder '" + missing + "' does not exist"},
        {"registry " + missing + "/r.reg",
         "run.scn:1: the folder of the registry file '" + missing + "/r.reg' does not exist"},
        {"desktop " + missing + "/x.bmp", "run.scn:1: cannot read the picture '" + missing + "/x.bmp'"},
        {"shot " + plainFile + "/x.png", "run.scn:1: cannot write '" + plainFile + "/x.png': Not a directory"},
        {"shot /", "run.scn:1: cannot write '/': Is a directory"},
        {"# set-up comes first\nstart\nscreen 100 100\ndump",
         "run.scn:3: set-up lines (screen, home, registry, desktop, clock) must come before start"},
        {"start\nstart", "run.scn:2: the program is already running ('second' starts another copy)"},
        {"start\nwait 40\nsheet tab 1\ndump", "run.scn:3: no settings sheet is open"},
    };
    for (const Case& c : cases) {
        std::string output, error;
        EXPECT_EQ(RunScenarioText(c.text, &output, &error, "run.scn"), ScenarioErrorExitCode) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(output, "") << "no line after the failing one runs: " << c.text;
        EXPECT_FALSE(platform::sim::ProgramRunning()) << "the program has ended: " << c.text;
    }
}

TEST(ScenarioRun, RunTimeStaysBoundedWhateverTheScenarioHolds) {
    std::string text, output, error;
    for (int i = 0; i < 7; ++i) text += "wait 600000\n";
    EXPECT_EQ(RunScenarioText(text + "dump\n", &output, &error, "long.scn"), ScenarioErrorExitCode);
    EXPECT_EQ(error, "long.scn:7: the scenario lets more than 3600000 ms of device time pass");
    EXPECT_EQ(output, "");

    text.clear();
    for (size_t i = 0; i <= scenario::MaxCommands; ++i) text += "dump # " + std::to_string(i) + "\n";
    EXPECT_EQ(RunScenarioText(text, &output, &error, "many.scn"), ScenarioErrorExitCode);
    EXPECT_EQ(error, "many.scn:100001: more than 100000 commands");
}

TEST(ScenarioRun, OversizedPictureHeadersAreRefusedBeforeReading) {
    const std::string file = TestTempFile("huge-header.bmp");
    unsigned char header[54] = {'B', 'M'};
    header[14] = 40;                      // info header size
    header[18] = 0xA0, header[19] = 0x86, header[20] = 0x01;  // width 100000
    header[22] = 1;                       // height 1
    header[26] = 1, header[28] = 24;
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof header);
    std::string output, error;
    EXPECT_EQ(RunScenarioText("desktop " + file, &output, &error, "pic.scn"), ScenarioErrorExitCode);
    EXPECT_EQ(error, "pic.scn:1: the picture '" + file + "' is larger than 8192 pixels on a side");
}

TEST(ScenarioRun, DumpHasEveryKey) {
    std::string output, error;
    const int code = RunScenarioText("clock 1000\nstart\ndrag 10 10 20 20 4 100\ndump\ndestroy\ndump\n", &output,
                                     &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(code, 0);
    const size_t split = output.find('\n');
    ASSERT_NE(split, std::string::npos);
    std::optional<JsonValue> running = ParseJson(output.substr(0, split));
    std::optional<JsonValue> ended = ParseJson(output.substr(split + 1, output.find('\n', split + 1) - split - 1));
    ASSERT_TRUE(running && ended) << output;

    const std::vector<std::string> top = {"clock", "running", "exit_code", "screen", "settings", "magnifier",
                                          "shell", "windows", "tray", "hotkeys", "cursor", "capture", "sounds",
                                          "processes", "clipboard", "menu", "registry", "objects"};
    EXPECT_EQ(Keys(*running), top);
    EXPECT_EQ(Keys(*ended), top);
    EXPECT_EQ(Keys((*running)["settings"]),
              (std::vector<std::string>{"SkinName", "SmoothImg", "ShowLight", "WindowRect", "WindowSize", "ZoomX",
                                        "ZoomPnt", "ShowAnim", "ColorPickerRect", "ShowColorPicker", "Bright",
                                        "Contrast", "AdjustMode", "TapeRect", "ShowTape", "DevicePPI",
                                        "PPCScanCode", "PlaySound"}));
    EXPECT_EQ(Keys((*running)["magnifier"]),
              (std::vector<std::string>{
                  "PointerState", "Visible", "Hidden", "ShowSteps", "HideSteps", "AnimStep", "AnimSavedRect",
                  "FirstSampleDone", "LocatorRequest", "LocatorCount", "LocatorRect", "ScreenRect", "MinWindowSize",
                  "MaxWindowSize", "RightZone", "BottomZone", "CornerZone", "ColorPickerToolRect", "TapeToolRect",
                  "ViewInset", "DialRadius", "DialDotRadius", "DialDot", "PickedColor", "SourceRect",
                  "ColorPickerText", "TapeText", "TapeStart", "ColorPickerDock", "TapeDock", "ColorPickerOffset",
                  "TapeOffset", "LoadedSkinName", "AimTimerArmed", "GrabPoint", "DragStartZoom", "DragStartSize"}));
    EXPECT_EQ(Keys((*running)["shell"]),
              (std::vector<std::string>{"Closing", "SettingsSheetOpen", "TicksSinceRefresh", "ResourceLibrary"}));
    EXPECT_EQ(Keys((*running)["windows"]), (std::vector<std::string>{"magnifier", "picker", "tape"}));
    const std::vector<std::string> windowKeys = {"class", "title", "rect", "visible", "style", "exstyle"};
    EXPECT_EQ(Keys((*running)["windows"]["magnifier"]), windowKeys);
    EXPECT_EQ((*running)["windows"]["magnifier"]["class"].AsString(), "MAGNIFYINGGLASS");
    EXPECT_EQ((*running)["windows"]["picker"]["class"].AsString(), "MG_COLORPICKER");
    EXPECT_EQ((*running)["windows"]["tape"]["class"].AsString(), "MG_TAPE");

    // Shapes: rectangles of four, points of two, texts as strings.
    const JsonValue& settings = (*running)["settings"];
    EXPECT_TRUE(settings["SkinName"].IsString());
    EXPECT_EQ(settings["WindowRect"].Size(), 4u);
    EXPECT_EQ(settings["ZoomPnt"].Size(), 2u);
    EXPECT_EQ(settings["DevicePPI"].Size(), 2u);
    EXPECT_TRUE(settings["ZoomX"].IsNumber());
    const JsonValue& magnifier = (*running)["magnifier"];
    EXPECT_EQ(magnifier["ViewInset"].Size(), 2u);
    EXPECT_EQ(magnifier["DialDot"].Size(), 2u);
    EXPECT_TRUE(magnifier["TapeText"].IsString());
    EXPECT_TRUE(magnifier["PointerState"].IsNumber());

    // The drag's moves were spread over 100 ms of device time.
    EXPECT_EQ((*running)["clock"].AsInt(), 1100);
    EXPECT_TRUE((*running)["running"].AsBool());
    EXPECT_TRUE((*running)["exit_code"].IsNull());
    EXPECT_EQ((*running)["screen"][0].AsInt(), 240);
    EXPECT_EQ((*running)["screen"][1].AsInt(), 320);

    // Once the program has ended: its exit code, and nothing of its state.
    EXPECT_FALSE((*ended)["running"].AsBool());
    EXPECT_EQ((*ended)["exit_code"].AsInt(), 0);
    EXPECT_TRUE((*ended)["exit_code"].IsNumber());
    for (const char* key : {"settings", "magnifier", "shell"}) EXPECT_TRUE((*ended)[key].IsNull()) << key;
    for (const char* key : {"magnifier", "picker", "tape"}) EXPECT_TRUE((*ended)["windows"][key].IsNull()) << key;
}

TEST(ScenarioRun, ADragSpreadsItsMovesOverDeviceTime) {
    // Aiming from the glass's corner square moves the zoom point only once 200 ms have passed since the
    // first move; with the moves 200 ms apart the last one takes the zoom point along. Moves made all at
    // once would leave it where it was.
    SimSession s;
    s.Do("tray tap\nwait 1300");
    s.Check([] { ASSERT_TRUE(Shell().MagnifierObject && IsVisible(*Shell().MagnifierObject)); });
    s.Do("drag 105 105 111 111 3 600\ndump");
    EXPECT_EQ(s.Start(), 0);
    const JsonValue dump = s.LastDump();
    EXPECT_EQ(dump["clock"].AsInt(), 1900);
    EXPECT_EQ(dump["settings"]["ZoomPnt"][0].AsInt(), 111);
    EXPECT_EQ(dump["settings"]["ZoomPnt"][1].AsInt(), 111);
}

TEST(ScenarioRun, LinesAfterTheProgramEndedStillRun) {
    const std::string shot = TestTempFile("after-end.png");
    std::string output, error;
    EXPECT_EQ(RunScenarioText("start\ndestroy\nwait 500\ndump\nshot " + shot + "\n", &output, &error), 0);
    EXPECT_EQ(error, "");
    std::optional<JsonValue> dump = ParseJson(output.substr(0, output.find('\n')));
    ASSERT_TRUE(dump) << output;
    EXPECT_EQ((*dump)["clock"].AsInt(), 500);
    std::ifstream png(shot, std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST(ScenarioRun, ASecondCopyReportsItsExitCode) {
    std::string output, error;
    EXPECT_EQ(RunScenarioText("start\nsecond\n", &output, &error), 0);
    EXPECT_EQ(error, "");
    EXPECT_EQ(output, "{\"second_exit\": 0}\n");
}

// ---- The harness ----

TEST(SimSessionHarness, StepsAndChecksRunInsideTheProgramInOrder) {
    SimSession s({.screenWidth = 240, .screenHeight = 320});
    std::vector<std::string> seen;
    s.Check([&] {
        seen.push_back("first");
        EXPECT_TRUE(platform::sim::ProgramRunning());
        EXPECT_NE(Shell().MagnifierObject, nullptr);
    });
    s.Do("wait 120\ndump");
    s.Check([&] {
        seen.push_back("second");
        EXPECT_EQ(platform::sim::Clock(), 120u);
    });
    EXPECT_EQ(s.Start(), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
    ASSERT_EQ(s.Dumps().size(), 1u);
    EXPECT_TRUE(s.LastDump()["running"].AsBool());
    EXPECT_EQ(s.LastDump()["clock"].AsInt(), 120);
    EXPECT_FALSE(platform::sim::ProgramRunning());
}

TEST(SimSessionHarness, AFailingLineFailsTheTestWithItsMessage) {
    EXPECT_NONFATAL_FAILURE(
        {
            SimSession s;
            s.Do("wait 5\nwait forever");
            EXPECT_EQ(s.Start(), -1);
        },
        "session:2: MS must be a number, not 'forever' (usage: wait MS)");
    EXPECT_NONFATAL_FAILURE(
        {
            SimSession s;
            s.Do("wait 5").Do("sheet ok\ndump");
            EXPECT_EQ(s.Start(), -1);
            EXPECT_TRUE(s.Output().empty());
            EXPECT_FALSE(platform::sim::ProgramRunning());
        },
        "session:2: no settings sheet is open");
}

TEST(SimSessionHarness, StartingAgainRunsAFreshProgram) {
    SimSession s;
    s.Do("wait 80");
    EXPECT_EQ(s.Start(), 0);
    s.Do("dump");
    EXPECT_EQ(s.Start(), 0);
    EXPECT_EQ(s.LastDump()["clock"].AsInt(), 0) << "a fresh device starts its clock again";
}

TEST(ScenarioRun, RelativePathsStartFromTheScenariosFolder) {
    namespace fs = std::filesystem;
    const fs::path folder = TestTempFile("relative-paths");
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder / "pictures");
    platform::sim::WriteBmpFile(platform::sim::Image(40, 30, 0x00FF00), (folder / "pictures" / "desk.bmp").string());
    const std::string text = "desktop pictures/desk.bmp\nregistry kept.reg\nstart\nshot out/screen.png\n"
                             "tray double\nmenu 5\nwait 1000\n";
    std::string output, error;
    EXPECT_EQ(RunScenarioText(text, &output, &error, "rel.scn", folder.string()), 0) << error;
    EXPECT_TRUE(fs::is_regular_file(folder / "kept.reg"));
    EXPECT_TRUE(fs::is_regular_file(folder / "out" / "screen.png"));
    EXPECT_FALSE(fs::exists("kept.reg"));
    EXPECT_FALSE(fs::exists("out"));
}
