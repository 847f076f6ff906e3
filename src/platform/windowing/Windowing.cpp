// Windows of the window system: classes, creation and destruction, styles, texts, geometry,
// showing, hiding and moving.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr size_t MaxClassNameLength = 256;
constexpr size_t MaxTitleLength = 32767;

std::u16string CopyText(const char16_t* text, size_t limit) {
    if (!text) return {};
    size_t length = 0;
    while (length < limit && text[length] != 0) ++length;
    return std::u16string(text, length);
}

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c; }

const WindowClassRecord* FindClass(const std::u16string& name, Module instance) {
    for (const WindowClassRecord& c : Dev().classes)
        if (c.instance == instance && SameClassName(c.name, name)) return &c;
    return nullptr;
}

// Window positions and sizes are kept within a range where no sum of them can overflow.
constexpr int32_t MaxCoordinate = 1 << 28;

Rect WindowRectFrom(int32_t x, int32_t y, int32_t width, int32_t height) {
    x = std::clamp(x, -MaxCoordinate, MaxCoordinate);
    y = std::clamp(y, -MaxCoordinate, MaxCoordinate);
    width = std::clamp(width, 0, MaxCoordinate);
    height = std::clamp(height, 0, MaxCoordinate);
    return Rect{x, y, x + width, y + height};
}

Point ClientOrigin(const WindowObject* o) {
    Rect client = ClientScreenRect(o);
    return Point{client.left, client.top};
}

void Unlink(WindowObject* o) {
    if (WindowObject* parent = o->parent) std::erase(parent->children, o);
    std::erase(Dev().topLevels, o);
}

// Every window of the tree: the window first, then its children and theirs.
void CollectTree(WindowObject* o, std::vector<WindowObject*>* out) {
    out->push_back(o);
    for (Window child : o->children)
        if (LiveWindow(child)) CollectTree(child, out);
}

void Release(WindowObject* o) {
    DeviceState& dev = Dev();
    RemoveTimersOf(o);
    RemoveHotKeysOf(o);
    ForgetWindowState(o, true);
    Unlink(o);
    ReleasePicture(o);
    o->alive = false;
    dev.live.erase(o);
    CountObject("windows", -1);
}

// Destroys a window, its owned windows and its children. With notify, every window of the tree gets
// MsgDestroy (the window before its children); without, they vanish silently.
bool DestroyTree(WindowObject* o, bool notify) {
    if (!o || o->destroying) return false;
    o->destroying = true;
    DeviceState& dev = Dev();
    std::vector<Window> owned;
    for (Window t : dev.topLevels)
        if (t->owner == o) owned.push_back(t);
    for (Window t : owned)
        if (WindowObject* ow = LiveWindow(t)) DestroyTree(ow, notify);

    bool wasVisible = EffectivelyVisible(o);
    Rect area = WindowScreenRect(o);
    o->style &= ~StyleVisible;
    if (wasVisible) RecomposeScreen(area, o);

    std::vector<WindowObject*> tree;
    CollectTree(o, &tree);
    for (WindowObject* w : tree) ForgetWindowState(w, true);
    if (notify) {
        for (WindowObject* w : tree) {
            w->destroying = true;
            if (LiveWindow(w) && w->procedure) w->procedure(w, MsgDestroy, 0, 0);
        }
    }
    tree.clear();
    if (LiveWindow(o)) CollectTree(o, &tree);  // again: a handler may have changed the children
    for (auto it = tree.rbegin(); it != tree.rend(); ++it)
        if (LiveWindow(*it)) Release(*it);
    return true;
}

void ApplyStyleChange(WindowObject* o, uint32_t oldStyle) {
    uint32_t changed = oldStyle ^ o->style;
    bool parentVisible = !o->parent || EffectivelyVisible(o->parent);
    if (!parentVisible) return;
    if (changed & StyleVisible) {
        // Shown or hidden through its style: no activation.
        Rect area = WindowScreenRect(o);
        RecomposeScreen(area, o);
        if (o->style & StyleVisible) RefreshWindowLook(o);
        return;
    }
    if ((changed & StyleCaption) && (o->style & StyleVisible)) {
        RecomposeScreen(WindowScreenRect(o), o);
        RefreshWindowLook(o);
    }
}

}  // namespace

