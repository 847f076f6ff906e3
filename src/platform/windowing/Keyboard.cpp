// Keys: key and character events for the focused window (decided when the program takes them), the key
// state, the translation of key-downs into characters and of keys into accelerator commands.
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr int VkLButton = 0x01;
constexpr int VkLeftShift = 0xA0;
constexpr int VkRightShift = 0xA1;
constexpr int VkLeftControl = 0xA2;
constexpr int VkRightControl = 0xA3;
constexpr int VkLeftMenu = 0xA4;
constexpr int VkRightMenu = 0xA5;
constexpr uint32_t VkBack = 0x08;
constexpr uint32_t VkSpace = 0x20;
constexpr LParam AltContextBit = LParam(1) << 29;
constexpr LParam KeyUpBits = (LParam(1) << 30) | (LParam(1) << 31);

bool Held(int virtualKey) { return GetKeyStateOf(virtualKey) < 0; }

// The key messages go to the focused window, else to the active window; nowhere while that window
// cannot take input.
WindowObject* KeyTarget() {
    DeviceState& dev = Dev();
    WindowObject* target = LiveWindow(dev.focus);
    if (!target) target = LiveWindow(dev.active);
    if (!target || !EffectivelyEnabled(target)) return nullptr;
    return target;
}

// The character a key-down produces, or 0. With Ctrl held a letter gives its control character
// (Ctrl+C gives 3).
char16_t CharacterOf(uint32_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        if (Held(int(VkControl))) return char16_t(virtualKey - 'A' + 1);
        return Held(int(VkShift)) ? char16_t(virtualKey) : char16_t(virtualKey - 'A' + 'a');
    }
    if (virtualKey >= '0' && virtualKey <= '9') return char16_t(virtualKey);
    if (virtualKey == VkSpace || virtualKey == VkReturn || virtualKey == VkEscape || virtualKey == VkBack ||
        virtualKey == VkTab)
        return char16_t(virtualKey);
    return 0;
}

void QueueKey(uint32_t message, WParam wParam, LParam lParam) {
    InputEvent event;
    event.kind = InputEvent::Kind::Key;
    event.message = message;
    event.wParam = wParam;
    event.lParam = lParam;
    event.screen = Dev().cursorPosition;
    QueueInput(event);
}

}  // namespace

bool ResolveKey(const InputEvent& event, Message* message) {
    WindowObject* target = KeyTarget();
    if (!target) return false;
    message->window = target;
    message->message = event.message;
    message->wParam = event.wParam;
    message->lParam = event.lParam;
    return true;
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

int16_t GetKeyStateOf(int virtualKey) {
    const DeviceState& dev = Dev();
    bool held = false;
    if (virtualKey == int(VkMenu) || virtualKey == VkLeftMenu || virtualKey == VkRightMenu) held = dev.altHeld;
    else if (virtualKey == int(VkShift) || virtualKey == VkLeftShift || virtualKey == VkRightShift)
        held = dev.shiftHeld;
    else if (virtualKey == int(VkControl) || virtualKey == VkLeftControl || virtualKey == VkRightControl)
        held = dev.controlHeld;
    else if (virtualKey == VkLButton) held = dev.buttonHeld;
    return held ? int16_t(-32768) : int16_t(0);
}

bool TranslateToCharacters(const Message* message) {
    if (!message || (message->message != MsgKeyDown && message->message != MsgSysKeyDown)) return false;
    char16_t c = CharacterOf(uint32_t(message->wParam));
    if (!c || !LiveWindow(message->window)) return false;
    bool system = message->message == MsgSysKeyDown || Held(VkMenu);
    return PostToWindow(message->window, system ? MsgSysChar : MsgChar, c, message->lParam & ~KeyUpBits);
}

bool TranslateAcceleratorFor(Window window, Accelerators table, Message* message) {
    if (!table || !message || !LiveWindow(window)) return false;
    uint32_t code = message->message;
    bool keyDown = code == MsgKeyDown || code == MsgSysKeyDown;
    bool character = code == MsgChar || code == MsgSysChar;
    if (!keyDown && !character) return false;
    bool alt = Held(VkMenu), control = Held(int(VkControl)), shift = Held(int(VkShift));
    for (const AcceleratorObject::Entry& entry : table->entries) {
        bool virtualKey = (entry.flags & AccelVirtKey) != 0;
        if (virtualKey ? !keyDown : !character) continue;
        if (entry.key != message->wParam) continue;
        if (((entry.flags & AccelAlt) != 0) != alt) continue;
        if (((entry.flags & AccelControl) != 0) != control) continue;
        if (((entry.flags & AccelShift) != 0) != shift) continue;
        SendToWindow(window, MsgCommand, MakeWParam(entry.command, 1), 0);
        return true;
    }
    return false;
}

namespace sim {

void SetAlt(bool held) { Dev().altHeld = held; }
void SetShift(bool held) { Dev().shiftHeld = held; }
void SetControl(bool held) { Dev().controlHeld = held; }

// The key goes down and up; the Alt key held makes them system keys.
void KeyPress(uint32_t virtualKey) {
    bool alt = Dev().altHeld;
    LParam context = alt ? AltContextBit : 0;
    QueueKey(alt ? MsgSysKeyDown : MsgKeyDown, virtualKey, 1 | context);
    QueueKey(alt ? MsgSysKeyUp : MsgKeyUp, virtualKey, 1 | context | KeyUpBits);
}

void TypeCharacter(char16_t character) {
    bool alt = Dev().altHeld;
    QueueKey(alt ? MsgSysChar : MsgChar, character, 1 | (alt ? AltContextBit : 0));
}

}  // namespace sim

}  // namespace platform
