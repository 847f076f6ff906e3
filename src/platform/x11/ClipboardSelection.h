// The program's clipboard on the X display: each text the program puts on its clipboard (Ctrl+C on
// the colour picker) is offered as the CLIPBOARD selection, as UTF8_STRING, STRING and TEXT, until
// another program takes the selection over.
#pragma once

#include <cstdint>
#include <string>

#include "platform/x11/Xlib.h"

namespace platform::x11 {

class ClipboardSelection {
public:
    ClipboardSelection() = default;
    ClipboardSelection(const ClipboardSelection&) = delete;
    ClipboardSelection& operator=(const ClipboardSelection&) = delete;
    ~ClipboardSelection();

    // Takes the selection when the program put a text on its clipboard since the last call.
    void Follow();
    // True when the event was about the selection.
    bool Handle(const XEvent& event);

private:
    void Answer(const XSelectionRequestEvent& request);
    bool Give(const XSelectionRequestEvent& request, ::Atom property);

    ::Window owner_ = 0;
    uint64_t putsSeen_ = 0;
    std::u16string text_;
    ::Time since_ = 0;  // when the selection was taken
    bool owned_ = false;
};

}  // namespace platform::x11
