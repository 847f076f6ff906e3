// The registry of the window system: HKEY_CURRENT_USER, kept in a text file in the format of
// registry exports. The file is read when the device starts and written again after every change
// (through a temporary file and a rename, so that it is never left half written).
//
// Key and value names ignore letter case. A key exists when it was created (or appears in the file);
// the keys above it exist implicitly and can be opened, but only created keys are listed and written.
//
// Nothing of the file is lost by writing it again: a value line the device cannot read (too large,
// malformed) is written back as it was until the program sets a value of that name, a key of another
// hive keeps its lines, and a file that cannot be read whole (larger than 16 MiB, unreadable) is moved
// aside to NAME.unreadable (NAME.unreadable-2 ... when that exists) with a word on standard error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/Window.h"
#include "platform/windowing/CaseFold.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Files.h"
#include "platform/windowing/Internal.h"
#include "platform/windowing/Utf.h"

namespace platform::sim::detail {
namespace {
struct StoredKey;
}
}  // namespace platform::sim::detail

namespace platform {

struct RegKeyObject {
    std::u16string path;    // as it was opened
    std::u16string folded;  // the path with its letter case folded: the key's place in the registry
    // The stored key once it exists (keys stay until the registry is reset, which drops every handle),
    // so that reading and setting values through the handle does not look the path up each time.
    sim::detail::StoredKey* stored = nullptr;
};

}  // namespace platform

namespace platform::sim::detail {

namespace {

constexpr uint32_t ErrorInvalidParameter = 87;
constexpr size_t MaxValueBytes = 1 << 20;
constexpr size_t MaxNameUnits = 16383;
constexpr size_t MaxKeyComponentUnits = 255;
constexpr size_t MaxFileBytes = 16 << 20;
constexpr const char* FileHeader = "Windows Registry Editor Version 5.00";
constexpr std::u16string_view HiveName = u"HKEY_CURRENT_USER";

struct StoredValue {
    std::u16string name;
    RegistryValue value;
    // The file's line for a value this device cannot read (too large, malformed): it is written back as
    // it was, and the value counts as absent until the program sets one of that name.
    std::optional<std::string> unread;
    bool removed = false;  // deleted by a later line of the file; dropped when the file has been read
    bool named = true;     // false: a line whose name cannot be read either (kept, never looked up)
};

uint64_t nameComparisons = 0;

// Value names hashed and compared ignoring case, without making folded copies; each comparison is
// counted (the reader's work per value line).
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view name) const {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded units
        for (char16_t c : name) hash = (hash ^ FoldCase(c)) * 1099511628211ull;
        return size_t(hash);
    }
};
struct SameName {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        ++nameComparisons;
        return SameIgnoringCase(a, b);
    }
};

struct StoredKey {
    std::u16string name;
    std::vector<StoredValue> values;  // in the order first written
    std::unordered_map<std::u16string, size_t, NameHash, SameName> index;  // name to position, any letter case

    StoredValue* Find(std::u16string_view valueName) {
        auto found = index.find(valueName);
        return found == index.end() ? nullptr : &values[found->second];
    }
    // The value of that name, taking the place of one that is there (keeping its first spelling).
    void Put(std::u16string_view valueName, RegistryValue value, std::optional<std::string> unread = std::nullopt) {
        StoredValue* stored = Find(valueName);
        if (!stored) {
            index.emplace(std::u16string(valueName), values.size());
            stored = &values.emplace_back(StoredValue{std::u16string(valueName), {}, {}, false, true});
        }
        stored->value = std::move(value);
        stored->unread = std::move(unread);
    }
    void KeepNameless(const std::string& line) { values.push_back(StoredValue{u"", {}, line, false, false}); }
    void Remove(std::u16string_view valueName) {
        auto found = index.find(valueName);
        if (found == index.end()) return;
        values[found->second].removed = true;
        index.erase(found);
    }
    // Drops the values that later lines removed, in one pass.
    void Compact() {
        std::erase_if(values, [](const StoredValue& v) { return v.removed; });
        index.clear();
        for (size_t i = 0; i < values.size(); ++i) {
            if (values[i].named) index.emplace(values[i].name, i);
        }
    }
};

