// vistrel-control: a small Windows console tool with which scripts/test-windows.sh looks at a running
// Vistrel.exe from outside, through the real window system, and drives it with its own messages.
//
//   vistrel-control windows
//       one line per top-level window of the three Vistrel classes:
//       CLASS pid=N visible=0|1 caption=0|1 style=0x.. exstyle=0x.. rect=L,T,R,B title=TEXT
//   vistrel-control wait CLASS STATE TIMEOUT_MS
//       waits until the first window of CLASS is in STATE and prints its line; exit 1 on timeout.
//       STATE: present (exists), gone (no such window), hidden (exists, not visible),
//              shown (visible, and its rectangle has not changed for 600 ms: any show animation is over)
//   vistrel-control post CLASS MSG WPARAM LPARAM
//       posts the message to the first window of CLASS (numbers decimal or 0x-hex)
//   vistrel-control tray-present [ID]
//       whether the tray icon ID (default 257) of the magnifier window exists: a modification of an icon
//       succeeds only for an icon that was added; prints "present" (exit 0) or "absent" (exit 1)
//   vistrel-control resources CLASS
//       what the process of the first window of CLASS holds, in one line:
//       pid=N gdi=N gdi-source=system|table private=BYTES working-set=BYTES handles=N
//       gdi is GetGuiResources' count of GDI objects; where the system does not keep that count (Wine),
//       the live entries of the process's GDI handle table are counted instead (gdi-source=table)
//   vistrel-control leak
//       a stand-in that leaks on purpose, to show that the leak check notices a leak: a hidden window of
//       class VistrelTestLeak whose process keeps one more brush and 64 KiB more written memory every
//       250 ms, until the window is closed; prints "leaking" once it runs
//   vistrel-control pattern X Y W H
//       opens a window at that screen rectangle painted with coloured stripes and keeps it open until
//       the process is ended; prints "pattern ready" once it has been painted
//   vistrel-control press CLASS VK...
//       makes the first window of CLASS the foreground window with the keyboard focus, then presses the
//       keys (virtual-key codes) through the system's input, in order, and releases them in reverse
//       order: `press MG_COLORPICKER 0x11 0x43` is Ctrl+C on the colour picker
//   vistrel-control clipboard [TEXT]
//       without TEXT prints the clipboard's text (exit 1 when it holds none); with TEXT puts it there
//   vistrel-control monitors
//       the desktop's monitors, one line each in desktop coordinates: monitor rect=L,T,R,B primary=0|1,
//       then the rectangle around them all: virtual rect=L,T,R,B
//   vistrel-control version FILE
//       the version resource of FILE as Explorer's properties show it, one line:
//       product=VERSION file=VERSION company=TEXT description=TEXT copyright=TEXT
//
// Exit codes: 0 done, 1 the window or state was not found, 2 bad arguments.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int ExitDone = 0;
constexpr int ExitNotFound = 1;
constexpr int ExitUsage = 2;

// The window classes of the magnifier, the colour picker and the tape measure.
const wchar_t* const VistrelClasses[] = {L"MAGNIFYINGGLASS", L"MG_COLORPICKER", L"MG_TAPE"};
constexpr UINT MagnifierTrayId = 257;

constexpr DWORD PollMs = 50;
constexpr DWORD SettledMs = 600;

// Stripe colours of the pattern window (RGB): easy to find again, magnified, on a screenshot.
constexpr COLORREF StripeColors[] = {RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),   RGB(255, 255, 0),
                                     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 128, 0), RGB(128, 0, 255)};
constexpr int StripeWidth = 8;

int Usage() {
    std::fputs(
        "usage: vistrel-control windows\n"
        "       vistrel-control wait CLASS present|gone|hidden|shown TIMEOUT_MS\n"
        "       vistrel-control post CLASS MSG WPARAM LPARAM\n"
        "       vistrel-control tray-present [ID]\n"
        "       vistrel-control resources CLASS\n"
        "       vistrel-control leak\n"
        "       vistrel-control pattern X Y W H\n"
        "       vistrel-control press CLASS VK...\n"
        "       vistrel-control clipboard [TEXT]\n"
        "       vistrel-control monitors\n"
        "       vistrel-control version FILE\n",
        stderr);
    return ExitUsage;
}

