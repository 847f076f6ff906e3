// A pop-up menu on the real display: a window of its own with the items, tracked until an item is
// chosen (a click, or Return on the highlighted item) or the menu is dismissed (a click outside,
// Escape).
#pragma once

#include <functional>
#include <vector>

#include "platform/windowing/Device.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

// The chosen item's id, 0 when dismissed. The menu's corner lies at `at`, moved onto the screen.
// Events for other windows (a window uncovered, the tray) go to `elsewhere` meanwhile.
int TrackPopupMenu(const std::vector<sim::MenuItemInfo>& items, Point at,
                   const std::function<void(XEvent&)>& elsewhere);

}  // namespace platform::x11
