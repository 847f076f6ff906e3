// File search. The desktop also matches a pattern against a file's short 8.3 name ("*.bmp" finds
// "old.bmpx" through "OLD~1.BMP"); the handheld has no short names, so only long names that match the
// pattern themselves are reported.
#include <algorithm>
#include <new>
#include <string>

#include "platform/Window.h"
#include "platform/win32/Handles.h"

namespace platform {

namespace {

bool SameLetter(wchar_t a, wchar_t b) { return a == b || ::CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL; }

// '*' matches any run of characters, '?' one character; letters match without regard to case.
bool Matches(const wchar_t* name, const wchar_t* pattern) {
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*name) {
        if (*pattern == L'*') {
            star = pattern++;
            resume = name;
        } else if (*pattern && (*pattern == L'?' || SameLetter(*pattern, *name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') ++pattern;
    return *pattern == 0;
}

// The last part of the pattern: what names are matched against.
std::wstring NamePattern(const char16_t* pattern) {
    std::wstring text = Wide(pattern);
    const size_t cut = text.find_last_of(L"\\/");
    if (cut != std::wstring::npos) text.erase(0, cut + 1);
    return text == L"*.*" ? L"*" : text;  // every name, with or without a dot
}

void CopyFound(const WIN32_FIND_DATAW& found, FindData* data) {
    if (!data) return;
    *data = FindData{};
    const size_t limit = std::size(data->name) - 1;
    size_t length = 0;
    while (length < limit && found.cFileName[length]) ++length;
    std::copy(found.cFileName, found.cFileName + length, data->name);
    data->directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Moves on from `found` to the first entry whose long name matches; false when there is none.
bool SkipShortNameMatches(HANDLE search, const std::wstring& pattern, WIN32_FIND_DATAW* found) {
    while (!Matches(found->cFileName, pattern.c_str()))
        if (!::FindNextFileW(search, found)) return false;
    return true;
}

// A search with its pattern, kept for the next steps.
struct FindPattern : FindObject {
    std::wstring pattern;
};

}  // namespace

FindHandle FindFirstFileAt(const char16_t* pattern, FindData* data) {
    if (!pattern || !*pattern) return nullptr;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(Wide(pattern), &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    auto* handle = new (std::nothrow) FindPattern;
    if (handle) {
        handle->search = search;
        handle->pattern = NamePattern(pattern);
    }
    if (!handle || !SkipShortNameMatches(search, handle->pattern, &found)) {
        ::FindClose(search);
        delete handle;
        return nullptr;
    }
    CountMade("finds");
    CopyFound(found, data);
    return handle;
}

bool FindNextFileAt(FindHandle handle, FindData* data) {
    if (!handle) return false;
    auto* search = static_cast<FindPattern*>(handle);
    WIN32_FIND_DATAW found{};
    if (!::FindNextFileW(handle->search, &found)) return false;
    if (!SkipShortNameMatches(handle->search, search->pattern, &found)) return false;
    CopyFound(found, data);
    return true;
}

bool FindCloseHandle(FindHandle handle) {
    if (!handle) return false;
    auto* search = static_cast<FindPattern*>(handle);
    const bool closed = ::FindClose(handle->search) != 0;
    delete search;
    CountReleased("finds");
    return closed;
}

}  // namespace platform
