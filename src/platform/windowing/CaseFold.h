// Letter case as the handheld ignores it in file names and registry key and value names: ASCII, the
// Latin-1 letters and the basic Cyrillic alphabet.
#pragma once

#include <string>
#include <string_view>

namespace platform::sim::detail {

constexpr char16_t FoldCaseByRule(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 0x20);
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return char16_t(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F) return char16_t(c + 0x50);
    return c;
}

// Every letter that folds lies below U+0430: one look-up in a table of those (names are compared and
// hashed a character at a time, often).
struct FoldCaseTable {
    static constexpr char16_t Size = 0x0430;
    char16_t folded[Size] = {};
    constexpr FoldCaseTable() {
        for (char16_t c = 0; c < Size; ++c) folded[c] = FoldCaseByRule(c);
    }
};
inline constexpr FoldCaseTable foldCaseTable;

inline char16_t FoldCase(char16_t c) { return c < FoldCaseTable::Size ? foldCaseTable.folded[c] : c; }

inline std::u16string Folded(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

inline bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

}  // namespace platform::sim::detail
