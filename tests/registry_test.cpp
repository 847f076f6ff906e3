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