// A whole decimal or 0x-hex number (a leading '-' allowed); false for anything else.
bool ParseNumber(const wchar_t* text, long long* value) {
    if (!text || !*text) return false;
    wchar_t* end = nullptr;
    errno = 0;
    long long v = std::wcstoll(text, &end, 0);
    if (errno != 0 || !end || *end != L'\0') return false;
    *value = v;
    return true;
}

bool ParseInt(const wchar_t* text, int* value) {
    long long v = 0;
    if (!ParseNumber(text, &v) || v < INT32_MIN || v > INT32_MAX) return false;
    *value = int(v);
    return true;
}

// ---- Looking at windows ----

struct WindowFacts {
    std::wstring className;
    std::wstring title;
    DWORD processId = 0;
    bool visible = false;
    bool caption = false;
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    RECT rect{};
};

WindowFacts FactsOf(HWND window) {
    WindowFacts facts;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    facts.className = name;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    facts.title = title;
    GetWindowThreadProcessId(window, &facts.processId);
    facts.visible = IsWindowVisible(window) != FALSE;
    facts.style = GetWindowLongPtrW(window, GWL_STYLE);
    facts.exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    facts.caption = (facts.style & WS_CAPTION) != 0;
    GetWindowRect(window, &facts.rect);
    return facts;
}

void PrintFacts(const WindowFacts& f) {
    std::printf("%ls pid=%lu visible=%d caption=%d style=0x%08llX exstyle=0x%08llX rect=%ld,%ld,%ld,%ld "
                "title=%ls\n",
                f.className.c_str(), static_cast<unsigned long>(f.processId), f.visible ? 1 : 0, f.caption ? 1 : 0,
                static_cast<unsigned long long>(f.style) & 0xFFFFFFFFull,
                static_cast<unsigned long long>(f.exStyle) & 0xFFFFFFFFull, f.rect.left, f.rect.top, f.rect.right,
                f.rect.bottom, f.title.c_str());
}

