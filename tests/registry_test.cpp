// The simulated handheld's registry (HKEY_CURRENT_USER) and the text file that keeps it.
#include <gtest/gtest.h>

#include "TestTmp.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Device.h"

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

void Set(RegKey key, const char16_t* name, uint32_t type, const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(RegistrySetValue(key, name, type, bytes.data(), uint32_t(bytes.size())), ErrorSuccess);
}

sim::RegistryValue Value(uint32_t type, std::vector<uint8_t> data) { return sim::RegistryValue{type, std::move(data)}; }

void ExpectSameRegistry(const sim::RegistrySnapshot& a, const sim::RegistrySnapshot& b) {
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [key, values] : a) {
        ASSERT_TRUE(b.count(key));
        const auto& other = b.at(key);
        ASSERT_EQ(values.size(), other.size());
        for (const auto& [name, value] : values) {
            ASSERT_TRUE(other.count(name));
            EXPECT_EQ(value.type, other.at(name).type);
            EXPECT_EQ(value.data, other.at(name).data);
        }
    }
}

TEST(RegistryFile, ValuesSurviveARestartOfTheDevice) {
    fs::path file = TestFile("roundtrip.reg");
    StartDevice(file);
    RegKey key = nullptr;
    ASSERT_EQ(RegistryCreateKey(VistrelKey, &key), ErrorSuccess);
    Set(key, u"SkinName", RegSz, Utf16Bytes(u"VezoZevode.bmp"));
    Set(key, u"SmoothImg", RegDword, DwordBytes(1));
    Set(key, u"ZoomX", RegDword, DwordBytes(0x40800000));
    Set(key, u"Expand", RegExpandSz, Utf16Bytes(u"%HOME%\\Skins"));
    Set(key, u"Blob", RegBinary, std::vector<uint8_t>(100, 0xA5));
    Set(key, u"Empty", RegBinary, {});
    Set(key, u"NoZero", RegSz, Utf16Bytes(u"abc", false));             // no terminating zero
    Set(key, u"TwoZeros", RegSz, Utf16Bytes(std::u16string(u"ab\0", 3)));  // the writer's length is kept
    Set(key, u"Odd", RegSz, {0x41, 0x00, 0x42});
    Set(key, u"Lines", RegSz, Utf16Bytes(u"one\ntwo"));
    Set(key, u"Quote \"and\" \\", RegSz, Utf16Bytes(u"a \"b\" \\c\\"));
    Set(key, u"Cyrillic", RegSz, Utf16Bytes(u"\u041B\u0443\u043F\u0430"));
    Set(key, u"Multi", RegMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4)));
    Set(key, u"Short", RegDword, {1, 2});
    Set(key, nullptr, RegSz, Utf16Bytes(u"default"));
    EXPECT_EQ(RegistryCloseKey(key), ErrorSuccess);
    ASSERT_EQ(RegistryCreateKey(u"Software\\Empty key", &key), ErrorSuccess);
    EXPECT_EQ(RegistryCloseKey(key), ErrorSuccess);

    sim::RegistrySnapshot before = sim::Registry();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(before.at(VistrelKey).size(), 15u);

    std::string text = ReadText(file);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"SkinName\"=\"VezoZevode.bmp\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"SmoothImg\"=dword:00000001\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"ZoomX\"=dword:40800000\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Expand\"=hex(2):25,00,48,00"), std::string::npos);
    EXPECT_NE(text.find("\n\"Blob\"=hex:a5,a5,"), std::string::npos);
    EXPECT_NE(text.find(",\\\n  a5,"), std::string::npos);  // long values go on in the next line
    EXPECT_NE(text.find("\n\"Empty\"=hex:\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Quote \\\"and\\\" \\\\\"=\"a \\\"b\\\" \\\\c\\\\\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Lines\"=hex(1):"), std::string::npos);
    EXPECT_NE(text.find("\n\"Short\"=hex(4):01,02\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty key]\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));

    StartDevice(file);
    ExpectSameRegistry(before, sim::Registry());
    // Written again from what was read, the file is the same.
    RegKey reopened = nullptr;
    ASSERT_EQ(RegistryOpenKey(VistrelKey, &reopened), ErrorSuccess);
    Set(reopened, u"SmoothImg", RegDword, DwordBytes(1));
    RegistryCloseKey(reopened);
    EXPECT_EQ(ReadText(file), text);
}

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

TEST(RegistryFile, ValuesUnderAForeignOrBrokenKeyLineAreSkipped) {
    fs::path file = TestFile("keys.reg");
    WriteText(file,
              "REGEDIT4\n"
              "\"Orphan\"=dword:00000001\n"
              "[HKEY_LOCAL_MACHINE\\Software\\X]\n\"Foreign\"=dword:00000001\n"
              "[HKEY_CURRENT_USER\\Software\\Broken\n\"InBroken\"=dword:00000001\n"
              "[-HKEY_CURRENT_USER\\Software\\Gone]\n\"Deleted\"=dword:00000001\n"
              "; a comment\n"
              "[hkey_current_user\\\\Software\\\\Kept\\]\n\"Kept\"=dword:00000002\n"
              "\"Removed\"=dword:00000003\n\"Removed\"=-\n"
              "\"Wrapped\"=hex:01,02,\\\n   03,04\n");
    StartDevice(file);
    sim::RegistrySnapshot registry = sim::Registry();
    ASSERT_EQ(registry.size(), 1u);
    const auto& values = registry.at(u"Software\\Kept");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values.at(u"Kept").data, DwordBytes(2));
    EXPECT_EQ(values.at(u"Wrapped").data, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(RegistryFile, ExportsInUtf16AreRead) {
    fs::path file = TestFile("utf16.reg");
    std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\W]\r\n"
                          u"\"Name\"=\"\u0416\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    WriteText(file, bytes);
    StartDevice(file);
    EXPECT_EQ(sim::Registry().at(u"Software\\W").at(u"Name").data, Utf16Bytes(u"\u0416"));
}

TEST(RegistryFile, WithoutAFileNothingIsWritten) {
    StartDevice({});
    sim::SetRegistryValue(VistrelKey, u"PlaySound", Value(RegDword, DwordBytes(1)));
    EXPECT_EQ(sim::Registry().at(VistrelKey).at(u"PlaySound").data, DwordBytes(1));
    StartDevice({});
    EXPECT_TRUE(sim::Registry().empty());
}

TEST(RegistryFile, SetByTheDeviceIsWrittenToo) {
    fs::path file = TestFile("device.reg");
    StartDevice(file);
    sim::SetRegistryValue(VistrelKey, u"WindowSize", Value(RegDword, DwordBytes(0xFFFFFFFF)));
    EXPECT_NE(ReadText(file).find("\"WindowSize\"=dword:ffffffff"), std::string::npos);
    StartDevice(file);
    EXPECT_EQ(sim::Registry().at(VistrelKey).at(u"WindowSize").data, DwordBytes(0xFFFFFFFF));
}

TEST(RegistryQuery, SizesAndErrors) {
    StartDevice({});
    sim::SetRegistryValue(VistrelKey, u"SkinName", Value(RegSz, Utf16Bytes(u"VezoZevode.bmp")));  // 30 bytes
    RegKey key = nullptr;
    ASSERT_EQ(RegistryOpenKey(VistrelKey, &key), ErrorSuccess);

    uint8_t buffer[64];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t type = 0;
    uint32_t size = 29;
    EXPECT_EQ(RegistryQueryValue(key, u"SkinName", &type, buffer, &size), ErrorMoreData);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(buffer[0], 0xEE);  // nothing copied

    size = 0;
    EXPECT_EQ(RegistryQueryValue(key, u"SkinName", &type, nullptr, &size), ErrorSuccess);  // asks the size
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(type, RegSz);

    size = 30;
    EXPECT_EQ(RegistryQueryValue(key, u"skinname", &type, buffer, &size), ErrorSuccess);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 30), Utf16Bytes(u"VezoZevode.bmp"));
    EXPECT_EQ(buffer[30], 0xEE);

    size = 4;
    EXPECT_EQ(RegistryQueryValue(key, u"Missing", &type, buffer, &size), ErrorFileNotFound);
    EXPECT_EQ(RegistryQueryValue(key, u"SkinName", &type, buffer, nullptr), 87u);
    EXPECT_EQ(RegistrySetValue(key, u"Bad", RegBinary, nullptr, 4), 87u);
    EXPECT_EQ(RegistrySetValue(key, u"Line\nbreak", RegDword, buffer, 4), 87u);
    EXPECT_EQ(RegistryCloseKey(key), ErrorSuccess);
    EXPECT_EQ(RegistryCloseKey(key), ErrorInvalidHandle);
    EXPECT_EQ(RegistryQueryValue(key, u"SkinName", &type, buffer, &size), ErrorInvalidHandle);
    EXPECT_EQ(RegistrySetValue(nullptr, u"SkinName", RegDword, buffer, 4), ErrorInvalidHandle);

    RegKey missing = reinterpret_cast<RegKey>(1);
    EXPECT_EQ(RegistryOpenKey(u"Software\\Nobody", &missing), ErrorFileNotFound);
    EXPECT_EQ(missing, nullptr);
}

