// Conversions between the device's UTF-16 texts and the host's UTF-8 (files, scenarios, dumps).
#pragma once

#include <string>
#include <string_view>

namespace platform::sim {

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Malformed, overlong and truncated sequences become U+FFFD; *valid (when given) tells whether there
// were none.
std::u16string Utf8ToUtf16(std::string_view text, bool* valid = nullptr);

}  // namespace platform::sim
