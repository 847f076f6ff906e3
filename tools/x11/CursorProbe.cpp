// vistrel-cursor-probe: prints the pointer's cursor as the X server shows it now (XFixes), in the
// form of the program's cursor art: "cursor X Y" (its hot spot), then one line a row of pixels, '.'
// transparent, '#' black, 'o' white, '+' any other colour. scripts/test-x11.sh compares it with the
// art of the cursor the program should show. Exits 2 when there is no display or no XFixes.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

namespace {

char Art(unsigned long pixel) {
    const unsigned long alpha = (pixel >> 24) & 0xFF, colour = pixel & 0xFFFFFF;
    if (alpha == 0) return '.';
    if (alpha == 0xFF && colour == 0) return '#';
    if (alpha == 0xFF && colour == 0xFFFFFF) return 'o';
    return '+';
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "vistrel-cursor-probe: no X display\n");
        return 2;
    }
    int eventBase = 0, errorBase = 0;
    XFixesCursorImage* cursor = XFixesQueryExtension(display, &eventBase, &errorBase) ? XFixesGetCursorImage(display)
                                                                                      : nullptr;
    if (!cursor) {
        std::fprintf(stderr, "vistrel-cursor-probe: the server does not tell its cursor (XFixes)\n");
        XCloseDisplay(display);
        return 2;
    }
    std::printf("cursor %d %d\n", cursor->xhot, cursor->yhot);
    for (int y = 0; y < cursor->height; ++y) {
        for (int x = 0; x < cursor->width; ++x) std::putchar(Art(cursor->pixels[y * cursor->width + x]));
        std::putchar('\n');
    }
    XFree(cursor);
    XCloseDisplay(display);
    return 0;
}
