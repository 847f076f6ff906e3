// Conversions between the device's UTF-16 texts and the UTF-8 of scenario files and dumps.
#pragma once

#include <string>
#include <string_view>

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD; *valid (when given) tells whether there were none.
std::u16string Utf8ToUtf16(std::string_view text, bool* valid = nullptr);
// Text held in a fixed wide buffer: up to the first zero, never past the buffer's end.
template <size_t N>
std::u16string BufferText(const char16_t (&buffer)[N]) {
    size_t length = 0;
    while (length < N && buffer[length] != 0) ++length;
    return std::u16string(buffer, length);
}