struct RegistryState {
    std::map<std::u16string, StoredKey> keys;  // by folded path
    std::vector<std::string> foreignSections;    // key lines this device cannot read, with their value lines
    std::set<RegKeyObject*> handles;
    std::string file;  // empty: not kept
};

RegistryState& State() {
    static RegistryState state;
    return state;
}

bool HasControlCharacter(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20; });
}

// A key path with its empty components dropped ("\Software\\X\" is "Software\X"); nullopt when a
// component is too long or holds a control character.
std::optional<std::u16string> NormalKeyPath(std::u16string_view path) {
    std::u16string out;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != u'\\') continue;
        std::u16string_view part = path.substr(start, i - start);
        start = i + 1;
        if (part.empty()) continue;
        if (part.size() > MaxKeyComponentUnits || HasControlCharacter(part)) return std::nullopt;
        if (!out.empty()) out += u'\\';
        out += part;
    }
    return out;
}

bool KeyExists(const std::u16string& folded) {
    const auto& keys = State().keys;
    if (folded.empty() || keys.count(folded)) return true;
    auto below = keys.lower_bound(folded + u'\\');
    return below != keys.end() && below->first.compare(0, folded.size() + 1, folded + u'\\') == 0;
}

StoredKey& MakeKey(const std::u16string& path, const std::u16string& folded) {
    StoredKey& key = State().keys[folded];
    if (key.name.empty()) key.name = path;
    return key;
}

StoredKey& MakeKey(const std::u16string& path) { return MakeKey(path, Folded(path)); }

bool ValidHandle(RegKey key) { return key && State().handles.count(key); }

// The stored key behind a handle; nullptr while the key exists only implicitly (as a parent).
StoredKey* KeyOf(RegKey handle) {
    if (!handle->stored) {
        auto found = State().keys.find(handle->folded);
        if (found != State().keys.end()) handle->stored = &found->second;
    }
    return handle->stored;
}

RegKey NewHandle(const std::u16string& path) {
    auto* handle = new RegKeyObject{path, Folded(path)};
    State().handles.insert(handle);
    CountObject("regkeys", 1);
    return handle;
}

// ---- The file ----