void PlaceAtTopOfBand(WindowObject* o) {
    std::vector<Window>& tops = Dev().topLevels;
    std::erase(tops, o);
    size_t i = 0;
    if (!(o->exStyle & ExStyleTopmost))
        while (i < tops.size() && (tops[i]->exStyle & ExStyleTopmost)) ++i;
    tops.insert(tops.begin() + ptrdiff_t(i), o);
}

bool SameClassName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

WindowObject* LiveWindow(Window window) {
    if (!window) return nullptr;
    return Dev().live.count(window) ? window : nullptr;
}

bool IsDesktopWindow(Window window) { return window && window == &Dev().desktopWindow; }

Window TopLevelOf(Window window) {
    WindowObject* o = LiveWindow(window);
    while (o && o->parent) o = o->parent;
    return o;
}

bool IsDescendantOf(Window window, Window ancestor) {
    for (WindowObject* o = LiveWindow(window); o; o = o->parent)
        if (o == ancestor) return true;
    return false;
}

bool EffectivelyVisible(const WindowObject* window) {
    for (const WindowObject* o = window; o; o = o->parent)
        if (!(o->style & StyleVisible)) return false;
    return window != nullptr;
}

bool EffectivelyEnabled(const WindowObject* window) {
    for (const WindowObject* o = window; o; o = o->parent)
        if (o->style & StyleDisabled) return false;
    return window != nullptr;
}

Rect WindowScreenRect(const WindowObject* window) {
    if (!window) return Rect{};
    Rect r = window->rect;
    if (window->parent) {
        Point origin = ClientOrigin(window->parent);
        r.left += origin.x;
        r.right += origin.x;
        r.top += origin.y;
        r.bottom += origin.y;
    }
    return r;
}

Rect ClientScreenRect(const WindowObject* window) {
    Rect r = WindowScreenRect(window);
    if (!window) return r;
    FrameInsets insets = FrameInsetsOf(window->style);
    Rect c{r.left + insets.left, r.top + insets.top, r.right - insets.right, r.bottom - insets.bottom};
    c.right = std::max(c.right, c.left);
    c.bottom = std::max(c.bottom, c.top);
    return c;
}

Rect ClientRect(const WindowObject* window) {
    Rect c = ClientScreenRect(window);
    return Rect{0, 0, Width(c), Height(c)};
}

void DestroyProcessWindows(Process* process) {
    DeviceState& dev = Dev();
    std::vector<WindowObject*> doomed;
    for (const auto& w : dev.windows)
        if (w->alive && w->process == process) doomed.push_back(w.get());
    for (WindowObject* w : doomed)
        if (LiveWindow(w)) DestroyTree(w, false);
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.name || !windowClass.procedure || windowClass.name[0] == 0) return false;
    std::u16string name = CopyText(windowClass.name, MaxClassNameLength + 1);
    if (name.size() > MaxClassNameLength) return false;
    if (FindClass(name, windowClass.instance)) return false;
    WindowClassRecord record;
    record.name = name;
    record.style = windowClass.style;
    record.procedure = windowClass.procedure;
    record.instance = windowClass.instance;
    record.background = windowClass.background;
    Dev().classes.push_back(record);
    return true;
}

bool UnregisterWindowClass(const char16_t* name, Module instance) {
    if (!name) return false;
    std::u16string className = CopyText(name, MaxClassNameLength + 1);
    DeviceState& dev = Dev();
    auto it = std::find_if(dev.classes.begin(), dev.classes.end(), [&](const WindowClassRecord& c) {
        return c.instance == instance && SameClassName(c.name, className);
    });
    if (it == dev.classes.end()) return false;
    for (const WindowObject* w : dev.live)
        if (w->classInstance == instance && SameClassName(w->className, className)) return false;
    dev.classes.erase(it);
    return true;
}

