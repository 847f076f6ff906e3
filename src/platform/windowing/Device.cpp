// The life of the device: the one device object, its reset, the processes that run on it,
// its clock and the count of every handle handed out.
#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/windowing/DeviceState.h"

namespace platform::sim {
namespace detail {

namespace {

std::unique_ptr<DeviceState> device;
// The input source outlives resets: whoever drives the device sets it, before or after a reset.
InputSource* inputSource = nullptr;
// So does the log's writer.
LogWriter logWriter = nullptr;

constexpr std::array<const char*, 15> CountedKinds = {
    "surfaces", "bitmaps", "brushes", "pens",    "fonts",  "cursors", "icons",    "menus",
    "windows",  "modules", "mutexes", "regkeys", "finds",  "locks",   "processes"};

constexpr int32_t MaxScreenSide = 8192;

DeviceConfig Sanitized(const DeviceConfig& config) {
    DeviceConfig c = config;
    c.screenWidth = std::clamp(c.screenWidth, 1, MaxScreenSide);
    c.screenHeight = std::clamp(c.screenHeight, 1, MaxScreenSide);
    if (c.pixelsPerInch < 1) c.pixelsPerInch = 1;
    return c;
}

void Initialize(DeviceState& dev, const DeviceConfig& config, KeptScreen* screen) {
    dev.config = Sanitized(config);
    for (const char* kind : CountedKinds) dev.counts[kind] = 0;
    dev.host.id = 0;
    BuildScreen(dev.config, screen);
}

}  // namespace

DeviceState& Dev() {
    if (!device) {
        device = std::make_unique<DeviceState>();
        Initialize(*device, DeviceConfig{}, nullptr);
    }
    return *device;
}

InputSource* CurrentInputSource() { return inputSource; }

void Log(std::string_view line) {
    if (logWriter) return logWriter(line);
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
}

void CountObject(const char* kind, int delta) {
    if (!kind) return;
    Dev().counts[kind] += delta;
}

void ResetDeviceKeeping(const DeviceConfig& config, KeptScreen* screen) {
    // The other parts first: what they free may still refer to windows of the old device.
    ResetRaster();
    ResetResources();
    ResetRegistry();
    uint64_t generation = device ? device->generation + 1 : 1;
    // RebuildTree's scratch map goes over to the new device, emptied: its storage is used again.
    std::vector<Window> treeScratch = device ? std::move(device->treeScratch) : std::vector<Window>{};
    treeScratch.clear();
    device.reset();
    device = std::make_unique<DeviceState>();
    device->generation = generation;
    device->treeScratch = std::move(treeScratch);
    Initialize(*device, config, screen);
    LoadRegistryFile(device->config.registryFile);
}

}  // namespace detail

using namespace detail;

void ResetWindowSystem(const DeviceConfig& config) { ResetDeviceKeeping(config, nullptr); }

const DeviceConfig& Config() { return Dev().config; }

void SetInputSource(InputSource* source) { inputSource = source; }

void SetLogWriter(LogWriter writer) { logWriter = writer; }

namespace {

// Ends a process: its windows go without a message, its mutexes are abandoned, its classes and its
// module are released. Every other handle it left stays counted.
void EndProcess(Process& process) {
    DeviceState& dev = Dev();
    DestroyProcessWindows(&process);
    AbandonMutexesOf(process.id);
    std::erase_if(dev.classes, [&](const WindowClassRecord& c) {
        return c.instance != nullptr && c.instance == process.module;
    });
    if (process.module) DestroyExecutableModule(process.module);
    process.module = nullptr;
    std::erase(dev.running, &process);
    // Once no program runs, a wait that was under way simply runs out.
    if (dev.running.empty() && dev.waitPending) {
        dev.elapsed = std::max(dev.elapsed, dev.waitTarget);
        dev.waitPending = false;
    }
}

}  // namespace

int RunProgram(EntryPoint entry) {
    if (!entry) return -1;
    Process process;
    uint64_t generation = Dev().generation;
    {
        DeviceState& dev = Dev();
        process.id = dev.nextProcessId++;
        dev.running.push_back(&process);
    }
    struct Ending {
        Process& process;
        uint64_t generation;
        ~Ending() {
            // A reset while the program ran has already freed everything the process held.
            if (Dev().generation == generation) EndProcess(process);
        }
    };
    int code = 0;
    {
        Ending ending{process, generation};
        process.module = CreateExecutableModule();
        code = entry(process.module);
    }
    if (Dev().generation == generation) Dev().lastExitCode = code;
    return code;
}

bool ProgramRunning() { return !Dev().running.empty(); }

std::optional<int> LastExitCode() { return Dev().lastExitCode; }

uint32_t Clock() {
    const DeviceState& dev = Dev();
    return uint32_t(uint64_t(dev.config.clockStart) + dev.elapsed);
}

const std::map<std::string, int64_t>& ObjectCounts() { return Dev().counts; }

int64_t ObjectCount(std::string_view kind) {
    for (const auto& [name, count] : Dev().counts)
        if (name == kind) return count;
    return 0;
}

}  // namespace platform::sim
