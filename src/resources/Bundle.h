// The program's resources as built into it: the resource script (Vistrel.rc) and the files it names
// (its id header, icons and cursors).
#pragma once

#include <optional>
#include <string_view>

namespace resources {

// The text of the resource script.
std::string_view EmbeddedResourceScript();

// The bytes of a file the script names ("ResourceIds.h", "Aim.cur" ...); letter case does not matter.
// nullopt when the program carries no such file.
std::optional<std::string_view> EmbeddedResourceFile(std::string_view name);

}  // namespace resources
