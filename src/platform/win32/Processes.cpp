// Started programs, the help viewer and sounds.
#include <string>

#include "platform/Window.h"
#include "platform/win32/Handles.h"  // <windows.h> before the headers that build on it

#include <mmsystem.h>
#include <shellapi.h>


namespace platform {

namespace {

// The handheld's help viewer. The desktop has none of that name: the help file is opened with the
// viewer the system associates with it.
constexpr const wchar_t* HandheldHelpViewer = L"peghelp";

bool IsHelpViewer(const char16_t* program) {
    std::wstring name = Wide(program);
    if (name.size() > 4 && ::CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".exe", 4, TRUE) == CSTR_EQUAL)
        name.resize(name.size() - 4);
    return ::CompareStringOrdinal(name.c_str(), -1, HandheldHelpViewer, -1, TRUE) == CSTR_EQUAL;
}

uintptr_t Counted(HANDLE handle) {
    if (handle) CountMade("process handles");
    return reinterpret_cast<uintptr_t>(handle);
}

// The help viewer is given "<file>#<place>"; the place is dropped, as a file opened through its
// association cannot be told where to go, and the file opens at its beginning.
bool OpenHelpFile(const char16_t* commandLine, ProcessInfo* info) {
    if (!commandLine) return false;
    std::wstring file = Wide(commandLine);
    file = file.substr(0, file.find(L'#'));
    if (file.empty()) return false;
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) return false;
    info->process = Counted(execute.hProcess);  // null when the viewer already ran and took the file
    return true;
}

}  // namespace

// The handheld gives a program its arguments alone; the desktop's command line starts with the
// program's name, which programs read as their first argument.
bool StartProcess(const char16_t* program, const char16_t* commandLine, ProcessInfo* info) {
    if (!info || (!program && !commandLine)) return false;
    *info = ProcessInfo{};
    if (program && IsHelpViewer(program)) return OpenHelpFile(commandLine, info);
    std::wstring line;
    if (program) line = L"\"" + std::wstring(Wide(program)) + L"\"";
    if (commandLine && *commandLine) line += (line.empty() ? L"" : L" ") + std::wstring(Wide(commandLine));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    info->process = Counted(process.hProcess);
    info->thread = Counted(process.hThread);
    return true;
}

bool CloseProcessHandle(uintptr_t handle) {
    if (!handle || !::CloseHandle(reinterpret_cast<HANDLE>(handle))) return false;
    CountReleased("process handles");
    return true;
}

// A missing sound file is silent, as on the handheld: the desktop would play its default sound instead.
bool PlaySoundFile(const char16_t* path, uint32_t flags) {
    if (!path || !*path) return false;
    const DWORD attributes = ::GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return ::PlaySoundW(Wide(path), nullptr, flags | SND_NODEFAULT) != 0;
}

}  // namespace platform