bool IsVistrelClass(const std::wstring& name) {
    for (const wchar_t* c : VistrelClasses)
        if (name == c) return true;
    return false;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int ListWindows() {
    int found = 0;
    for (HWND window : TopLevelWindows()) {
        WindowFacts facts = FactsOf(window);
        if (!IsVistrelClass(facts.className)) continue;
        PrintFacts(facts);
        ++found;
    }
    return found > 0 ? ExitDone : ExitNotFound;
}

// ---- Waiting for a state ----

enum class State { Present, Gone, Hidden, Shown };

bool ParseState(const wchar_t* text, State* state) {
    const std::wstring s = text;
    if (s == L"present") *state = State::Present;
    else if (s == L"gone") *state = State::Gone;
    else if (s == L"hidden") *state = State::Hidden;
    else if (s == L"shown") *state = State::Shown;
    else return false;
    return true;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int Wait(const wchar_t* className, State state, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    RECT lastRect{};
    ULONGLONG rectSince = 0;
    bool haveRect = false;
    for (;;) {
        HWND window = FindWindowW(className, nullptr);
        const ULONGLONG now = GetTickCount64();
        if (!window) {
            haveRect = false;
            if (state == State::Gone) {
                std::printf("%ls gone\n", className);
                return ExitDone;
            }
        } else {
            WindowFacts facts = FactsOf(window);
            bool reached = false;
            switch (state) {
            case State::Present: reached = true; break;
            case State::Gone: reached = false; break;
            case State::Hidden: reached = !facts.visible; break;
            case State::Shown:
                if (!facts.visible) {
                    haveRect = false;
                } else if (!haveRect || !SameRect(lastRect, facts.rect)) {
                    lastRect = facts.rect;
                    rectSince = now;
                    haveRect = true;
                }
                reached = haveRect && now - rectSince >= SettledMs;
                break;
            }
            if (reached) {
                PrintFacts(facts);
                return ExitDone;
            }
        }
        if (now - start >= timeoutMs) {
            std::fprintf(stderr, "timed out after %lu ms waiting for %ls\n", static_cast<unsigned long>(timeoutMs),
                         className);
            return ExitNotFound;
        }
        Sleep(PollMs);
    }
}

// ---- Messages and the tray ----

int Post(const wchar_t* className, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = FindWindowW(className, nullptr);
    if (!window) {
        std::fprintf(stderr, "no window of class %ls\n", className);
        return ExitNotFound;
    }
    if (!PostMessageW(window, message, wParam, lParam)) {
        std::fprintf(stderr, "PostMessage failed (error %lu)\n", GetLastError());
        return ExitNotFound;
    }
    std::printf("posted 0x%04X 0x%llX 0x%llX to %ls\n", message, static_cast<unsigned long long>(wParam),
                static_cast<unsigned long long>(lParam), className);
    return ExitDone;
}

int TrayPresent(UINT id) {
    HWND window = FindWindowW(VistrelClasses[0], nullptr);
    if (!window) {
        std::puts("absent (no magnifier window)");
        return ExitNotFound;
    }
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = id;
    data.uFlags = 0;  // change nothing: only ask whether the icon is there
    if (!Shell_NotifyIconW(NIM_MODIFY, &data)) {
        std::puts("absent");
        return ExitNotFound;
    }
    std::puts("present");
    return ExitDone;
}

// ---- Keys and the clipboard ----

// The first window of the class becomes the foreground window and takes the focus. Joining the input of
// its thread for a moment lets this process hand over the foreground.
bool FocusWindowOf(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    if (!window) return false;
    const DWORD target = GetWindowThreadProcessId(window, nullptr);
    const DWORD self = GetCurrentThreadId();
    const bool joined = AttachThreadInput(self, target, TRUE) != FALSE;
    SetForegroundWindow(window);
    SetFocus(window);
    if (joined) AttachThreadInput(self, target, FALSE);
    for (int i = 0; i < 20 && GetForegroundWindow() != window; ++i) Sleep(PollMs);
    return GetForegroundWindow() == window;
}

INPUT KeyInput(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

int Press(const wchar_t* className, const std::vector<WORD>& keys) {
    if (!FocusWindowOf(className)) {
        std::fprintf(stderr, "cannot give the focus to a window of class %ls\n", className);
        return ExitNotFound;
    }
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(KeyInput(key, false));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(KeyInput(*key, true));
    const UINT sent = SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        std::fprintf(stderr, "SendInput sent %u of %u inputs (error %lu)\n", sent, unsigned(inputs.size()),
                     GetLastError());
        return ExitNotFound;
    }
    std::printf("pressed %u key(s) on %ls\n", unsigned(keys.size()), className);
    return ExitDone;
}

int PrintClipboard() {
    if (!OpenClipboard(nullptr)) {
        std::fprintf(stderr, "OpenClipboard failed (error %lu)\n", GetLastError());
        return ExitNotFound;
    }
    int result = ExitNotFound;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            std::printf("%ls\n", text);
            GlobalUnlock(data);
            result = ExitDone;
        }
    }
    CloseClipboard();
    if (result != ExitDone) std::fputs("the clipboard holds no text\n", stderr);
    return result;
}

int SetClipboard(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return ExitNotFound;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return ExitNotFound;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(memory);
    return taken ? ExitDone : ExitNotFound;
}

// ---- What a process holds ----

// One entry of the GDI handle table the process's PEB points to (24 bytes on 64-bit): an entry whose
// type is 0 is free.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entries are 24 bytes");
constexpr size_t GdiHandleCount = 0x10000;
constexpr size_t PebGdiSharedHandleTable = 0xF8;  // its offset in the 64-bit PEB

