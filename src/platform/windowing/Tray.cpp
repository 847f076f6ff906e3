// The tray: icons added by windows, each with an id, a tip and the callback message that a tap on
// the icon sends to its owner.
#include <algorithm>

#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform::sim::detail {

namespace {

constexpr size_t TipCapacity = sizeof(TrayIconRecord::tip) / sizeof(char16_t);

std::vector<TrayRecord>::iterator FindIcon(Window owner, uint32_t id) {
    std::vector<TrayRecord>& tray = Dev().tray;
    return std::find_if(tray.begin(), tray.end(),
                        [&](const TrayRecord& r) { return r.owner == owner && r.id == id; });
}

// The tip field holds at most 63 characters and a terminating zero; a field without one is cut.
std::u16string TipOf(const TrayIconRecord& record) {
    std::u16string tip;
    for (size_t i = 0; i + 1 < TipCapacity && record.tip[i] != 0; ++i) tip.push_back(record.tip[i]);
    return tip;
}

void Apply(TrayRecord& icon, const TrayIconRecord& record) {
    if (record.flags & TrayFlagMessage) icon.callback = record.callbackMessage;
    if (record.flags & TrayFlagIcon) icon.icon = record.icon;
    if (record.flags & TrayFlagTip) icon.tip = TipOf(record);
}

}  // namespace

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool TrayNotify(uint32_t operation, const TrayIconRecord* record) {
    if (!record) return false;
    DeviceState& dev = Dev();
    auto found = FindIcon(record->window, record->id);
    switch (operation) {
    case TrayAdd: {
        if (!LiveWindow(record->window) || found != dev.tray.end()) return false;
        TrayRecord icon;
        icon.owner = record->window;
        icon.id = record->id;
        Apply(icon, *record);
        dev.tray.push_back(icon);
        ++dev.trayChanges;
        return true;
    }
    case TrayModify:
        if (found == dev.tray.end()) return false;
        Apply(*found, *record);
        ++dev.trayChanges;
        return true;
    case TrayDelete:
        if (found == dev.tray.end()) return false;
        dev.tray.erase(found);
        ++dev.trayChanges;
        return true;
    default:
        return false;
    }
}

namespace sim {

void TrayEvent(uint32_t pointerMessage) {
    const DeviceState& dev = Dev();
    if (dev.tray.empty()) return;
    const TrayRecord& icon = dev.tray.front();
    PostToWindow(icon.owner, icon.callback, icon.id, LParam(pointerMessage));
}

uint64_t TrayChanges() { return Dev().trayChanges; }

std::vector<TrayInfo> TrayIcons() {
    std::vector<TrayInfo> out;
    for (const TrayRecord& r : Dev().tray) out.push_back(TrayInfo{r.id, r.tip, r.callback, r.owner, r.icon});
    return out;
}

}  // namespace sim

}  // namespace platform