TEST(RegistryKeys, NamesIgnoreCaseAndParentsCanBeOpened) {
    StartDevice({});
    RegKey key = nullptr;
    ASSERT_EQ(RegistryCreateKey(VistrelKey, &key), ErrorSuccess);
    uint32_t one = 1;
    EXPECT_EQ(RegistrySetValue(key, u"PlaySound", RegDword, &one, 4), ErrorSuccess);
    EXPECT_EQ(RegistryCloseKey(key), ErrorSuccess);

    for (const char16_t* path : {u"SOFTWARE\\orvane GROUP\\vistrel", u"\\Software\\\\Orvane group\\Vistrel\\", u"Software",
                                 u"Software\\Orvane group"}) {
        RegKey opened = nullptr;
        EXPECT_EQ(RegistryOpenKey(path, &opened), ErrorSuccess) << std::string(path, path + std::char_traits<char16_t>::length(path));
        EXPECT_EQ(RegistryCloseKey(opened), ErrorSuccess);
    }
    EXPECT_EQ(RegistryOpenKey(u"Software\\Orvane", &key), ErrorFileNotFound);
    EXPECT_EQ(RegistryOpenKey(u"Software\\Orvane group\\Vistrel\\Deeper", &key), ErrorFileNotFound);

    ASSERT_EQ(RegistryCreateKey(u"software\\ORVANE group\\VISTREL", &key), ErrorSuccess);
    uint32_t value = 0, size = 4, type = 0;
    EXPECT_EQ(RegistryQueryValue(key, u"PLAYSOUND", &type, &value, &size), ErrorSuccess);
    EXPECT_EQ(value, 1u);
    uint32_t two = 2;
    EXPECT_EQ(RegistrySetValue(key, u"playsound", RegDword, &two, 4), ErrorSuccess);
    EXPECT_EQ(RegistryCloseKey(key), ErrorSuccess);

    sim::RegistrySnapshot registry = sim::Registry();
    ASSERT_EQ(registry.size(), 1u);  // only the created key is listed, under its first spelling
    ASSERT_EQ(registry.count(VistrelKey), 1u);
    ASSERT_EQ(registry.at(VistrelKey).size(), 1u);
    EXPECT_EQ(registry.at(VistrelKey).at(u"PlaySound").data, DwordBytes(2));
}

TEST(RegistryKeys, OpenHandlesAreCounted) {
    StartDevice({});
    auto count = [] { return sim::ObjectCounts()["regkeys"]; };
    RegKey a = nullptr, b = nullptr;
    ASSERT_EQ(RegistryCreateKey(VistrelKey, &a), ErrorSuccess);
    ASSERT_EQ(RegistryOpenKey(VistrelKey, &b), ErrorSuccess);
    EXPECT_NE(a, b);
    EXPECT_EQ(count(), 2);
    RegistryCloseKey(a);
    RegistryCloseKey(b);
    EXPECT_EQ(count(), 0);
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
