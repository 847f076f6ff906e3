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

}  // namespace
