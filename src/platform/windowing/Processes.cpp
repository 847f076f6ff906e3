// Programs started by the program (recorded, not run) and sounds (recorded, not played).
#include <filesystem>

#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr size_t MaxText = 32767;

std::u16string CopyText(const char16_t* text) {
    std::u16string out;
    if (text)
        for (size_t i = 0; i < MaxText && text[i] != 0; ++i) out.push_back(text[i]);
    return out;
}

uintptr_t NewProcessHandle() {
    DeviceState& dev = Dev();
    uintptr_t handle = dev.nextProcessHandle;
    dev.nextProcessHandle += 4;
    dev.processHandles.insert(handle);
    CountObject("processes", 1);
    return handle;
}

}  // namespace

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool StartProcess(const char16_t* program, const char16_t* commandLine, ProcessInfo* info) {
    if (!info || (!program && !commandLine)) return false;
    DeviceState& dev = Dev();
    dev.processes.push_back(sim::ProcessRecord{CopyText(program), CopyText(commandLine)});
    info->process = NewProcessHandle();
    info->thread = NewProcessHandle();
    dev.lastError = ErrorSuccess;
    return true;
}

bool CloseProcessHandle(uintptr_t handle) {
    DeviceState& dev = Dev();
    if (!dev.processHandles.erase(handle)) {
        dev.lastError = ErrorInvalidHandle;
        return false;
    }
    CountObject("processes", -1);
    return true;
}

bool PlaySoundFile(const char16_t* path, uint32_t) {
    if (!path) return false;
    std::string host = HostPath(path);
    if (host.empty()) return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(host, error)) return false;
    Dev().sounds.push_back(CopyText(path));
    return true;
}

namespace sim {

const std::vector<std::u16string>& Sounds() { return Dev().sounds; }

const std::vector<ProcessRecord>& Processes() { return Dev().processes; }

}  // namespace sim

}  // namespace platform