Window CreateWindowObject(uint32_t exStyle, const char16_t* className, const char16_t* title, uint32_t style,
                          int32_t x, int32_t y, int32_t width, int32_t height, Window parent, intptr_t id,
                          Module instance, void* createParam) {
    if (!className) return nullptr;
    std::u16string name = CopyText(className, MaxClassNameLength + 1);
    const WindowClassRecord* windowClass = FindClass(name, instance);
    if (!windowClass) windowClass = FindClass(name, nullptr);
    if (!windowClass) return nullptr;

    WindowObject* parentObject = LiveWindow(parent);
    if (parent && !parentObject && !IsDesktopWindow(parent)) return nullptr;
    bool child = (style & StyleChild) != 0;
    if (child && !parentObject) return nullptr;
    // An overlapped window (neither child nor pop-up) has a border and a caption on this platform.
    if (!child && !(style & StylePopup)) style |= StyleCaption;
    bool showNow = (style & StyleVisible) != 0;
    style &= ~StyleVisible;

    DeviceState& dev = Dev();
    auto made = std::make_unique<WindowObject>();
    WindowObject* o = made.get();
    o->serial = dev.nextWindowSerial++;
    o->className = windowClass->name;
    o->classInstance = windowClass->instance;
    o->procedure = windowClass->procedure;
    o->classStyle = windowClass->style;
    o->background = windowClass->background;
    o->title = CopyText(title, MaxTitleLength);
    o->style = style;
    o->exStyle = exStyle;
    o->id = id;
    o->rect = WindowRectFrom(x, y, width, height);
    o->process = &CurrentProcess();
    dev.windows.push_back(std::move(made));
    dev.live.insert(o);
    CountObject("windows", 1);

    if (child) {
        o->parent = parentObject;
        parentObject->children.insert(parentObject->children.begin(), o);
    } else {
        o->owner = parentObject ? static_cast<WindowObject*>(TopLevelOf(parentObject)) : nullptr;
        PlaceAtTopOfBand(o);
        if (!o->process->firstWindow) o->process->firstWindow = o;
    }

    LResult created = SendToWindow(o, MsgCreate, 0, LParam(createParam));
    if (!LiveWindow(o)) return nullptr;
    if (created == -1) {
        DestroyWindowObject(o);
        return nullptr;
    }
    if (showNow) ShowWindowAs(o, child ? ShowShow : ShowNormal);
    return LiveWindow(o);
}

bool DestroyWindowObject(Window window) { return DestroyTree(LiveWindow(window), true); }

bool IsWindowObject(Window window) { return LiveWindow(window) != nullptr || IsDesktopWindow(window); }

uint32_t GetWindowStyle(Window window) {
    if (IsDesktopWindow(window)) return StyleVisible;
    WindowObject* o = LiveWindow(window);
    return o ? o->style : 0;
}

void SetWindowStyle(Window window, uint32_t style) {
    WindowObject* o = LiveWindow(window);
    if (!o) return;
    uint32_t old = o->style;
    // Whether a window is a child is fixed when it is made.
    o->style = (style & ~StyleChild) | (old & StyleChild);
    ApplyStyleChange(o, old);
}

uint32_t GetWindowExStyle(Window window) {
    WindowObject* o = LiveWindow(window);
    return o ? o->exStyle : 0;
}

void SetWindowExStyle(Window window, uint32_t exStyle) {
    WindowObject* o = LiveWindow(window);
    if (!o) return;
    uint32_t changed = o->exStyle ^ exStyle;
    o->exStyle = exStyle;
    if ((changed & ExStyleTopmost) && !o->parent) RaiseWindow(o);
    if ((changed & (ExStyleCaptionOkButton | ExStyleContextHelp)) && EffectivelyVisible(o)) DrawFrame(o);
}

intptr_t GetWindowId(Window window) {
    WindowObject* o = LiveWindow(window);
    return o ? o->id : 0;
}

Window GetParentWindow(Window window) {
    WindowObject* o = LiveWindow(window);
    if (!o) return nullptr;
    return o->parent ? o->parent : o->owner;
}

