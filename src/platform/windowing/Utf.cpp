// Conversions between the device's UTF-16 texts and the host's UTF-8.
#include "platform/windowing/Utf.h"

#include <cstdint>

#include "platform/windowing/Internal.h"

namespace platform::sim {

namespace {

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(uint32_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(uint32_t c) { return c >= 0xDC00 && c < 0xE000; }

// Decodes one sequence at text[i]; returns its length (at least 1) and the code point in *c, which
// is U+FFFD for a malformed, overlong or truncated sequence.
size_t DecodeOne(std::string_view text, size_t i, uint32_t* c) {
    const uint8_t lead = uint8_t(text[i]);
    *c = 0xFFFD;
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        *c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
    } else {
        return 1;
    }
    if (i + length > text.size()) return 1;
    uint32_t value = lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
        const uint8_t next = uint8_t(text[i + k]);
        if ((next & 0xC0) != 0x80) return 1;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return 1;
    *c = value;
    return length;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text, bool* valid) {
    std::u16string out;
    out.reserve(text.size());
    bool allValid = true;
    size_t i = 0;
    while (i < text.size()) {
        uint32_t c = 0;
        const size_t length = DecodeOne(text, i, &c);
        if (c == 0xFFFD && !(length == 3 && text.substr(i, 3) == "\xEF\xBF\xBD")) allValid = false;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += length;
    }
    if (valid) *valid = allValid;
    return out;
}

namespace detail {

std::string ToUtf8(const std::u16string& text) { return Utf16ToUtf8(text); }
std::u16string FromUtf8(const std::string& text) { return Utf8ToUtf16(text); }

}  // namespace detail
}  // namespace platform::sim
