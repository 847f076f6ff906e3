// Files of the window system. The program's folder "\Program Files\Vistrel" is a host folder (the
// device's home); the device's file system ignores letter case, so every name below it is matched
// against the host folder's entries without regard to case. Nothing outside that folder (and the
// translation's folder, whose entries stand in it) is reachable.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Window.h"
#include "platform/windowing/CaseFold.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Files.h"
#include "platform/windowing/Internal.h"

namespace platform {

struct FindObject {
    std::vector<std::u16string> names;
    std::vector<bool> directories;
    size_t next = 0;
};

}  // namespace platform

namespace platform::sim::detail {

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view ProgramFolder[] = {u"Program Files", u"Vistrel"};
constexpr size_t MaxNameUnits = 259;

std::set<FindObject*>& FindHandles() {
    static std::set<FindObject*> handles;
    return handles;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::vector<std::u16string> SplitPath(std::u16string_view path) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (i > start) parts.emplace_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

struct Entry {
    std::string name;   // empty: none
    bool link = false;  // the entry is a symbolic link
};

// The entry of a host folder whose name equals name ignoring case: the exact name first, else the
// first such entry in name order.
Entry FindEntry(const fs::path& folder, const std::u16string& name) {
    std::error_code error;
    std::string exact = ToUtf8(name);
    const fs::file_status status = fs::symlink_status(folder / exact, error);
    if (fs::exists(status)) return Entry{exact, fs::is_symlink(status)};
    Entry found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (SameIgnoringCase(FromUtf8(entry), name) && (found.name.empty() || entry < found.name)) {
            std::error_code linkError;
            found = Entry{entry, it->is_symlink(linkError)};
        }
    }
    return found;
}

bool Inside(const fs::path& path, const fs::path& folder) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    if (error) return false;
    fs::path base = fs::weakly_canonical(folder, error);
    if (error) return false;
    auto mismatch = std::mismatch(base.begin(), base.end(), real.begin(), real.end());
    return mismatch.first == base.end();
}

// A file descriptor of the host, closed when the object goes.
struct HostFile {
    explicit HostFile(int d) : descriptor(d) {}
    ~HostFile() {
        if (descriptor >= 0) ::close(descriptor);
    }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    const int descriptor;
};

void Fill(const FindObject& find, size_t index, FindData* data) {
    const std::u16string& name = find.names[index];
    std::fill(std::begin(data->name), std::end(data->name), u'\0');
    std::copy(name.begin(), name.end(), data->name);
    data->directory = find.directories[index];
}

}  // namespace

std::string HostPath(const char16_t* devicePath) {
    if (!devicePath || !IsSeparator(devicePath[0])) return std::string();
    std::vector<std::u16string> parts = SplitPath(devicePath);
    if (parts.size() < 2 || !SameIgnoringCase(parts[0], ProgramFolder[0]) || !SameIgnoringCase(parts[1], ProgramFolder[1])) {
        return std::string();
    }
    // A translation's entry stands in the program's folder in place of one of the same name.
    const std::string& translation = Config().translation;
    const bool translated = parts.size() > 2 && !translation.empty() && !FindEntry(translation, parts[2]).name.empty();
    const std::string& home = translated ? translation : Config().home;
    if (home.empty()) return std::string();
    fs::path path(home);
    bool existing = true;
    bool throughLink = false;
    for (size_t i = 2; i < parts.size(); ++i) {
        if (parts[i] == u"." || parts[i] == u"..") return std::string();
        Entry entry = existing ? FindEntry(path, parts[i]) : Entry{};
        if (entry.name.empty()) {
            existing = false;
            entry.name = ToUtf8(parts[i]);
        }
        throughLink = throughLink || entry.link;
        path /= entry.name;
    }
    // A link inside the home folder must not lead out of it. A path of plain entries (no "." or "..")
    // stays inside as it is written.
    if (throughLink && !Inside(path, home)) return std::string();
    return path.string();
}