// The live entries of the process's GDI handle table; -1 when the table cannot be read.
long long CountGdiTableEntries(HANDLE process) {
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    UINT64 table = 0;
    SIZE_T read = 0;
    const auto* peb = static_cast<const BYTE*>(static_cast<const void*>(basic.PebBaseAddress));
    if (!ReadProcessMemory(process, peb + PebGdiSharedHandleTable, &table, sizeof table, &read) || !table) return -1;
    std::vector<GdiHandleEntry> entries(GdiHandleCount);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &read))
        return -1;
    long long live = 0;
    for (size_t i = 0; i < read / sizeof(GdiHandleEntry); ++i) live += entries[i].type != 0;
    return live;
}

int Resources(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    DWORD pid = 0;
    if (!window || !GetWindowThreadProcessId(window, &pid)) {
        std::fprintf(stderr, "no window of class %ls\n", className);
        return ExitNotFound;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "cannot open process %lu (error %lu)\n", static_cast<unsigned long>(pid), GetLastError());
        return ExitNotFound;
    }
    long long gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const char* source = "system";
    if (gdi == 0) {
        gdi = CountGdiTableEntries(process);
        source = "table";
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    const bool haveMemory =
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) != FALSE;
    DWORD handles = 0;
    const bool haveHandles = GetProcessHandleCount(process, &handles) != FALSE;
    CloseHandle(process);
    if (gdi < 0 || !haveMemory) {
        std::fprintf(stderr, "cannot read what process %lu holds\n", static_cast<unsigned long>(pid));
        return ExitNotFound;
    }
    std::printf("pid=%lu gdi=%lld gdi-source=%s private=%llu working-set=%llu handles=%lld\n",
                static_cast<unsigned long>(pid), gdi, source, static_cast<unsigned long long>(memory.PrivateUsage),
                static_cast<unsigned long long>(memory.WorkingSetSize), haveHandles ? static_cast<long long>(handles) : -1);
    return ExitDone;
}

// ---- The pattern window ----

LRESULT CALLBACK PatternProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        const int count = int(sizeof(StripeColors) / sizeof(StripeColors[0]));
        for (int x = 0, i = 0; x < client.right; x += StripeWidth, ++i) {
            HBRUSH brush = CreateSolidBrush(StripeColors[i % count]);
            RECT stripe{x, 0, x + StripeWidth, client.bottom};
            FillRect(dc, &stripe, brush);
            DeleteObject(brush);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Tells the script the window is up, then serves its messages until it is closed.
int SayReadyAndRunMessages(const char* ready) {
    std::puts(ready);
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return ExitDone;
}

int Pattern(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return Usage();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PatternProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = L"VistrelTestPattern";
    if (!RegisterClassW(&windowClass)) return ExitNotFound;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"pattern", WS_POPUP | WS_VISIBLE, x,
                                  y, w, h, nullptr, nullptr, instance, nullptr);
    if (!window) {
        std::fprintf(stderr, "CreateWindowEx failed (error %lu)\n", GetLastError());
        return ExitNotFound;
    }
    UpdateWindow(window);
    return SayReadyAndRunMessages("pattern ready");
}

// ---- The planted leak ----

constexpr UINT_PTR LeakTimer = 1;
constexpr UINT LeakTickMs = 250;
constexpr size_t LeakBlockBytes = 64 * 1024;

