// A translation library ("Localize.dll") as the running program meets it on the simulated handheld:
// the file beside the executable is loaded as a resource module, its texts are read into buffers of
// several sizes, its accelerator tables are looked up, and every dialog template it holds is made into
// a dialog with its controls and painted on the screen. Nothing of that may fail hard, a text never
// overruns its buffer, and freeing the library and destroying the dialogs leaves no window or module
// behind (nor any other handle once the program has ended).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Platform.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/ResourceScript.h"
#include "resources/Bundle.h"

namespace sim = platform::sim;
using namespace platform;

namespace {

constexpr const char16_t* LibraryPath = u"\\Program Files\\Vistrel\\Localize.dll";
constexpr size_t MaxDialogsShown = 16;  // keeps each run fast

std::string_view currentInput;

// What the device told its log while the input ran: it tells whoever writes the file why a library is
// refused, one line per refusal.
std::vector<std::string> logLines;
void KeepLogLine(std::string_view line) { logLines.emplace_back(line); }

int64_t Count(const char* kind) { return sim::ObjectCount(kind); }

intptr_t QuietProcedure(Window, uint32_t message, WParam, LParam) { return message == MsgInitDialog ? 1 : 0; }

void CheckTexts(Module library, const sim::ResourceScript& script) {
    static std::vector<char16_t> buffer(4097 + 1);  // one buffer for every text; filled anew for each read
    for (const auto& [id, text] : script.strings) {
        for (int capacity : {1, 2, 16, 4097}) {
            std::fill(buffer.begin(), buffer.begin() + capacity + 1, u'\xABCD');
            const int length = LoadStringResource(library, id, buffer.data(), capacity);
            const size_t expected = text.size() < size_t(capacity - 1) ? text.size() : size_t(capacity - 1);
            FUZZ_CHECK(length == int(expected));
            FUZZ_CHECK(buffer[size_t(length)] == 0);
            FUZZ_CHECK(buffer[size_t(capacity)] == u'\xABCD');  // nothing written past the buffer
            FUZZ_CHECK(std::u16string_view(buffer.data(), size_t(length)) == std::u16string_view(text).substr(0, expected));
        }
    }
}

void ShowDialogs(Module library, const sim::ResourceScript& script) {
    std::vector<Window> dialogs;
    for (const auto& [id, expected] : script.dialogs) {
        if (dialogs.size() >= MaxDialogsShown) break;
        // The very template read above: the device read the file's bytes as they are.
        DialogTemplate dialogTemplate = FindDialogTemplate(library, id);
        FUZZ_CHECK(dialogTemplate == &expected);
        Window dialog = CreateModelessDialog(library, dialogTemplate, nullptr, QuietProcedure, 0);
        if (!dialog) continue;
        ShowWindowAs(dialog, ShowShow);
        dialogs.push_back(dialog);
    }
    if (!dialogs.empty()) sim::FreshRepaint();
    for (Window dialog : dialogs) DestroyWindowObject(dialog);
}

int Program(Module) {
    // The resources the device will find in the library: the input read as the device reads a library.
    // The device keeps the last text it read with what it gave, so its own reading of the file finds
    // this one when the file holds the input's bytes (and reads them anew when it does not).
    std::string error;
    const std::shared_ptr<const sim::ResourceScript> script = sim::ReadLibraryScript(currentInput, &error);
    const int64_t windows = Count("windows");
    Module library = LoadResourceModule(LibraryPath);
    FUZZ_CHECK((script != nullptr) == (library != nullptr));
    if (!library) {
        // Refused with the reader's own words, once.
        FUZZ_CHECK(logLines.size() == 1);
        FUZZ_CHECK_MSG(logLines[0] == "Resource library \\Program Files\\Vistrel\\Localize.dll not loaded: " + error, logLines[0]);
        return 0;
    }
    FUZZ_CHECK(logLines.empty());
    CheckTexts(library, *script);
    for (const auto& [id, table] : script->accelerators) FUZZ_CHECK(LoadAcceleratorResource(library, id) != nullptr);
    ShowDialogs(library, *script);
    FUZZ_CHECK(Count("windows") == windows);
    FUZZ_CHECK(FreeResourceModule(library));
    return 0;
}

// A fresh device for every input: a device keeps what its processes leave (the records of processes,
// the scripts of freed libraries), and none of that may pile up from one input to the next. The device
// is made afresh when an input is done rather than before the next one, so that an input leaves nothing
// allocated behind: libFuzzer runs an input again and searches the heap for leaks whenever it ends with
// more allocations than frees, and gives leak detection up after a thousand such inputs. The device's
// settings are the same for every input and made once.
void FreshDevice() {
    static const sim::HandheldConfig config = [] {
        sim::HandheldConfig c;
        c.home = fuzz::Scratch().File("home");
        // Small, as the device is made afresh for every input; a dialog larger than the screen is
        // shrunk to fit, so each is still laid out and painted whole. At 128 pixels the settings sheet
        // (116 x 117 units) gets a font of 6 pixels, the smallest that shrinking gives: on a smaller
        // screen its text would no longer shrink with its layout.
        c.screenWidth = 128;
        c.screenHeight = 128;
        c.desktop = sim::Image(1, 1, Rgb(200, 200, 200));  // one colour: filled, not copied for every device
        return c;
    }();
    sim::ResetDevice(config);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string libraryFile = [] {
        std::filesystem::create_directories(fuzz::Scratch().File("home"));
        sim::SetLogWriter(KeepLogLine);  // checked for every input, so not written out
        logLines.reserve(4);
        FreshDevice();  // the first input's device
        return fuzz::Scratch().File("home/Localize.dll");
    }();
    fuzz::WriteHostFile(libraryFile, data, size);
    currentInput = std::string_view(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(Count("modules") == 0 && Count("windows") == 0);
    sim::RunProgram(Program);
    // The program has ended: the dialogs made and freed every handle they took.
    for (const auto& [kind, count] : sim::ObjectCounts()) FUZZ_CHECK_MSG(count == 0, kind);
    logLines.clear();
    FreshDevice();
    return 0;
}
