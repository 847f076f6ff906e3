// The one window procedure of the three windows and the tray timer.
#pragma once

#include "platform/Platform.h"

constexpr uintptr_t TrayTimerId = 10056;
constexpr uint32_t TrayDelayMs = 600;
constexpr uint32_t TrayIconId = 257;
constexpr uint32_t TrayCallbackMessage = 0x8024;
constexpr platform::WParam ScreenChangeCode = 0x3002;

platform::LResult WindowProcedure(platform::Window window, uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam);
void TrayTimerProcedure(platform::Window window, uint32_t message, uintptr_t timerId, uint32_t time);
void AddTrayIcon(platform::Window window);