LRESULT CALLBACK LeakProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static std::vector<HBRUSH> brushes;
    static std::vector<std::vector<char>> blocks;
    switch (message) {
    case WM_TIMER:
        // Kept for good: what a program that forgets to free them would hold.
        brushes.push_back(CreateSolidBrush(RGB(brushes.size() % 256, 0, 0)));
        blocks.emplace_back(LeakBlockBytes, char(blocks.size()));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int Leak() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LeakProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VistrelTestLeak";
    if (!RegisterClassW(&windowClass)) return ExitNotFound;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"leak", WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, instance, nullptr);
    if (!window || !SetTimer(window, LeakTimer, LeakTickMs, nullptr)) {
        std::fprintf(stderr, "cannot start the leaking window (error %lu)\n", GetLastError());
        return ExitNotFound;
    }
    return SayReadyAndRunMessages("leaking");
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    std::printf("monitor rect=%ld,%ld,%ld,%ld primary=%d\n", r.left, r.top, r.right, r.bottom,
                (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    return TRUE;
}

int PrintMonitors() {
    EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    std::printf("virtual rect=%d,%d,%d,%d\n", x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                y + GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return ExitDone;
}

// One text of the version resource's US English, Unicode string table; empty when it has none.
std::wstring VersionText(const std::vector<BYTE>& info, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &text, &length) || !text || length == 0) return L"";
    return std::wstring(static_cast<const wchar_t*>(text), length - 1);
}

int PrintVersion(const wchar_t* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) return ExitNotFound;
    std::vector<BYTE> info(size);
    if (!GetFileVersionInfoW(file, 0, size, info.data())) return ExitNotFound;
    std::wprintf(L"product=%ls file=%ls company=%ls description=%ls copyright=%ls\n",
                 VersionText(info, L"ProductVersion").c_str(), VersionText(info, L"FileVersion").c_str(),
                 VersionText(info, L"CompanyName").c_str(), VersionText(info, L"FileDescription").c_str(),
                 VersionText(info, L"LegalCopyright").c_str());
    return ExitDone;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    int result = ExitUsage;
    if (command == L"windows" && argc == 2) {
        result = ListWindows();
    } else if (command == L"wait" && argc == 5) {
        State state;
        int timeout = 0;
        if (!ParseState(argv[3], &state) || !ParseInt(argv[4], &timeout) || timeout < 0) return Usage();
        result = Wait(argv[2], state, DWORD(timeout));
    } else if (command == L"post" && argc == 6) {
        long long message = 0, wParam = 0, lParam = 0;
        if (!ParseNumber(argv[3], &message) || !ParseNumber(argv[4], &wParam) || !ParseNumber(argv[5], &lParam) ||
            message < 0 || message > 0xFFFF)
            return Usage();
        result = Post(argv[2], UINT(message), WPARAM(wParam), LPARAM(lParam));
    } else if (command == L"tray-present" && (argc == 2 || argc == 3)) {
        int id = int(MagnifierTrayId);
        if (argc == 3 && !ParseInt(argv[2], &id)) return Usage();
        result = TrayPresent(UINT(id));
    } else if (command == L"resources" && argc == 3) {
        result = Resources(argv[2]);
    } else if (command == L"leak" && argc == 2) {
        result = Leak();
    } else if (command == L"pattern" && argc == 6) {
        int x = 0, y = 0, w = 0, h = 0;
        if (!ParseInt(argv[2], &x) || !ParseInt(argv[3], &y) || !ParseInt(argv[4], &w) || !ParseInt(argv[5], &h))
            return Usage();
        result = Pattern(x, y, w, h);
    } else if (command == L"press" && argc >= 4) {
        std::vector<WORD> keys;
        for (int i = 3; i < argc; ++i) {
            int key = 0;
            if (!ParseInt(argv[i], &key) || key < 1 || key > 254) return Usage();
            keys.push_back(WORD(key));
        }
        result = Press(argv[2], keys);
    } else if (command == L"clipboard" && argc == 2) {
        result = PrintClipboard();
    } else if (command == L"clipboard" && argc == 3) {
        result = SetClipboard(argv[2]);
    } else if (command == L"monitors" && argc == 2) {
        result = PrintMonitors();
    } else if (command == L"version" && argc == 3) {
        result = PrintVersion(argv[2]);
    } else {
        return Usage();
    }
    std::fflush(stdout);
    return result;
}

}  // namespace

// A plain main that reads the wide command line itself, so the tool builds without a wide entry point.
int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return ExitUsage;
    const int result = Run(argc, argv);
    LocalFree(argv);
    return result;
}
