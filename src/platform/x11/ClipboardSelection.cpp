#include "platform/x11/ClipboardSelection.h"

#include <vector>

#include "platform/windowing/HostDisplay.h"
#include "platform/windowing/Utf.h"
#include "platform/x11/Connection.h"

namespace platform::x11 {

namespace {

::Atom Clipboard() { return AtomOf("CLIPBOARD"); }

// STRING is Latin-1: characters beyond it become '?'.
std::string Latin1Of(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c <= 0xFF ? char(c) : '?');
    return out;
}

}  // namespace

ClipboardSelection::~ClipboardSelection() {
    if (owner_ && X().display) XDestroyWindow(X().display, owner_);
}

void ClipboardSelection::Follow() {
    const uint64_t puts = sim::ClipboardPuts();
    if (puts == putsSeen_) return;
    putsSeen_ = puts;
    const std::optional<std::u16string> text = sim::ClipboardText();
    if (!text) return;
    Connection& x = X();
    text_ = *text;
    if (!owner_) owner_ = XCreateSimpleWindow(x.display, x.root, -1, -1, 1, 1, 0, 0, 0);  // never shown
    since_ = x.inputTime;
    XSetSelectionOwner(x.display, Clipboard(), owner_, since_);
    owned_ = XGetSelectionOwner(x.display, Clipboard()) == owner_;
}

bool ClipboardSelection::Handle(const XEvent& event) {
    if (!owner_) return false;
    if (event.type == SelectionClear && event.xselectionclear.window == owner_) {
        owned_ = false;  // another program's text is on the clipboard now
        return true;
    }
    if (event.type == SelectionRequest && event.xselectionrequest.owner == owner_) {
        Answer(event.xselectionrequest);
        return true;
    }
    return false;
}

// The requestor learns where the text was put, or that it was refused (property None).
void ClipboardSelection::Answer(const XSelectionRequestEvent& request) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    // Old requestors name no property: the target's name is used.
    const ::Atom property = request.property != None ? request.property : request.target;
    const bool inTime = request.time == CurrentTime || since_ == CurrentTime || request.time >= since_;
    if (owned_ && request.selection == Clipboard() && inTime && Give(request, property))
        reply.xselection.property = property;
    XSendEvent(X().display, request.requestor, False, NoEventMask, &reply);
    XFlush(X().display);
}

bool ClipboardSelection::Give(const XSelectionRequestEvent& request, ::Atom property) {
    ::Display* display = X().display;
    const ::Atom utf8 = AtomOf("UTF8_STRING");
    if (request.target == AtomOf("TARGETS")) {
        const ::Atom targets[] = {AtomOf("TARGETS"), AtomOf("TIMESTAMP"), utf8, XA_STRING, AtomOf("TEXT")};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(targets), int(std::size(targets)));
        return true;
    }
    if (request.target == AtomOf("TIMESTAMP")) {
        const long time = long(since_);
        XChangeProperty(display, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        return true;
    }
    std::string bytes;
    ::Atom type = XA_STRING;
    if (request.target == utf8) {
        bytes = sim::Utf16ToUtf8(text_);
        type = utf8;
    } else if (request.target == XA_STRING || request.target == AtomOf("TEXT")) {
        bytes = Latin1Of(text_);
    } else {
        return false;  // a form the text is not offered in
    }
    // The text goes in one request; one too long for that is refused rather than cut.
    if (bytes.size() + 64 > size_t(XMaxRequestSize(display)) * 4) return false;
    XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    return true;
}

}  // namespace platform::x11
