// Files of the window system, shared with the other resource parts.
#pragma once

#include <string_view>

namespace platform::sim::detail {

// Closes every open file search (a new device starts with none; not counted).
void ResetFindHandles();

// Whether a file name matches a pattern with '*' and '?', ignoring letter case.
bool MatchesPattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform::sim::detail
