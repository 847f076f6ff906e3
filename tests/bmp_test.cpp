// ".bmp" files a user may put in the Skins folder: malformed or truncated ones are refused. (Skins that
// read are proved by the glass's paint.)
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"

using namespace platform;
using platform::sim::Image;

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The bytes of a bottom-up ".bmp" file with a 40-byte header: 24 bits per pixel, or 8 with a palette
// (written as blue, green, red, 0). pixel(x, y) gives the stored value of pixel (x, y), top row first.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits, const std::vector<ColorRef>& palette,
                             const std::function<uint32_t(int32_t, int32_t)>& pixel) {
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    const size_t offset = 14 + 40 + palette.size() * 4;
    std::vector<uint8_t> b(offset + stride * size_t(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offset));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) {
        b[54 + 4 * i] = BlueOf(palette[i]);
        b[55 + 4 * i] = GreenOf(palette[i]);
        b[56 + 4 * i] = RedOf(palette[i]);
    }
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (size_t i = 0; i < size_t(bits / 8); ++i)
                b[offset + size_t(height - 1 - y) * stride + size_t(x) * (bits / 8) + i] = uint8_t(pixel(x, y) >> (8 * i));
    return b;
}

std::optional<Image> Decode(const std::vector<uint8_t>& bytes) { return sim::DecodeBmp(bytes.data(), bytes.size()); }

ColorRef Sample(int32_t x, int32_t y) { return Rgb(uint8_t(x * 40 + 3), uint8_t(y * 50 + 7), uint8_t(x * y * 13 + 1)); }

// 24-bit packed value of a colour: blue in the low byte.
uint32_t Bgr(ColorRef c) { return uint32_t(BlueOf(c)) | uint32_t(GreenOf(c)) << 8 | uint32_t(RedOf(c)) << 16; }

}  // namespace

TEST(Bmp, RefusesMalformedAndTruncatedFiles) {
    const std::vector<uint8_t> good24 = MakeBmp(4, 3, 24, {}, [](int32_t x, int32_t y) { return Bgr(Sample(x, y)); });
    const std::vector<uint8_t> good8 =
        MakeBmp(5, 2, 8, {Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)}, [](int32_t x, int32_t) { return uint32_t(x % 3); });
    ASSERT_TRUE(Decode(good24).has_value());
    ASSERT_TRUE(Decode(good8).has_value());

    // Every shorter prefix of a valid file is refused.
    for (const auto* good : {&good24, &good8})
        for (size_t length = 0; length < good->size(); ++length)
            EXPECT_FALSE(sim::DecodeBmp(good->data(), length).has_value()) << "prefix of " << length << " bytes";
    EXPECT_FALSE(sim::DecodeBmp(nullptr, 100).has_value());

    struct Corruption {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> apply;
        bool eightBit = false;
    };
    const std::vector<Corruption> corruptions = {
        {"bad magic", [](auto& b) { b[0] = 'X'; }},
        {"bad magic 2", [](auto& b) { b[1] = 'A'; }},
        {"zero width", [](auto& b) { Put32(b, 18, 0); }},
        {"negative width", [](auto& b) { Put32(b, 18, uint32_t(-4)); }},
        {"zero height", [](auto& b) { Put32(b, 22, 0); }},
        {"huge width", [](auto& b) { Put32(b, 18, 20000); }},
        {"huge negative height", [](auto& b) { Put32(b, 22, uint32_t(-20000)); }},
        {"most negative height", [](auto& b) { Put32(b, 22, 0x80000000u); }},
        {"too many pixels", [](auto& b) { Put32(b, 18, 16384); Put32(b, 22, 16384); Put16(b, 28, 32); }},
        {"width overflows a row", [](auto& b) { Put32(b, 18, 0x7FFFFFFF); }},
        {"data offset at the end", [](auto& b) { Put32(b, 10, uint32_t(b.size())); }},
        {"data offset far past the end", [](auto& b) { Put32(b, 10, 0xFFFFFFF0u); }},
        {"data offset inside the header", [](auto& b) { Put32(b, 10, 20); }},
        {"data short by one row", [](auto& b) { Put32(b, 10, uint32_t(b.size() - 12 * 2)); }},
        {"header size 13", [](auto& b) { Put32(b, 14, 13); }},
        {"header size past the end", [](auto& b) { Put32(b, 14, 0xFFFFFFFFu); }},
        {"header size 200", [](auto& b) { Put32(b, 14, 200); }},
        {"bit count 7", [](auto& b) { Put16(b, 28, 7); }},
        {"bit count 0", [](auto& b) { Put16(b, 28, 0); }},
        {"bit count 64", [](auto& b) { Put16(b, 28, 64); }},
        {"run-length compression", [](auto& b) { Put32(b, 30, 1); }},
        {"embedded jpeg", [](auto& b) { Put32(b, 30, 4); }},
        {"bit fields on 24 bits", [](auto& b) { Put32(b, 30, 3); }},
        {"two planes", [](auto& b) { Put16(b, 26, 2); }},
        {"palette past the end", [](auto& b) { Put32(b, 46, 0xFFFFFFFFu); }, true},
        {"palette index out of range", [](auto& b) { b[b.size() - 8] = 5; }, true},
        {"palette overlapping pixels", [](auto& b) { Put32(b, 46, 6); }, true},
    };
    for (const auto& c : corruptions) {
        std::vector<uint8_t> bytes = c.eightBit ? good8 : good24;
        c.apply(bytes);
        EXPECT_FALSE(Decode(bytes).has_value()) << c.name;
    }
}
