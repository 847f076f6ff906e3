// Reader of resource scripts: the text form of a module's resources (strings, accelerator tables,
// dialog templates, icon and cursor file references). The program's own script is built into it; a
// translation library ("Localize.dll") is a file in the same form.
//
// The subset understood:
//   // and /* */ comments; #include "file" (through the caller's reader); #define NAME number-expression;
//   #pragma lines (ignored)
//   numbers in decimal or 0x-hex (an L or U suffix is allowed), names made with #define, and the
//   operators |, +, -, unary - and ~, parentheses
//   strings "..." or L"..." in UTF-8, with "" for a quote and the escapes \n \t \r and \\ (backslash)
//   LANGUAGE a, b                                         (ignored)
//   STRINGTABLE BEGIN id, "text" ... END
//   id ACCELERATORS BEGIN key, command [, VIRTKEY|ASCII|NOINVERT|ALT|SHIFT|CONTROL]... END
//   id DIALOG|DIALOGEX x, y, width, height [, help]
//      [STYLE expr] [EXSTYLE expr] [CAPTION "text"] [FONT size, "face" [, weight, italic, charset]]
//      BEGIN controls END
//      controls: LTEXT, CTEXT, RTEXT, PUSHBUTTON, DEFPUSHBUTTON, AUTOCHECKBOX ("text", id, x, y, w, h
//      [, style [, exstyle]]); EDITTEXT, COMBOBOX (id, x, y, w, h [, style [, exstyle]]); ICON (icon id,
//      id, x, y [, w, h [, style [, exstyle]]]); CONTROL ("text" or icon id, id, class, style, x, y, w, h
//      [, exstyle])
//   id ICON "file"     id CURSOR "file"
// BEGIN/END may also be written { }. Memory flags (DISCARDABLE, MOVEABLE ...) are accepted and ignored.
// Styles follow the resource compiler: every control gets child and visible; a style given on a control
// statement replaces that statement's default styles but keeps its base kind (a check box stays a
// check box); CAPTION adds the caption style and FONT the set-font flag (0x40) to the dialog's style.
// One difference: an ICON control keeps the width and height the script gives it (a resource compiler
// drops them and lets the icon size the control), so that the template says how large to show it.
//
// Anything else, a duplicate id or a value out of range makes the whole script fail with a message
// naming the line. Sizes are capped (see the limits below), so a hostile file is rejected cheaply.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/windowing/Internal.h"

namespace platform::sim {

struct ResourceScript {
    std::map<int, std::u16string> strings;
    std::map<int, AcceleratorObject> accelerators;
    std::map<int, DialogTemplateObject> dialogs;
    std::map<int, std::string> iconFiles;    // resource id -> file name as the script gives it
    std::map<int, std::string> cursorFiles;  // resource id -> file name as the script gives it
};

// Returns the text of a file named by #include, or nullopt when there is none.
using IncludeReader = std::function<std::optional<std::string>(const std::string& name)>;

inline constexpr size_t MaxScriptBytes = 1 << 20;      // a script (or an included file) at most 1 MiB
inline constexpr size_t MaxStringUnits = 4096;         // one text, in UTF-16 code units
inline constexpr size_t MaxDialogControls = 256;
inline constexpr size_t MaxAcceleratorEntries = 1024;
inline constexpr size_t MaxResources = 8192;           // strings, tables, dialogs, icons and cursors
inline constexpr size_t MaxDefines = 4096;
inline constexpr int MaxIncludeDepth = 4;
inline constexpr int MaxIncludes = 16;

// Reads a resource script. On failure returns nullopt and, when error is given, "FILE line N: reason".
std::optional<ResourceScript> ParseResourceScript(std::string_view text, const IncludeReader& readInclude,
                                                  std::string* error, const std::string& fileName = "script");

// A resource library's text read as LoadResourceModule reads the library's file: it may include the
// program's id header by name. Null when the text is refused, with the reason in *error (when given).
// The device keeps the last text read with what it gave until it is reset, so a library loaded again
// with the same bytes is not read twice (nor is it by a caller that reads the text before loading it).
std::shared_ptr<const ResourceScript> ReadLibraryScript(std::string_view text, std::string* error);

}  // namespace platform::sim
