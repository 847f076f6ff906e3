// A tiny program for testing the simulated handheld's window system and services directly:
//   - DeviceTest (fixture): a fresh 240 x 320 device with a grey desktop, and `script` as its input.
//   - script.Then([&] { ... }): one input step; the device runs it when the program waits for input
//     (sim::Wait inside a step lets that time pass before the next step).
//   - setup = [&](Module m) { ... }: what the program does before its message loop (register classes,
//     make windows); RunTestProgram() runs it as a process of the device and returns its exit code.
//   - Every message reaching TestWindowProcedure is logged in `received`; DefaultWindowProcedure
//     answers it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Simulation.h"

namespace devicetest {

using namespace platform;

constexpr ColorRef DesktopGrey = Rgb(0x80, 0x80, 0x80);

struct Received {
    Window window = nullptr;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    uint32_t clock = 0;
};

class Script : public sim::InputSource {
public:
    void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
    bool RunNext() override {
        if (steps_.empty()) return false;
        std::function<void()> step = std::move(steps_.front());
        steps_.pop_front();
        step();
        return true;
    }
    bool AnswerMenu(int*) override { return false; }  // the device's own tests track no menus
    void Clear() { steps_.clear(); }

private:
    std::deque<std::function<void()>> steps_;
};

inline std::vector<Received> received;
inline std::function<void(Module)> setup;

inline LResult TestWindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    received.push_back(Received{window, message, wParam, lParam, sim::Clock()});
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

inline int TestProgramEntry(Module instance) {
    if (setup) setup(instance);
    Message message;
    while (GetNextMessage(&message)) {
        TranslateToCharacters(&message);
        DispatchToWindow(&message);
    }
    return int(message.wParam);
}

inline int RunTestProgram() { return sim::RunProgram(TestProgramEntry); }

inline bool RegisterTestClass(Module instance, const char16_t* name, uint32_t classStyle = 0,
                              Brush background = nullptr) {
    WindowClass windowClass;
    windowClass.style = classStyle;
    windowClass.procedure = TestWindowProcedure;
    windowClass.instance = instance;
    windowClass.background = background;
    windowClass.name = name;
    return RegisterWindowClass(windowClass);
}

inline Window MakeWindow(Module instance, const char16_t* className, Rect r, uint32_t style = StylePopup | StyleVisible,
                         uint32_t exStyle = 0, Window parent = nullptr, intptr_t id = 0) {
    return CreateWindowObject(exStyle, className, u"test", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent, id, instance, nullptr);
}

// The messages of one code that reached a window (any window when window is null).
inline std::vector<Received> MessagesOf(Window window, uint32_t code) {
    std::vector<Received> out;
    for (const Received& r : received)
        if ((!window || r.window == window) && r.message == code) out.push_back(r);
    return out;
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        received.clear();
        setup = nullptr;
        sim::HandheldConfig config;
        config.desktop = sim::Image(240, 320, DesktopGrey);
        sim::ResetDevice(config);
        sim::SetInputSource(&script);
    }
    void TearDown() override {
        sim::SetInputSource(nullptr);
        script.Clear();
        setup = nullptr;
    }
    Script script;
};

}  // namespace devicetest
