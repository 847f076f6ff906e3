// A pop-up menu on the real display: a window of its own with the items, tracked until an item is
// chosen (a click, or Return on the highlighted item) or the menu is dismissed (a click outside,
// Escape).
#pragma once

#include <vector>

#include "platform/sim/Device.h"

namespace platform::x11 {

// The chosen item's id, 0 when dismissed. The menu's corner lies at `at`, moved onto the screen.
int TrackPopupMenu(const std::vector<sim::MenuItemInfo>& items, Point at);

}  // namespace platform::x11
