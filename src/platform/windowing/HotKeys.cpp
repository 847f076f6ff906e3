// Hot keys: a hardware key registered by a window reaches it as MsgHotKey while it is registered.
#include <algorithm>

#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform::sim::detail {

void RemoveHotKeysOf(Window window) {
    if (std::erase_if(Dev().hotKeys, [window](const HotKeyRecord& h) { return h.window == window; }))
        ++Dev().hotKeyChanges;
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool RegisterHotKeyFor(Window window, int id, uint32_t modifiers, uint32_t virtualKey) {
    if (!LiveWindow(window)) return false;
    DeviceState& dev = Dev();
    for (const HotKeyRecord& h : dev.hotKeys) {
        if (h.window == window && h.id == id) return false;                         // id in use
        if (h.virtualKey == virtualKey && h.modifiers == modifiers) return false;  // key taken
    }
    dev.hotKeys.push_back(HotKeyRecord{window, id, modifiers, virtualKey});
    ++dev.hotKeyChanges;
    return true;
}

bool UnregisterHotKeyFor(Window window, int id) {
    std::vector<HotKeyRecord>& hotKeys = Dev().hotKeys;
    auto it = std::find_if(hotKeys.begin(), hotKeys.end(),
                           [&](const HotKeyRecord& h) { return h.window == window && h.id == id; });
    if (it == hotKeys.end()) return false;
    hotKeys.erase(it);
    ++Dev().hotKeyChanges;
    return true;
}

namespace sim {

void HotKey(uint32_t virtualKey, bool keyUp) {
    for (const HotKeyRecord& h : Dev().hotKeys) {
        if (h.virtualKey != virtualKey) continue;
        uint32_t flags = h.modifiers | (keyUp ? ModKeyUp : 0);
        PostToWindow(h.window, MsgHotKey, WParam(h.id), MakeLParam(int32_t(flags), int32_t(virtualKey)));
        return;
    }
}

uint64_t HotKeyChanges() { return Dev().hotKeyChanges; }

std::vector<HotKeyInfo> HotKeys() {
    std::vector<HotKeyInfo> out;
    for (const HotKeyRecord& h : Dev().hotKeys) out.push_back(HotKeyInfo{h.id, h.modifiers, h.virtualKey, h.window});
    return out;
}

}  // namespace sim

}  // namespace platform
