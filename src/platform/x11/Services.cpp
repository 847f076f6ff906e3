#include "platform/x11/Services.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>

#include "platform/windowing/Device.h"
#include "platform/windowing/HostDisplay.h"

extern char** environ;

namespace platform::x11 {

namespace {

constexpr uint32_t TapMessage = 0x0201;

using ContextCreate = int (*)(void**);
using ContextDestroy = int (*)(void*);
using ContextPlay = int (*)(void*, uint32_t, ...);

// Starts a program without waiting for it (the process ignores its children's ends, so none is left
// behind).
void Launch(const char* program, const std::string& argument) {
    std::string name = program;
    std::string arg = argument;
    char* argv[] = {name.data(), arg.data(), nullptr};
    pid_t pid = 0;
    posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
}

// A sound server or a sound card to play on; without one the library would only complain.
bool SoundDeviceExists() {
    std::error_code error;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const std::filesystem::path folder(runtime);
        if (std::filesystem::exists(folder / "pulse" / "native", error) ||
            std::filesystem::exists(folder / "pipewire-0", error))
            return true;
    }
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    return std::getline(cards, first) && first.find("no soundcards") == std::string::npos && !first.empty();
}

}  // namespace

Services::Services() {
    if (!SoundDeviceExists()) return;  // silence
    soundLibrary_ = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!soundLibrary_) return;
    auto create = reinterpret_cast<ContextCreate>(dlsym(soundLibrary_, "ca_context_create"));
    if (!create || create(&soundContext_) != 0) soundContext_ = nullptr;
}

Services::~Services() {
    if (soundContext_) {
        auto destroy = reinterpret_cast<ContextDestroy>(dlsym(soundLibrary_, "ca_context_destroy"));
        if (destroy) destroy(soundContext_);
    }
    if (soundLibrary_) dlclose(soundLibrary_);
}

void Services::Follow() {
    const bool docked = tray_.Follow();
    if (!started_) {
        started_ = true;
        // Without a tray to tap, the glass comes up at once, as a tap on the icon would show it.
        if (!docked) sim::TrayEvent(TapMessage);
    }
    const auto& processes = sim::Processes();
    for (; processesSeen_ < processes.size(); ++processesSeen_)
        if (processes[processesSeen_].program == u"peghelp") OpenHelp(processes[processesSeen_].commandLine);
    clipboard_.Follow();
    const auto& sounds = sim::Sounds();
    for (; soundsSeen_ < sounds.size(); ++soundsSeen_) PlaySound(sounds[soundsSeen_]);
}

bool Services::Handle(const XEvent& event) { return tray_.Handle(event) || clipboard_.Handle(event); }

// The help file as a file address for the browser; its part after '#' (a place in the page) stays.
void Services::OpenHelp(const std::u16string& devicePath) {
    const size_t mark = devicePath.find(u'#');
    const std::string path = sim::HostPathOf(devicePath.substr(0, mark));
    if (path.empty()) return;
    std::string address = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            address.push_back(char(c));
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            address += escaped;
        }
    }
    if (mark != std::u16string::npos)
        for (char16_t c : devicePath.substr(mark)) address.push_back(c < 0x80 && c > 0x20 ? char(c) : '_');
    Launch("xdg-open", address);
}

void Services::PlaySound(const std::u16string& devicePath) {
    if (!soundContext_) return;
    const std::string path = sim::HostPathOf(devicePath);
    auto play = reinterpret_cast<ContextPlay>(dlsym(soundLibrary_, "ca_context_play"));
    if (path.empty() || !play) return;
    play(soundContext_, 0, "media.filename", path.c_str(), static_cast<const char*>(nullptr));
}

}  // namespace platform::x11