bool MatchesPattern(std::u16string_view pattern, std::u16string_view name) {
    if (pattern == u"*.*") pattern = u"*";  // the handheld's "every file", with or without a dot
    size_t p = 0, n = 0;
    size_t star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

std::optional<std::string> ReadHostFile(const std::string& hostPath, size_t limit, std::string* why) {
    std::string ignored;
    if (!why) why = &ignored;
    why->clear();
    std::error_code error;
    if (hostPath.empty()) return std::nullopt;
    const fs::file_status status = fs::status(hostPath, error);
    if (!fs::exists(status)) return std::nullopt;
    if (!fs::is_regular_file(status)) {
        *why = "it is not a file";
        return std::nullopt;
    }
    // Read with the system's own calls: a file stream would allocate a buffer and a record of its own.
    const HostFile in(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.descriptor < 0) {
        *why = "it cannot be opened";
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    while (true) {
        const ssize_t count = ::read(in.descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *why = "reading it failed";
            return std::nullopt;
        }
        if (count == 0) return bytes;
        bytes.append(buffer, size_t(count));
        if (bytes.size() > limit) {
            constexpr size_t MiB = size_t(1) << 20;
            *why = "it is larger than " +
                   (limit % MiB == 0 ? std::to_string(limit / MiB) + " MiB" : std::to_string(limit) + " bytes");
            return std::nullopt;
        }
    }
}

void ResetFindHandles() {
    for (FindObject* find : FindHandles()) delete find;
    FindHandles().clear();
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

// Files whose names match the last component of the pattern ('*' and '?', ignoring case), in name
// order. A folder is found only when the pattern names it exactly, without wildcards.
FindHandle FindFirstFileAt(const char16_t* pattern, FindData* data) {
    if (!pattern || !data) return nullptr;
    std::u16string_view text(pattern);
    size_t cut = text.find_last_of(u"\\/");
    if (cut == std::u16string_view::npos || cut + 1 >= text.size()) return nullptr;
    std::u16string folderPath(text.substr(0, cut));
    std::u16string last(text.substr(cut + 1));
    if (last == u"." || last == u"..") return nullptr;
    std::string hostFolder = folderPath.empty() ? std::string() : HostPath(folderPath.c_str());
    if (hostFolder.empty()) return nullptr;

    auto find = std::make_unique<FindObject>();
    bool wildcard = last.find_first_of(u"*?") != std::u16string::npos;
    std::error_code error;
    std::vector<std::pair<std::u16string, bool>> found;
    for (fs::directory_iterator it(hostFolder, error), end; !error && it != end; it.increment(error)) {
        std::u16string name = FromUtf8(it->path().filename().string());
        if (name.size() > MaxNameUnits) continue;
        std::error_code typeError;
        bool directory = it->is_directory(typeError);
        bool file = it->is_regular_file(typeError);
        if (wildcard ? (file && MatchesPattern(last, name)) : ((file || directory) && SameIgnoringCase(last, name))) {
            found.emplace_back(name, directory);
        }
    }
    if (found.empty()) return nullptr;
    std::sort(found.begin(), found.end());
    if (!wildcard) found.resize(1);
    for (auto& [name, directory] : found) {
        find->names.push_back(std::move(name));
        find->directories.push_back(directory);
    }
    Fill(*find, 0, data);
    find->next = 1;
    FindObject* raw = find.release();
    FindHandles().insert(raw);
    CountObject("finds", 1);
    return raw;
}

bool FindNextFileAt(FindHandle handle, FindData* data) {
    if (!handle || !data || !FindHandles().count(handle)) return false;
    if (handle->next >= handle->names.size()) return false;
    Fill(*handle, handle->next++, data);
    return true;
}

bool FindCloseHandle(FindHandle handle) {
    if (!handle || !FindHandles().erase(handle)) return false;
    delete handle;
    CountObject("finds", -1);
    return true;
}

}  // namespace platform
