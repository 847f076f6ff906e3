// Pop-up menus. Tracking one never blocks: the device records the menu and asks its input source for
// the answer at once; anything but an enabled, non-separator item of the menu dismisses it.
#include <algorithm>

#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr size_t MaxItemText = 1024;

MenuObject* FindMenu(Menu menu) {
    auto& menus = Dev().menus;
    auto it = menus.find(menu);
    return it == menus.end() ? nullptr : it->second.get();
}

std::vector<MenuItemInfo> Describe(const MenuObject& menu) {
    std::vector<MenuItemInfo> items;
    for (const MenuObject::Item& item : menu.items)
        items.push_back(MenuItemInfo{item.id, item.text, (item.flags & MenuChecked) != 0,
                                     (item.flags & MenuSeparator) != 0});
    return items;
}

}  // namespace

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

Menu CreatePopupMenuObject() {
    auto menu = std::make_unique<MenuObject>();
    Menu handle = menu.get();
    Dev().menus[handle] = std::move(menu);
    CountObject("menus", 1);
    return handle;
}

bool AppendMenuItem(Menu menu, uint32_t flags, uintptr_t id, const char16_t* text) {
    MenuObject* m = FindMenu(menu);
    if (!m) return false;
    bool separator = (flags & MenuSeparator) != 0;
    if (!separator && !text) return false;
    MenuObject::Item item;
    item.flags = flags;
    item.id = separator ? 0 : id;
    if (text && !separator)
        for (size_t i = 0; i < MaxItemText && text[i] != 0; ++i) item.text.push_back(text[i]);
    m->items.push_back(std::move(item));
    return true;
}

int TrackPopupMenuAt(Menu menu, uint32_t flags, int32_t, int32_t, Window owner) {
    MenuObject* m = FindMenu(menu);
    if (!m) return 0;
    Dev().lastMenu = Describe(*m);
    int answer = 0;
    sim::InputSource* input = CurrentInputSource();
    if (!input || !input->AnswerMenu(&answer) || answer == 0) return 0;
    m = FindMenu(menu);  // the answer may have come after anything
    if (!m) return 0;
    auto chosen = std::find_if(m->items.begin(), m->items.end(), [&](const MenuObject::Item& item) {
        return !(item.flags & (MenuSeparator | MenuGrayed)) && item.id == uintptr_t(uint32_t(answer));
    });
    if (chosen == m->items.end()) return 0;
    if (flags & TrackReturnCommand) return int(chosen->id);
    if (LiveWindow(owner)) PostToWindow(owner, MsgCommand, MakeWParam(uint32_t(chosen->id), 0), 0);
    return 1;
}

bool DestroyMenuObject(Menu menu) {
    auto& menus = Dev().menus;
    auto it = menus.find(menu);
    if (it == menus.end()) return false;
    menus.erase(it);
    CountObject("menus", -1);
    return true;
}

namespace sim {

std::optional<std::vector<MenuItemInfo>> LastMenu() { return Dev().lastMenu; }

}  // namespace sim

}  // namespace platform
