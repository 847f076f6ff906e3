// Control of the simulated handheld: what only a simulation has beside the window system (Device.h):
// a screen of its own over a desktop picture, a clock that moves when the scenario waits, screen reads
// and PNG shots. Used by tests and by vistrel-sim, never by the system's own code or a desktop host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/Types.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Image.h"

namespace platform::sim {

// The device's configuration and the desktop picture behind every window.
struct HandheldConfig : DeviceConfig {
    HandheldConfig(DeviceConfig device = {}) : DeviceConfig(std::move(device)) {}
    std::optional<Image> desktop{};  // empty: the built-in test picture (DefaultDesktop)
};

// A fresh device: screen (the configuration's desktop, no window on it), clock, no windows, registry
// read from the file. Frees everything the previous device held. With a host display set, the host
// shows the windows instead, as after ResetWindowSystem.
void ResetDevice(const HandheldConfig& config);

// Lets ms of device time pass: the program's loop runs every timer that falls due, in order.
// Outside a running program the clock just moves. Called from the input source while a program runs,
// the time passes once the current command has returned (after the messages it caused), before the
// next command is asked for; several waits in one command add up.
void Wait(uint32_t ms);

// Fills a rectangle of the desktop picture; it shows where no window covers it and stays over a
// rotation.
void PaintDesktop(const Rect& rect, ColorRef color);

const Image& Screen();
ColorRef ScreenPixel(int32_t x, int32_t y);
// Repaints the whole screen from the desktop picture and lets every visible window paint itself;
// a check that nothing stale (an XOR mark) stays behind compares Screen() before and after.
Image FreshRepaint();

// Writes the picture as a PNG file.
bool WritePngFile(const Image& image, const std::string& hostPath);

// The default desktop picture: text, fine lines and areas of colour.
Image DefaultDesktop(int32_t width, int32_t height);

}  // namespace platform::sim
