// Messages of the window system: each process's posted queue, the device's input queue, sent
// messages, the message loop's next message (posted, then input, then paint, then timer, then letting
// a pending wait pass, then the next input command) and default handling.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr size_t MaxQueueLength = 1000000;  // a program that posts without end fails instead of eating memory
constexpr size_t MaxTitleLength = 32767;

Message MakeMessage(Window window, uint32_t code, WParam wParam, LParam lParam) {
    Message m;
    m.window = window;
    m.message = code;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCountMs();
    m.point = Dev().cursorPosition;
    return m;
}

std::optional<Message> TakePosted(Process& process) {
    while (!process.queue.empty()) {
        Message m = process.queue.front();
        process.queue.pop_front();
        if (!m.window || LiveWindow(m.window)) return m;  // messages of destroyed windows are dropped
    }
    return std::nullopt;
}

std::optional<Message> TakePaint(const Process& process) {
    Window w = FindBottomToTop([&](Window candidate) {
        return candidate->process == &process && EffectivelyVisible(candidate) && HasUpdate(candidate);
    });
    if (!w) return std::nullopt;
    return MakeMessage(w, MsgPaint, 0, 0);
}

// Lets device time pass towards the pending wait's target, stopping at the next timer of the process
// that falls due on the way.
void AdvanceClock(const Process& process) {
    DeviceState& dev = Dev();
    std::optional<uint64_t> next = NextTimerDue(process);
    if (next && *next < dev.waitTarget) {
        dev.elapsed = std::max(dev.elapsed, *next);
        return;
    }
    dev.elapsed = std::max(dev.elapsed, dev.waitTarget);
    dev.waitPending = false;
}

void SetTitle(WindowObject* o, const char16_t* text) {
    o->title.clear();
    if (text)
        for (size_t i = 0; i < MaxTitleLength && text[i] != 0; ++i) o->title.push_back(text[i]);
    if (EffectivelyVisible(o)) DrawFrame(o);
}

LResult CopyTitle(const WindowObject* o, WParam capacity, LParam buffer) {
    auto* out = reinterpret_cast<char16_t*>(buffer);
    if (!out || capacity == 0) return 0;
    size_t count = std::min(o->title.size(), size_t(capacity) - 1);
    std::copy_n(o->title.begin(), count, out);
    out[count] = 0;
    return LResult(count);
}

}  // namespace

Process& CurrentProcess() {
    DeviceState& dev = Dev();
    return dev.running.empty() ? dev.host : *dev.running.back();
}

bool PostMessageTo(Process& process, Window window, uint32_t message, WParam wParam, LParam lParam) {
    if (process.queue.size() >= MaxQueueLength) return false;
    process.queue.push_back(MakeMessage(window, message, wParam, lParam));
    return true;
}

void QueueInput(InputEvent event) {
    DeviceState& dev = Dev();
    if (dev.input.size() >= MaxQueueLength) return;
    event.time = GetTickCountMs();
    dev.input.push_back(event);
}

std::optional<Message> TakeInput(Process& process) {
    DeviceState& dev = Dev();
    while (!dev.input.empty()) {
        InputEvent event = dev.input.front();
        dev.input.pop_front();
        Message m;
        bool reaches = event.kind == InputEvent::Kind::Key ? ResolveKey(event, &m) : ResolvePointer(event, &m);
        WindowObject* o = reaches ? LiveWindow(m.window) : nullptr;
        if (!o) continue;
        m.time = event.time;
        m.point = event.screen;
        if (o->process == &process) return m;
        if (o->process->queue.size() < MaxQueueLength) o->process->queue.push_back(m);
    }
    return std::nullopt;
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool PostToWindow(Window window, uint32_t message, WParam wParam, LParam lParam) {
    if (!window) return PostMessageTo(CurrentProcess(), nullptr, message, wParam, lParam);
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    return PostMessageTo(*o->process, o, message, wParam, lParam);
}

LResult SendToWindow(Window window, uint32_t message, WParam wParam, LParam lParam) {
    WindowObject* o = LiveWindow(window);
    if (!o || !o->procedure) return 0;
    return o->procedure(o, message, wParam, lParam);
}

void PostQuit(int exitCode) { PostMessageTo(CurrentProcess(), nullptr, MsgQuit, WParam(exitCode), 0); }

bool GetNextMessage(Message* message) {
    Message local;
    Message& out = message ? *message : local;
    for (;;) {
        Process& process = CurrentProcess();
        if (process.forcedQuit) {
            out = MakeMessage(nullptr, MsgQuit, 0, 0);
            return false;
        }
        if (std::optional<Message> posted = TakePosted(process)) {
            out = *posted;
            return !(out.message == MsgQuit && out.window == nullptr);
        }
        if (std::optional<Message> input = TakeInput(process)) {
            out = *input;
            return true;
        }
        if (!process.queue.empty()) continue;  // taking input posted something (a caption button)
        if (std::optional<Message> paint = TakePaint(process)) {
            out = *paint;
            return true;
        }
        if (std::optional<Message> timer = TakeDueTimer(process)) {
            out = *timer;
            return true;
        }
        if (Dev().waitPending) {
            AdvanceClock(process);
            continue;
        }
        sim::InputSource* input = CurrentInputSource();
        if (input && input->RunNext()) continue;
        // No more input: the device is switched off, which destroys the program's first window. If the
        // program still waits after that, its loop ends.
        Process& now = CurrentProcess();
        if (!now.switchedOff) {
            now.switchedOff = true;
            if (LiveWindow(now.firstWindow)) DestroyWindowObject(now.firstWindow);
            continue;
        }
        now.forcedQuit = true;
    }
}

LResult DispatchToWindow(const Message* message) {
    if (!message) return 0;
    if (message->message == MsgTimer && !TimerMessageStillValid(*message)) return 0;
    if (message->message == MsgTimer && message->lParam) {
        auto procedure = reinterpret_cast<TimerProcedure>(message->lParam);
        procedure(message->window, MsgTimer, message->wParam, GetTickCountMs());
        return 0;
    }
    WindowObject* o = LiveWindow(message->window);
    if (!o || !o->procedure) return 0;
    if (message->message != MsgPaint) return o->procedure(o, message->message, message->wParam, message->lParam);
    // A paint handler that neither paints nor invalidates would be asked again for ever; what it left
    // invalid is taken as painted.
    uint64_t begun = o->paintsBegun, invalidations = o->invalidations;
    LResult result = o->procedure(o, MsgPaint, message->wParam, message->lParam);
    if (LiveWindow(o) && o->paintsBegun == begun && o->invalidations == invalidations) {
        o->update = Rect{};
        o->erase = false;
    }
    return result;
}

LResult DefaultWindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    WindowObject* o = LiveWindow(window);
    if (!o) return 0;
    switch (message) {
    case MsgPaint: {
        PaintInfo info;
        BeginPainting(o, &info);
        EndPainting(o, &info);
        return 0;
    }
    case MsgEraseBackground: {
        if (!o->background || !wParam) return 0;
        Rect client = ClientRect(o);
        FillRectangle(reinterpret_cast<Surface>(wParam), &client, o->background);
        return 1;
    }
    case MsgClose:
        DestroyWindowObject(o);
        return 0;
    case MsgSetText:
        SetTitle(o, reinterpret_cast<const char16_t*>(lParam));
        return 1;
    case MsgGetText:
        return CopyTitle(o, wParam, lParam);
    case MsgGetTextLength:
        return LResult(o->title.size());
    default:
        return 0;
    }
}

}  // namespace platform