std::u16string Utf16FromBytes(const std::vector<uint8_t>& data, size_t units) {
    std::u16string text;
    for (size_t i = 0; i < units; ++i) text += char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

// REG_SZ data written as "text" when that form gives back exactly the same bytes: UTF-16 with one
// terminating zero at the end, no other zero and no line breaks.
std::optional<std::string> AsQuotedText(const RegistryValue& value) {
    const std::vector<uint8_t>& data = value.data;
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != 0 || data.back() != 0) return std::nullopt;
    std::u16string text = Utf16FromBytes(data, data.size() / 2 - 1);
    if (text.find(u'\0') != std::u16string::npos || HasControlCharacter(text)) return std::nullopt;
    std::string utf8 = ToUtf8(text);
    if (FromUtf8(utf8) != text) return std::nullopt;
    std::string quoted = "\"";
    for (char c : utf8) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string QuotedName(const std::u16string& name) {
    if (name.empty()) return "@";
    std::string quoted = "\"";
    for (char c : ToUtf8(name)) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string HexLine(const std::string& prefix, const std::vector<uint8_t>& data) {
    std::string line = prefix;
    size_t column = line.size();
    for (size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        line += byte;
        column += 2;
        if (i + 1 < data.size()) {
            line += ',';
            ++column;
            if (column > 76) {
                line += "\\\n  ";
                column = 2;
            }
        }
    }
    return line;
}

std::string ValueLine(const StoredValue& stored) {
    if (stored.unread) return *stored.unread;
    std::string name = QuotedName(stored.name) + "=";
    const RegistryValue& v = stored.value;
    if (v.type == RegSz) {
        if (std::optional<std::string> text = AsQuotedText(v)) return name + *text;
    }
    if (v.type == RegDword && v.data.size() == 4) {
        char text[24];
        uint32_t n = uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 | uint32_t(v.data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", n);
        return name + text;
    }
    if (v.type == RegBinary) return HexLine(name + "hex:", v.data);
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", v.type);
    return HexLine(name + type, v.data);
}

std::string WholeText() {
    const RegistryState& state = State();
    std::string text = std::string(FileHeader) + "\n\n";
    for (const auto& [folded, key] : state.keys) {
        text += "[" + ToUtf8(std::u16string(HiveName)) + (key.name.empty() ? "" : "\\" + ToUtf8(key.name)) + "]\n";
        for (const StoredValue& value : key.values) {
            if (!value.removed) text += ValueLine(value) + "\n";
        }
        text += "\n";
    }
    for (const std::string& section : state.foreignSections) text += section + "\n";
    return text;
}

void SaveFile() {
    const RegistryState& state = State();
    if (state.file.empty()) return;
    std::string temporary = state.file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << WholeText();
        out.flush();
        if (!out) return;
    }
    std::error_code error;
    std::filesystem::rename(temporary, state.file, error);
    if (error) std::filesystem::remove(temporary, error);
}

std::string_view Trim(std::string_view s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos) return std::string_view();
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// Reads "..." with \\ and \" from text at pos (on the opening quote); pos ends after the closing one.
std::optional<std::string> ReadQuoted(std::string_view text, size_t* pos) {
    if (*pos >= text.size() || text[*pos] != '"') return std::nullopt;
    std::string out;
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (c == '"') {
            *pos = i + 1;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> ParseHexNumber(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::string_view list = Trim(text);
    if (list.empty()) return bytes;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string_view item = Trim(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        std::optional<uint32_t> byte = ParseHexNumber(item);
        if (!byte || item.size() > 2) return std::nullopt;
        bytes.push_back(uint8_t(*byte));
        if (bytes.size() > MaxValueBytes) return std::nullopt;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return bytes;
}

std::vector<uint8_t> TextBytes(const std::u16string& text) {
    std::vector<uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        data.push_back(uint8_t(c & 0xFF));
        data.push_back(uint8_t(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

// The data part of a value line: "text", dword:n, hex:.., hex(N):..; nullopt when malformed.
std::optional<RegistryValue> ParseData(std::string_view text) {
    RegistryValue value;
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::optional<std::string> quoted = ReadQuoted(text, &pos);
        if (!quoted || !Trim(text.substr(pos)).empty()) return std::nullopt;
        value.type = RegSz;
        value.data = TextBytes(FromUtf8(*quoted));
        return value;
    }
    if (text.starts_with("dword:")) {
        std::optional<uint32_t> n = ParseHexNumber(Trim(text.substr(6)));
        if (!n) return std::nullopt;
        value.type = RegDword;
        value.data = {uint8_t(*n), uint8_t(*n >> 8), uint8_t(*n >> 16), uint8_t(*n >> 24)};
        return value;
    }
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view kind = text.substr(0, colon);
    if (kind == "hex") {
        value.type = RegBinary;
    } else if (kind.size() > 5 && kind.starts_with("hex(") && kind.back() == ')') {
        std::optional<uint32_t> type = ParseHexNumber(kind.substr(4, kind.size() - 5));
        if (!type) return std::nullopt;
        value.type = *type;
    } else {
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(text.substr(colon + 1));
    if (!bytes) return std::nullopt;
    value.data = std::move(*bytes);
    return value;
}

// A key line "[HKEY_CURRENT_USER\path]": the key's path, or nullopt for anything else (another hive,
// a deletion, a malformed line), whose value lines are kept as they are, not read.
std::optional<std::u16string> ParseKeyLine(std::string_view line) {
    if (line.size() < 2 || line.back() != ']' || line[1] == '-') return std::nullopt;
    std::u16string inner = Utf8ToUtf16(line.substr(1, line.size() - 2));
    size_t cut = inner.find(u'\\');
    std::u16string_view hive = std::u16string_view(inner).substr(0, cut);
    if (!SameIgnoringCase(hive, HiveName)) return std::nullopt;
    return NormalKeyPath(cut == std::u16string::npos ? std::u16string_view() : std::u16string_view(inner).substr(cut + 1));
}

// Whether a line that cannot be read can be written back as it was: one that ends with a backslash (the
// last line of a file can) would run on into the next line.
bool Keepable(std::string_view line) { return line.back() != '\\'; }

void ParseValueLine(std::string_view line, StoredKey& key) {
    const bool keep = Keepable(line);
    size_t pos = 0;
    std::u16string name;
    if (line[0] == '@') {
        pos = 1;
    } else {
        std::optional<std::string> quoted = ReadQuoted(line, &pos);
        if (quoted) name = Utf8ToUtf16(*quoted);
        if (!quoted || name.empty() || name.size() > MaxNameUnits || HasControlCharacter(name))
            return keep ? key.KeepNameless(std::string(line)) : void();
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return keep ? key.Put(name, {}, std::string(line)) : void();
    std::string_view data = Trim(line.substr(pos + 1));
    if (data == "-") {
        key.Remove(name);
        return;
    }
    std::optional<RegistryValue> value = ParseData(data);
    if (!value) {
        if (keep) key.Put(name, {}, std::string(line));
        return;
    }
    key.Put(name, std::move(*value));
}

// The file's text as UTF-8: a UTF-16 file is converted into *converted, a UTF-8 one is read in place.
std::string_view FileText(std::string_view bytes, std::string* converted) {
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        *converted = Utf16ToUtf8(text);
        return *converted;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes;
}

// Each logical line, trimmed, in order: lines ending in a backslash go on in the next line (with its
// leading blanks dropped). Lines that do not go on are handed over in place. A joined line is trimmed
// too (blanks before a dropped backslash), as it will read when written back as one line.
template <class Visit>
void ForEachLogicalLine(std::string_view text, Visit visit) {
    std::string joined;
    bool continuing = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (!continuing && !line.ends_with('\\')) {
            visit(line);
            continue;
        }
        if (continuing) {
            joined += line;
        } else {
            joined.assign(line);
        }
        continuing = !joined.empty() && joined.back() == '\\';
        if (continuing) {
            joined.pop_back();
            continue;
        }
        visit(Trim(joined));
    }
    if (continuing) visit(Trim(joined));
}

void ReadText(std::string_view bytes) {
    StoredKey* current = nullptr;
    std::string* foreign = nullptr;
    std::string converted;
    ForEachLogicalLine(FileText(bytes, &converted), [&](std::string_view line) {
        if (line.empty() || line[0] == ';') return;
        if (line[0] == '[') {
            std::optional<std::u16string> path = ParseKeyLine(line);
            current = path ? &MakeKey(*path) : nullptr;
            foreign = path || !Keepable(line) ? nullptr : &State().foreignSections.emplace_back(line);
        } else if (line[0] == '"' || line[0] == '@') {
            if (current) ParseValueLine(line, *current);
            else if (foreign && Keepable(line)) foreign->append("\n").append(line);
        }
        // Anything else, the header line included, is skipped.
    });
    for (auto& [folded, key] : State().keys) key.Compact();
}

// The first free name of NAME.unreadable, NAME.unreadable-2, NAME.unreadable-3 ...
std::optional<std::string> AsideName(const std::string& path) {
    for (int n = 1; n <= 1000; ++n) {
        std::string name = path + ".unreadable" + (n == 1 ? "" : "-" + std::to_string(n));
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(name, error))) return name;
    }
    return std::nullopt;
}

// A file that cannot be read whole holds settings this device would lose by writing over it: it is
// moved aside and the device starts with an empty registry, written beside it. When it cannot be moved,
// no registry is kept at all this time.
void KeepAside(const std::string& path, const std::string& why) {
    std::optional<std::string> aside = AsideName(path);
    std::error_code error;
    if (aside) std::filesystem::rename(path, *aside, error);
    if (!aside || error) {
        Log("registry: " + path + " cannot be read (" + why + ") and cannot be moved aside; it is left as it is " +
            "and no settings are written this time");
        State().file.clear();
        return;
    }
    Log("registry: " + path + " cannot be read (" + why + "); it is kept as " + *aside +
        " and a new registry is written in its place");
}

void ReadFile(const std::string& path) {
    std::string why;
    std::optional<std::string> bytes = ReadHostFile(path, MaxFileBytes, &why);
    if (!bytes && why.empty()) bytes = std::string();  // no file yet: an empty registry
    if (!bytes) return KeepAside(path, why);
    ReadText(*bytes);
}

void DropHandles() {
    for (RegKeyObject* handle : State().handles) delete handle;
    State().handles.clear();
}

}  // namespace

void LoadRegistryFile(const std::string& hostPath) {
    ResetRegistry();
    State().file = hostPath;
    if (!hostPath.empty()) ReadFile(hostPath);
}

void SaveRegistryFile() { SaveFile(); }

void LoadRegistryText(std::string_view bytes) {
    ResetRegistry();
    ReadText(bytes);
}

std::string RegistryFileText() { return WholeText(); }

// A new device: no keys, no handles (not counted: the device's counts start afresh), no file.
void ResetRegistry() {
    DropHandles();
    State().keys.clear();
    State().foreignSections.clear();
    State().file.clear();
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

uint32_t RegistryOpenKey(const char16_t* subKey, RegKey* key) {
    if (!key) return ErrorInvalidParameter;
    *key = nullptr;
    std::optional<std::u16string> path = NormalKeyPath(subKey ? subKey : u"");
    if (!path) return ErrorInvalidParameter;
    if (!KeyExists(Folded(*path))) return ErrorFileNotFound;
    *key = NewHandle(*path);
    return ErrorSuccess;
}

uint32_t RegistryCreateKey(const char16_t* subKey, RegKey* key) {
    if (!key) return ErrorInvalidParameter;
    *key = nullptr;
    std::optional<std::u16string> path = NormalKeyPath(subKey ? subKey : u"");
    if (!path) return ErrorInvalidParameter;
    if (!State().keys.count(Folded(*path))) {
        MakeKey(*path);
        SaveFile();
    }
    *key = NewHandle(*path);
    return ErrorSuccess;
}

uint32_t RegistryQueryValue(RegKey key, const char16_t* name, uint32_t* type, void* data, uint32_t* size) {
    if (!ValidHandle(key)) return ErrorInvalidHandle;
    StoredKey* storedKey = KeyOf(key);
    StoredValue* stored = storedKey ? storedKey->Find(name ? name : u"") : nullptr;
    if (!stored || stored->unread) return ErrorFileNotFound;
    const std::vector<uint8_t>& bytes = stored->value.data;
    if (!size) {
        if (data) return ErrorInvalidParameter;
    } else if (data && bytes.size() > *size) {
        *size = uint32_t(bytes.size());
        if (type) *type = stored->value.type;
        return ErrorMoreData;
    } else {
        if (data) std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(data));
        *size = uint32_t(bytes.size());
    }
    if (type) *type = stored->value.type;
    return ErrorSuccess;
}

uint32_t RegistrySetValue(RegKey key, const char16_t* name, uint32_t type, const void* data, uint32_t size) {
    if (!ValidHandle(key)) return ErrorInvalidHandle;
    if ((!data && size > 0) || size > MaxValueBytes) return ErrorInvalidParameter;
    const std::u16string_view valueName = name ? name : u"";
    if (valueName.size() > MaxNameUnits || HasControlCharacter(valueName)) return ErrorInvalidParameter;
    sim::RegistryValue value;
    value.type = type;
    if (size > 0) {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        value.data.assign(bytes, bytes + size);
    }
    if (!key->stored) key->stored = &MakeKey(key->path, key->folded);
    key->stored->Put(valueName, std::move(value));
    SaveFile();
    return ErrorSuccess;
}

uint32_t RegistryCloseKey(RegKey key) {
    if (!ValidHandle(key)) return ErrorInvalidHandle;
    State().handles.erase(key);
    delete key;
    CountObject("regkeys", -1);
    return ErrorSuccess;
}

}  // namespace platform

namespace platform::sim {

uint64_t RegistryNameComparisons() { return detail::nameComparisons; }

RegistrySnapshot Registry() {
    RegistrySnapshot snapshot;
    for (const auto& [folded, key] : detail::State().keys) {
        auto& values = snapshot[key.name];
        for (const auto& stored : key.values) {
            if (!stored.unread && !stored.removed) values[stored.name] = stored.value;
        }
    }
    return snapshot;
}

void SetRegistryValue(const std::u16string& key, const std::u16string& name, const RegistryValue& value) {
    std::optional<std::u16string> path = detail::NormalKeyPath(key);
    if (!path || name.size() > detail::MaxNameUnits || detail::HasControlCharacter(name) ||
        value.data.size() > detail::MaxValueBytes) {
        return;
    }
    detail::MakeKey(*path).Put(name, value);
    detail::SaveFile();
}

}  // namespace platform::sim