bool MoveWindowTo(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    bool visible = EffectivelyVisible(o);
    Rect before = WindowScreenRect(o);
    o->rect = WindowRectFrom(x, y, width, height);
    if (!visible) return true;
    Rect after = WindowScreenRect(o);
    Rect area{std::min(before.left, after.left), std::min(before.top, after.top),
              std::max(before.right, after.right), std::max(before.bottom, after.bottom)};
    RecomposeScreen(area, o);
    if (repaint) {
        RefreshWindowLook(o);
    } else {
        ForEachBottomToTop(o, [](Window w) {
            if (EffectivelyVisible(w)) DrawFrame(w);
        });
    }
    return true;
}

bool ShowWindowAs(Window window, int command) {
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    bool wasVisible = (o->style & StyleVisible) != 0;
    bool parentVisible = !o->parent || EffectivelyVisible(o->parent);
    if (command == ShowHide) {
        if (!wasVisible) return false;
        o->style &= ~StyleVisible;
        ForgetWindowState(o, false);
        if (parentVisible) RecomposeScreen(WindowScreenRect(o), o);
        return true;
    }
    // 4 and 8 show without activating; every other command shows and activates a top-level window.
    bool activate = !o->parent && command != 4 && command != 8;
    o->style |= StyleVisible;
    if (activate) RaiseWindow(o);
    if (parentVisible) {
        RecomposeScreen(WindowScreenRect(o), o);
        if (!wasVisible) RefreshWindowLook(o);
    }
    if (activate && LiveWindow(o)) ActivateWindow(o);
    return wasVisible;
}

bool IsWindowShown(Window window) {
    if (IsDesktopWindow(window)) return true;
    WindowObject* o = LiveWindow(window);
    return o && EffectivelyVisible(o);
}

bool SetForeground(Window window) {
    WindowObject* top = TopLevelOf(window);
    if (!top) return false;
    ActivateWindow(top);
    return true;
}

Window GetForeground() { return LiveWindow(Dev().active); }

bool EnableWindowInput(Window window, bool enable) {
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    bool wasDisabled = (o->style & StyleDisabled) != 0;
    if (enable != wasDisabled) return wasDisabled;  // no change
    if (enable) {
        o->style &= ~StyleDisabled;
    } else {
        o->style |= StyleDisabled;
        Window focus = Dev().focus;
        if (focus && IsDescendantOf(focus, o)) SetFocusTo(nullptr);
    }
    SendToWindow(o, MsgEnable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWindowInputEnabled(Window window) {
    WindowObject* o = LiveWindow(window);
    return o && !(o->style & StyleDisabled);
}

bool SetWindowTextTo(Window window, const char16_t* text) {
    if (!LiveWindow(window)) return false;
    return SendToWindow(window, MsgSetText, 0, LParam(text)) != 0;
}

int GetWindowTextOf(Window window, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    if (!LiveWindow(window)) return 0;
    LResult copied = SendToWindow(window, MsgGetText, WParam(capacity), LParam(buffer));
    return int(std::clamp<LResult>(copied, 0, capacity - 1));
}

Window GetDesktop() { return &Dev().desktopWindow; }

namespace {
// A rectangle of a live window; the desktop window's rectangles are both the whole screen.
bool RectangleOf(Window window, Rect* rect, Rect (*of)(const WindowObject*)) {
    if (!rect) return false;
    if (IsDesktopWindow(window)) {
        *rect = ScreenBounds();
        return true;
    }
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    *rect = of(o);
    return true;
}
}  // namespace

bool GetWindowRectangle(Window window, Rect* rect) { return RectangleOf(window, rect, WindowScreenRect); }
bool GetClientRectangle(Window window, Rect* rect) { return RectangleOf(window, rect, ClientRect); }

bool ClientToScreenPoint(Window window, Point* point) {
    if (!point) return false;
    if (IsDesktopWindow(window)) return true;
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    Point origin = ClientOrigin(o);
    point->x += origin.x;
    point->y += origin.y;
    return true;
}

bool ScreenToClientPoint(Window window, Point* point) {
    if (!point) return false;
    if (IsDesktopWindow(window)) return true;
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    Point origin = ClientOrigin(o);
    point->x -= origin.x;
    point->y -= origin.y;
    return true;
}

}  // namespace platform
