// vistrel-refresh-floor: the least a magnifier that reads the screen and puts a picture on every refresh
// costs on an X server, for scripts/bench-x11-rounds.sh to measure beside the glass and its peers. Every
// 120 ms (the glass's refresh) it reads the source square around a point through shared memory, enlarges
// it four times by repeating pixels into a shared image the size of the glass and puts that image into an
// override-redirect window of its own; between refreshes it sleeps in poll() and drains the events that
// come. No skin, no smoothing, no window system: what is left is the round trip of the read, the put
// and the wake-ups, which every such magnifier pays.
//
//   vistrel-refresh-floor SIZE CENTRE_X CENTRE_Y     (the glass's size in pixels, the zoom point)
// Exits 2 without a display or without shared memory, 1 on bad arguments.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int Zoom = 4;
constexpr int RefreshMs = 120;

// A ZPixmap image in a shared segment the server attaches to; null when that fails.
XImage* SharedImage(Display* display, XShmSegmentInfo* segment, int width, int height) {
    const int screen = DefaultScreen(display);
    XImage* image = XShmCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)),
                                    ZPixmap, nullptr, segment, unsigned(width), unsigned(height));
    if (!image) return nullptr;
    if (image->bits_per_pixel != 32) {
        XDestroyImage(image);
        return nullptr;
    }
    segment->shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
    void* address = segment->shmid >= 0 ? shmat(segment->shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (segment->shmid >= 0) shmctl(segment->shmid, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void*>(-1)) {
        XDestroyImage(image);
        return nullptr;
    }
    segment->shmaddr = image->data = static_cast<char*>(address);
    segment->readOnly = False;
    if (!XShmAttach(display, segment)) {
        shmdt(address);
        image->data = nullptr;
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

// Each source pixel becomes a Zoom x Zoom block of the enlargement.
void Enlarge(const XImage& source, XImage* out) {
    for (int y = 0; y < out->height; ++y) {
        char* row = out->data + size_t(y) * size_t(out->bytes_per_line);
        if (y % Zoom != 0) {  // the row above again
            std::memcpy(row, row - out->bytes_per_line, size_t(out->width) * 4);
            continue;
        }
        const char* in = source.data + size_t(y / Zoom) * size_t(source.bytes_per_line);
        for (int x = 0; x < out->width; ++x) std::memcpy(row + size_t(x) * 4, in + size_t(x / Zoom) * 4, 4);
    }
}

// Whole milliseconds, rounded up: a wait rounded down would wake early and spin.
int MillisecondsUp(std::chrono::steady_clock::duration d) {
    return int((std::chrono::duration_cast<std::chrono::microseconds>(d).count() + 999) / 1000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vistrel-refresh-floor SIZE CENTRE_X CENTRE_Y\n");
        return 1;
    }
    const int size = std::atoi(argv[1]), centreX = std::atoi(argv[2]), centreY = std::atoi(argv[3]);
    if (size < Zoom || size > 4096) {
        std::fprintf(stderr, "vistrel-refresh-floor: SIZE must be %d to 4096\n", Zoom);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "vistrel-refresh-floor: no X display\n");
        return 2;
    }
    const int source = size / Zoom, screen = DefaultScreen(display);
    const ::Window root = RootWindow(display, screen);
    XShmSegmentInfo in{}, out{};
    XImage* read = XShmQueryExtension(display) ? SharedImage(display, &in, source, source) : nullptr;
    XImage* picture = read ? SharedImage(display, &out, source * Zoom, source * Zoom) : nullptr;
    if (!picture) {
        std::fprintf(stderr, "vistrel-refresh-floor: no shared memory with the X server\n");
        return 2;
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const unsigned width = unsigned(picture->width), height = unsigned(picture->height);
    const ::Window window = XCreateWindow(display, root, 100, 100, width, height, 0, CopyFromParent, InputOutput,
                                          CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSync(display, False);

    auto next = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= next) {
            next += std::chrono::milliseconds(RefreshMs);
            if (next < now) next = now + std::chrono::milliseconds(RefreshMs);
            if (XShmGetImage(display, root, read, centreX - source / 2, centreY - source / 2, AllPlanes)) {
                Enlarge(*read, picture);
                XShmPutImage(display, window, gc, picture, 0, 0, 0, 0, width, height, False);
            }
        }
        if (!XPending(display)) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            const int wait = MillisecondsUp(next - std::chrono::steady_clock::now());
            poll(&fd, 1, wait > 0 ? wait : 0);
            if (fd.revents & (POLLHUP | POLLERR)) return 0;
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }
}
