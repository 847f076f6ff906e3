// The Windows backend's view of several monitors as one screen: desktop coordinates (the primary
// monitor's top-left at (0, 0), others possibly negative) against the program's (the top-left of the
// rectangle around all monitors at (0, 0)).
#include <gtest/gtest.h>

#include "platform/win32/VirtualScreen.h"

using platform::Point;
using platform::Rect;
namespace win32 = platform::win32;

TEST(VirtualScreen, DesktopPlacesAreProgramPlacesOnTheRectangleAroundAllMonitors) {
    struct Case {
        const char* name;
        win32::VirtualScreen screen;
        Rect desktop;  // a window's rectangle on the desktop
        Rect program;  // the same window as the program sees it
    };
    const Case cases[] = {
        // A 640 x 480 monitor left of the 1024 x 768 primary: the desktop's origin is negative.
        {"on the left monitor", {-640, 0, 1664, 768}, {-600, 100, -520, 180}, {40, 100, 120, 180}},
        {"on the primary", {-640, 0, 1664, 768}, {0, 0, 80, 80}, {640, 0, 720, 80}},
        {"across both", {-640, 0, 1664, 768}, {-40, 10, 40, 90}, {600, 10, 680, 90}},
        // A monitor above the primary.
        {"on the monitor above", {0, -480, 1024, 1248}, {100, -470, 180, -390}, {100, 10, 180, 90}},
        {"one monitor", {0, 0, 1024, 768}, {1000, 700, 1080, 780}, {1000, 700, 1080, 780}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect program = win32::ToProgram(c.screen, c.desktop);
        EXPECT_EQ(program, c.program);
        const Rect screen = win32::ProgramScreenRect(c.screen);
        EXPECT_EQ(screen, (Rect{0, 0, c.screen.width, c.screen.height}));
        // What the program stores comes back to the same desktop place at the next start.
        EXPECT_EQ(win32::ToDesktop(c.screen, Point{program.left, program.top}), (Point{c.desktop.left, c.desktop.top}));
        EXPECT_EQ(win32::ToProgram(c.screen, Point{c.desktop.right, c.desktop.bottom}),
                  (Point{program.right, program.bottom}));
    }
}
