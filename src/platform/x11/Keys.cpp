#include "platform/x11/Keys.h"

#include "platform/Constants.h"

namespace platform::x11 {

namespace {

struct KeyPair {
    KeySym symbol;
    uint32_t virtualKey;
};

constexpr KeyPair NamedKeys[] = {
    {XK_BackSpace, 0x08}, {XK_Tab, VkTab},        {XK_Return, VkReturn},   {XK_KP_Enter, VkReturn},
    {XK_Escape, VkEscape}, {XK_space, 0x20},      {XK_Prior, 0x21},        {XK_Next, 0x22},
    {XK_End, 0x23},       {XK_Home, 0x24},        {XK_Left, VkLeft},       {XK_Up, VkUp},
    {XK_Right, VkRight},  {XK_Down, VkDown},      {XK_Insert, 0x2D},       {XK_Delete, 0x2E},
    {XK_KP_Add, VkAdd},   {XK_KP_Subtract, VkSubtract}, {XK_plus, VkOemPlus}, {XK_equal, VkOemPlus},
    {XK_minus, VkOemMinus}, {XK_Shift_L, VkShift}, {XK_Shift_R, VkShift}, {XK_Control_L, VkControl},
    {XK_Control_R, VkControl}, {XK_Alt_L, VkMenu}, {XK_Alt_R, VkMenu},  {XK_Meta_L, VkMenu},
    {XK_Meta_R, VkMenu}, {XK_Pause, 0x13},
};

}  // namespace

uint32_t VirtualKeyOf(KeySym symbol) {
    if (symbol >= XK_a && symbol <= XK_z) return uint32_t(symbol - XK_a + 'A');
    if (symbol >= XK_A && symbol <= XK_Z) return uint32_t(symbol - XK_A + 'A');
    if (symbol >= XK_0 && symbol <= XK_9) return uint32_t(symbol - XK_0 + '0');
    if (symbol >= XK_F1 && symbol <= XK_F24) return uint32_t(symbol - XK_F1 + VkF1);
    for (const KeyPair& pair : NamedKeys)
        if (pair.symbol == symbol) return pair.virtualKey;
    return 0;
}

KeySym KeySymOf(uint32_t virtualKey) {
    if (virtualKey >= FirstApplicationKey && virtualKey <= LastApplicationKey)
        return XK_F9 + (virtualKey - FirstApplicationKey);
    if (virtualKey >= 'A' && virtualKey <= 'Z') return XK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return XK_0 + (virtualKey - '0');
    if (virtualKey >= VkF1 && virtualKey < VkF1 + 24) return XK_F1 + (virtualKey - VkF1);
    for (const KeyPair& pair : NamedKeys)
        if (pair.virtualKey == virtualKey) return pair.symbol;
    return NoSymbol;
}

unsigned ModifierMaskOf(uint32_t modifiers) {
    constexpr uint32_t ModAlt = 0x1, ModControl = 0x2, ModShift = 0x4;
    unsigned mask = 0;
    if (modifiers & ModAlt) mask |= Mod1Mask;
    if (modifiers & ModControl) mask |= ControlMask;
    if (modifiers & ModShift) mask |= ShiftMask;
    if (modifiers & ModWin) mask |= Mod4Mask;
    return mask;
}

}  // namespace platform::x11
