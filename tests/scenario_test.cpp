// The scenario language's errors, the runner's limits, the JSON reader and the test harness itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Json.h"
#include "ScenarioParser.h"
#include "TestHarness.h"
#include "shell/ShellState.h"

// ---- Parsing ----

TEST(ScenarioParse, BadLinesGiveClearErrorsWithTheirLineNumber) {
    const std::string sheetUsage =
        "sheet tab N | sheet check ID 0|1 | sheet track ID POS | sheet select TEXT | sheet text ID TEXT | "
        "sheet click ID | sheet ok | sheet cancel";
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"jump 1 2", "unknown command 'jump'"},
        {"wait", "usage: wait MS"},
        {"wait soon", "MS must be a number, not 'soon' (usage: wait MS)"},
        {"start now", "unexpected 'now' after the arguments (usage: start)"},
        {"screen 15 320", "W must be between 16 and 4096, not 15"},
        {"paint 0 0 10 10 red", "colour must be six hex digits RRGGBB, not 'red'"},
        {"menu", "usage: menu ID | menu none"},
        {"down 40000 0", "X must be between -32768 and 32767, not 40000"},
        {"send magnifier 0x111 1", "usage: send magnifier|picker|tape CODE P1 P2"},
        {"send magnifier 0x004E 0 0", "message 0x004E passes pointers in its parameters; a scenario cannot send it"},
        {"sheet press 5", "unexpected 'press' (usage: " + sheetUsage + ")"},
        {"home \"\"", "DIR must not be empty"},
        {"shot \"a\" b", "FILE: quote the whole text or none of it"},
        {std::string("dump\x01", 5), "control character in the line"},
    };
    for (const Case& c : cases) {
        std::string output, error;
        const std::string text = "# a scenario\n\n" + c.line + "\ndump\n";
        EXPECT_EQ(RunScenarioText(text, &output, &error, "bad.scn"), ScenarioErrorExitCode) << c.line;
        EXPECT_EQ(error, "bad.scn:3: " + c.message) << c.line;
        EXPECT_EQ(output, "") << "nothing runs when a line does not parse: " << c.line;
    }
}

// ---- JSON ----

TEST(ScenarioJson, ReaderRefusesMalformedText) {
    for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "tru", "01", "1.", "-", "\"abc",
                             "\"\\x\"", "\"\\u12\"", "[1] 2", "{a:1}", "\"tab\there\"", "nul"}) {
        EXPECT_FALSE(ParseJson(text).has_value()) << text;
    }
    EXPECT_TRUE(ParseJson(std::string(64, '[') + std::string(64, ']')).has_value());
    EXPECT_FALSE(ParseJson(std::string(100000, '[') + std::string(100000, ']')).has_value());
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
        {"second", "run.scn:1: 'second" + notStarted},
        {"start\ndestroy\ntray tap", "run.scn:3: 'tray" + ended},
        {"start\ndestroy\nwait 10\ndrag 1 1 5 5", "run.scn:4: 'drag" + ended},
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
