// Opening the display: the root window's size, the screen's pixels per inch, the visual and whether
// shared-memory images work (they do not across a network connection).
#include "platform/x11/Connection.h"

#include <cmath>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform::x11 {

namespace {

Connection connection;
bool shmRefused = false;

int RefuseShm(::Display*, XErrorEvent*) {
    shmRefused = true;
    return 0;
}

// Attaching a tiny segment and syncing tells whether the server can reach our memory.
bool ShmWorks(::Display* display) {
    if (!XShmQueryExtension(display)) return false;
    XShmSegmentInfo info{};
    info.shmid = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    if (info.shmid < 0) return false;
    info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (info.shmaddr == reinterpret_cast<char*>(-1)) return false;
    info.readOnly = False;
    shmRefused = false;
    XErrorHandler previous = XSetErrorHandler(RefuseShm);
    XShmAttach(display, &info);
    XSync(display, False);
    XSetErrorHandler(previous);
    bool works = !shmRefused;
    if (works) XShmDetach(display, &info);
    XSync(display, False);
    shmdt(info.shmaddr);
    return works;
}

}  // namespace

Connection& X() { return connection; }

bool Connect(const char* name, std::string* error) {
    ::Display* display = XOpenDisplay(name);
    if (!display) {
        if (error) *error = "cannot open the X display";
        return false;
    }
    Connection c;
    c.display = display;
    c.screen = DefaultScreen(display);
    c.root = RootWindow(display, c.screen);
    c.visual = DefaultVisual(display, c.screen);
    c.depth = DefaultDepth(display, c.screen);
    c.width = DisplayWidth(display, c.screen);
    c.height = DisplayHeight(display, c.screen);
    const int millimetres = DisplayHeightMM(display, c.screen);
    if (millimetres > 0) c.pixelsPerInch = int(std::lround(c.height * 25.4 / millimetres));
    if (c.pixelsPerInch < 48 || c.pixelsPerInch > 600) c.pixelsPerInch = 96;
    c.directPixels = (c.depth == 24 || c.depth == 32) && c.visual->red_mask == 0xFF0000 &&
                     c.visual->green_mask == 0x00FF00 && c.visual->blue_mask == 0x0000FF &&
                     ImageByteOrder(display) == LSBFirst;
    if (!c.directPixels) {
        XCloseDisplay(display);
        if (error) *error = "the X display needs 24-bit colour";
        return false;
    }
    c.shm = ShmWorks(display);
    connection = c;
    return true;
}

void Disconnect() {
    if (connection.display) XCloseDisplay(connection.display);
    connection = Connection{};
}

::Atom AtomOf(const char* name) { return XInternAtom(connection.display, name, False); }

}  // namespace platform::x11
