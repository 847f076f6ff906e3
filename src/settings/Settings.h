// The user's persisted settings: one plain record, copied whole.
#pragma once

#include <cstdint>

#include "platform/Types.h"

struct Resolution {
    int32_t x = 0;  // horizontal
    int32_t y = 0;  // vertical
    friend bool operator==(const Resolution&, const Resolution&) = default;
};

struct Settings {
    char16_t SkinName[128] = {};
    int32_t SmoothImg = 0;
    int32_t ShowLight = 0;
    platform::Rect WindowRect;
    int32_t WindowSize = 0;
    float ZoomX = 0.0f;
    platform::Point ZoomPnt;
    int32_t ShowAnim = 0;
    platform::Rect ColorPickerRect;
    int32_t ShowColorPicker = 0;
    float Bright = 0.0f;
    float Contrast = 0.0f;
    int32_t AdjustMode = 0;
    platform::Rect TapeRect;
    int32_t ShowTape = 0;
    Resolution DevicePPI;
    uint32_t PPCScanCode = 0;
    int32_t PlaySound = 0;
};

// Fixed sizes of the tool windows.
constexpr int32_t ColorPickerWidth = 200;
constexpr int32_t TapeWidth = 225;
constexpr int32_t ToolWindowHeight = 50;
