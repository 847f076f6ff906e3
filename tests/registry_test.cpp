// The simulated handheld's registry (HKEY_CURRENT_USER) and the text file that keeps it.
#include <gtest/gtest.h>

#include "TestTmp.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Simulation.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
namespace sim = platform::sim;

constexpr const char16_t* VistrelKey = u"Software\\Orvane group\\Vistrel";

fs::path TestFile(const std::string& name) {
    fs::path folder = TestTmpRoot() / "registry";
    fs::create_directories(folder);
    fs::path file = folder / name;
    fs::remove(file);
    return file;
}

void StartDevice(const fs::path& file) {
    sim::DeviceConfig config;
    config.registryFile = file.empty() ? std::string() : file.string();
    sim::ResetDevice(config);
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

std::vector<uint8_t> Utf16Bytes(const std::u16string& text, bool terminated = true) {
    std::vector<uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c & 0xFF));
        bytes.push_back(uint8_t(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::vector<uint8_t> DwordBytes(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

sim::RegistryValue Value(uint32_t type, std::vector<uint8_t> data) { return sim::RegistryValue{type, std::move(data)}; }

TEST(RegistryFile, MalformedLinesAreSkipped) {
    const std::vector<std::string> badLines = {
        "\"A\"=dword:123456789",
        "\"A\"=dword:",
        "\"A\"=dword:xyz",
        "\"A\"=dword",
        "\"A\"=\"unterminated",
        "\"A\"=\"text\" trailing",
        "\"A\"=hex:1,2,zz",
        "\"A\"=hex:123",
        "\"A\"=hex:01,,02",
        "\"A\"=hex(2:00",
        "\"A\"=hex():00",
        "\"A\"=hex(123456789):00",
        "\"A\"=str:x",
        "\"A\"",
        "\"A\"=",
        "\"unterminated=dword:1",
        "A=dword:1",
        "\"\"=dword:1",
        std::string("\"A\"=\x01\x02\xFF\xFE", 8),
        std::string(5000, 'x'),
        "\"A\"=hex:" + std::string(10, ','),
    };
    fs::path file = TestFile("malformed.reg");
    for (const std::string& bad : badLines) {
        WriteText(file, "Windows Registry Editor Version 5.00\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\n"
                        "\"Before\"=dword:00000007\n" +
                            bad + "\n\"After\"=\"still read\"\n");
        StartDevice(file);
        sim::RegistrySnapshot registry = sim::Registry();
        ASSERT_EQ(registry.count(VistrelKey), 1u) << bad;
        const auto& values = registry.at(VistrelKey);
        EXPECT_EQ(values.size(), 2u) << bad;
        EXPECT_EQ(values.count(u"A"), 0u) << bad;
        ASSERT_EQ(values.count(u"Before"), 1u) << bad;
        EXPECT_EQ(values.at(u"Before").data, DwordBytes(7)) << bad;
        ASSERT_EQ(values.count(u"After"), 1u) << bad;
        EXPECT_EQ(values.at(u"After").data, Utf16Bytes(u"still read")) << bad;
    }
}

}  // namespace

// ---- What the device cannot read is kept ----

namespace {

std::string Header(const std::string& values) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\n" + values;
}

void SetDword(const char16_t* name, uint32_t v) { sim::SetRegistryValue(VistrelKey, name, Value(RegDword, DwordBytes(v))); }

}  // namespace

// A file larger than the device reads is never overwritten: it is moved aside (to NAME.unreadable, then
// NAME.unreadable-2 ...), standard error says so, and the device writes its new file beside it.
TEST(RegistryFile, AFileTooLargeToReadIsKeptAsideNotOverwritten) {
    fs::path file = TestFile("large.reg");
    fs::path first = file.string() + ".unreadable", second = file.string() + ".unreadable-2";
    fs::remove(first);
    fs::remove(second);
    const std::string large = Header("\"PlaySound\"=dword:00000000\n") + std::string(17 << 20, ';');
    for (const fs::path& kept : {first, second}) {
        WriteText(file, large);
        testing::internal::CaptureStderr();
        StartDevice(file);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(kept.string()), std::string::npos) << said;
        EXPECT_TRUE(sim::Registry().empty());
        SetDword(u"PlaySound", 1);
        EXPECT_TRUE(ReadText(kept) == large) << kept << " holds the file as it was";
        EXPECT_NE(ReadText(file).find("\"PlaySound\"=dword:00000001"), std::string::npos);
    }
    EXPECT_TRUE(ReadText(first) == large) << "the second file took the first one's place";
}

