// Conversions between the device's UTF-16 texts and the UTF-8 of scenario files and dumps.
#pragma once

#include <string>
#include <string_view>

#include "platform/windowing/Utf.h"

using platform::sim::Utf16ToUtf8;
using platform::sim::Utf8ToUtf16;

// Text held in a fixed wide buffer: up to the first zero, never past the buffer's end.
template <size_t N>
std::u16string BufferText(const char16_t (&buffer)[N]) {
    size_t length = 0;
    while (length < N && buffer[length] != 0) ++length;
    return std::u16string(buffer, length);
}
