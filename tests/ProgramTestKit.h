// What the tests of the running program share: the glass of the running shell, the windows' screen
// rectangles, the scenario lines that show the glass and its tools, and the check that no XOR mark
// (focus frame, tape line) was left on the screen.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TestHarness.h"

#include "magnifier/Magnifier.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"
#include "shell/ShellState.h"

namespace program_test {

// Shows the glass with a tap on the tray icon and lets its animation end. On a 240 x 320 screen the
// glass then stands at (100, 100, 180, 180).
inline constexpr const char* ShowGlass = "tray tap\nwait 1200";
// The menu commands "Show/hide color" and "Show/hide tape", as command messages.
inline constexpr const char* ShowTools =
    "send magnifier 0x111 0x6E0004 0\nsend magnifier 0x111 0x6E000A 0\nwait 200";

inline Magnifier& Glass() { return *Shell().MagnifierObject; }

inline platform::Rect WindowRectOf(const char16_t* className) {
    const std::optional<platform::sim::WindowInfo> info = platform::sim::FindWindowByClass(className);
    return info ? info->rect : platform::Rect{};
}
inline platform::Rect MagnifierWindowRect() { return WindowRectOf(u"MAGNIFYINGGLASS"); }
inline platform::Rect PickerWindowRect() { return WindowRectOf(u"MG_COLORPICKER"); }
inline platform::Rect TapeWindowRect() { return WindowRectOf(u"MG_TAPE"); }

// The number of pixels in which two pictures differ; -1 when their sizes differ.
inline int DifferingPixels(const platform::sim::Image& a, const platform::sim::Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
    return count;
}

// A stale XOR mark shows as a difference between the screen and a fresh repaint of the desktop and
// every window.
inline void ExpectNoStaleMarks(const char* where) {
    // A copy taken first: the repaint replaces the screen that Screen() refers to.
    const platform::sim::Image now = platform::sim::Screen();
    EXPECT_EQ(DifferingPixels(now, platform::sim::FreshRepaint()), 0) << where;
}

// The file names of the sounds played so far, in order.
inline std::vector<std::u16string> SoundNames() {
    std::vector<std::u16string> names;
    for (const std::u16string& path : platform::sim::Sounds()) names.push_back(path.substr(path.rfind(u'\\') + 1));
    return names;
}

inline void ExpectNoLiveHandles() {
    for (const auto& [kind, count] : platform::sim::ObjectCounts()) EXPECT_EQ(count, 0) << "live " << kind;
}

// A folder standing for the executable's folder, holding only a translation library.
inline std::string HomeWithLibrary(const std::string& name, const std::string& script) {
    std::filesystem::path home = TestTempFile(name);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    std::filesystem::create_directories(home);
    std::ofstream(home / "Localize.dll") << script;
    return home.string();
}

// A folder standing for the executable's folder: the staged data folder plus, when asked, the German
// translation copied into it.
inline std::string ProgramFolder(const std::string& name, bool german) {
    namespace fs = std::filesystem;
    const fs::path home = TestTempFile(name);
    std::error_code ec;
    fs::remove_all(home, ec);
    fs::copy(DefaultHomeFolder(), home, fs::copy_options::recursive);
    if (german) fs::copy(fs::path(VISTREL_SOURCE_DIR) / "translations" / "German", home, fs::copy_options::recursive);
    return home.string();
}

inline std::u16string WindowTextOf(platform::Window window) {
    char16_t buffer[256] = {};
    platform::GetWindowTextOf(window, buffer, 256);
    return buffer;
}

}  // namespace program_test
