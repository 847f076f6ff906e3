// Files of the window system, shared with the other resource parts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::sim::detail {

// Closes every open file search (a new device starts with none; not counted).
void ResetFindHandles();

// Whether a file name matches a pattern with '*' and '?', ignoring letter case.
bool MatchesPattern(std::u16string_view pattern, std::u16string_view name);

// The whole of a host file of at most `limit` bytes, read in pieces so that a larger one is refused
// before it is all in memory. Nullopt when the file is missing (*why left empty) or cannot be read
// whole (*why says why: "it is not a file", "it cannot be opened", "it is larger than 1 MiB",
// "reading it failed").
std::optional<std::string> ReadHostFile(const std::string& hostPath, size_t limit, std::string* why);

}  // namespace platform::sim::detail
