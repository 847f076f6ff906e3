// Keys of the X keyboard and the program's virtual keys. The handheld's application keys (the tape
// key 193 and the three after it) have no key of their own on a desktop keyboard: they are F9 to F12,
// taken with the Super key by the global grab.
#pragma once

#include <cstdint>

#include "platform/x11/Xlib.h"

namespace platform::x11 {

constexpr uint32_t FirstApplicationKey = 0xC1;  // 193, the tape key
constexpr uint32_t LastApplicationKey = 0xC4;

uint32_t VirtualKeyOf(KeySym symbol);  // 0 when the program has no virtual key for it
KeySym KeySymOf(uint32_t virtualKey);  // NoSymbol when the keyboard has no such key
// The X modifier mask of the program's hot-key modifiers (Alt, Control, Shift, Win).
unsigned ModifierMaskOf(uint32_t modifiers);

}  // namespace platform::x11
