// The clipboard: the last text a program put there, kept for the device's life.
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform {

using namespace sim::detail;

bool SetClipboardText(Window owner, const char16_t* text) {
    if (!text || (owner && !LiveWindow(owner))) return false;
    Dev().clipboard = std::u16string(text);
    ++Dev().clipboardPuts;
    return true;
}

namespace sim {

std::optional<std::u16string> ClipboardText() { return Dev().clipboard; }
uint64_t ClipboardPuts() { return Dev().clipboardPuts; }

}  // namespace sim

}  // namespace platform