// A value line the device cannot read (too large, malformed, in a key of another hive) stays in the file
// as it was when the device writes it again, until the program sets a value of that name.
TEST(RegistryFile, AValueThatCannotBeReadSurvivesTheNextWrite) {
    fs::path file = TestFile("unread.reg");
    std::string big = "\"Big\"=hex:00";
    for (size_t i = 0; i < (1u << 20); ++i) big += ",ab";
    const std::vector<std::string> kept = {big, "\"Odd\"=str:x", "\"Broken=dword:1", "[HKEY_LOCAL_MACHINE\\Software\\X]\n\"Foreign\"=dword:00000001"};
    WriteText(file, Header(big + "\n\"Odd\"=str:x\n\"Broken=dword:1\n\"Read\"=dword:00000005\n\n") + kept[3] + "\n");
    StartDevice(file);
    EXPECT_EQ(sim::Registry().at(VistrelKey).size(), 1u);
    SetDword(u"PlaySound", 1);
    std::string text = ReadText(file);
    for (const std::string& line : kept) EXPECT_NE(text.find(line + "\n"), std::string::npos) << line.substr(0, 40);
    EXPECT_NE(text.find("\"Read\"=dword:00000005\n"), std::string::npos);
    SetDword(u"odd", 2);  // the program's own value takes the unreadable one's place
    text = ReadText(file);
    EXPECT_EQ(text.find("\"Odd\"=str:x"), std::string::npos);
    StartDevice(file);
    EXPECT_EQ(sim::Registry().at(VistrelKey).at(u"Odd").data, DwordBytes(2));
}

// Each value line of a key is found among the values read before it without comparing it to each of
// them: the names compared grow with the number of lines, not with its square.
TEST(RegistryFile, ReadingIsLinearInTheValuesOfAKey) {
    constexpr int Values = 5000;
    std::string values;
    for (int i = 0; i < Values; ++i) values += "\"Value" + std::to_string(i) + "\"=dword:00000001\n";
    for (int i = 0; i < Values; i += 2) values += "\"VALUE" + std::to_string(i) + "\"=-\n";
    for (int i = 0; i < Values; i += 2) values += "\"value" + std::to_string(i) + "\"=dword:00000002\n";
    fs::path file = TestFile("many.reg");
    WriteText(file, Header(values));
    const uint64_t before = sim::RegistryNameComparisons();
    StartDevice(file);
    EXPECT_LE(sim::RegistryNameComparisons() - before, uint64_t(4 * Values));
    const sim::RegistrySnapshot registry = sim::Registry();
    const auto& read = registry.at(VistrelKey);
    ASSERT_EQ(read.size(), size_t(Values));
    EXPECT_EQ(read.at(u"value4").data, DwordBytes(2));
    EXPECT_EQ(read.at(u"Value5").data, DwordBytes(1));
}

// A line that cannot be read and ends, once its blanks are trimmed, in a backslash would run on into the
// next line when written back: it is dropped, and the values after it survive the next write.
TEST(RegistryFile, AnUnreadLineEndingInABackslashDoesNotSwallowTheNextOne) {
    fs::path file = TestFile("backslash.reg");
    WriteText(file, Header("\"Quote\\\\ \\\n\n\"Read\"=dword:00000005\n"));
    StartDevice(file);
    SetDword(u"PlaySound", 1);
    StartDevice(file);
    const sim::RegistrySnapshot registry = sim::Registry();
    ASSERT_EQ(registry.at(VistrelKey).size(), 2u) << ReadText(file);
    EXPECT_EQ(registry.at(VistrelKey).at(u"Read").data, DwordBytes(5)) << ReadText(file);
}
