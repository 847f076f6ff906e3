// The 40 ms tick: the timed refresh of the view and the steps of the animations. While nothing waits for
// a step, the tick rests instead of waking 25 times a second: up to the next timed refresh while the
// glass is shown, a long way while it is hidden.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

constexpr uintptr_t TickTimerId = 10055;
constexpr uint32_t TickIntervalMs = 40;

// Sets the tick going (end of start-up) and stops it (shutdown), keeping its count.
void StartTick();
void StopTick();
void TickProcedure(platform::Window window, uint32_t message, uintptr_t timerId, uint32_t time);
// After anything that may have given the tick work sooner (a show, hide, locate or close, a tap on the
// tray icon, a drag): a resting tick counts the ticks it skipped and goes on in step with them.
void WakeTick();
