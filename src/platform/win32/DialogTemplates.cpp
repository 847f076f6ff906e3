// Checks that a dialog template lies wholly inside its resource before the dialog manager reads it.
// The layouts are the desktop's DLGTEMPLATE / DLGITEMTEMPLATE and their extended forms: fixed
// headers, then names that are either a 16-bit ordinal (0xFFFF and the number), nothing (0) or a
// zero-terminated UTF-16 text; every control starts on a 4-byte boundary.
#include <cstring>

#include "platform/win32/WindowInternal.h"

namespace platform::win32 {
namespace {

// Reads forward through the template, failing once anything would lie beyond its end.
class TemplateReader {
public:
    TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Skip(size_t bytes) {
        if (bytes > size_ - offset_) return false;
        offset_ += bytes;
        return true;
    }

    bool ReadWord(uint16_t* value) {
        if (sizeof(uint16_t) > size_ - offset_) return false;
        std::memcpy(value, data_ + offset_, sizeof(uint16_t));
        offset_ += sizeof(uint16_t);
        return true;
    }

    bool ReadDword(uint32_t* value) {
        if (sizeof(uint32_t) > size_ - offset_) return false;
        std::memcpy(value, data_ + offset_, sizeof(uint32_t));
        offset_ += sizeof(uint32_t);
        return true;
    }

    // An ordinal, nothing, or a zero-terminated text.
    bool SkipName() {
        uint16_t first = 0;
        if (!ReadWord(&first)) return false;
        if (first == 0) return true;
        if (first == 0xFFFF) return Skip(sizeof(uint16_t));
        return SkipText();
    }

    // The rest of a zero-terminated text.
    bool SkipText() {
        for (uint16_t c = 1; c != 0;)
            if (!ReadWord(&c)) return false;
        return true;
    }

    bool AlignToDword() { return Skip((4 - offset_ % 4) % 4); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

constexpr uint16_t ExtendedSignature = 0xFFFF;
constexpr uint32_t FontStyles = DS_SETFONT | DS_SHELLFONT;

bool ControlsFit(TemplateReader& reader, uint16_t count, bool extended) {
    for (uint16_t i = 0; i < count; ++i) {
        if (!reader.AlignToDword()) return false;
        // Extended: help id, ex-style, style, x, y, cx, cy, a 32-bit id. Plain: style, ex-style,
        // x, y, cx, cy, a 16-bit id.
        if (!reader.Skip(extended ? 4 + 4 + 4 + 8 + 4 : 4 + 4 + 8 + 2)) return false;
        if (!reader.SkipName() || !reader.SkipName()) return false;  // class, title
        uint16_t extra = 0;
        if (!reader.ReadWord(&extra) || !reader.Skip(extra)) return false;
    }
    return true;
}

}  // namespace

bool DialogTemplateFits(const void* data, size_t size) {
    if (!data) return false;
    TemplateReader reader(static_cast<const uint8_t*>(data), size);
    uint16_t version = 0, signature = 0;
    if (!reader.ReadWord(&version) || !reader.ReadWord(&signature)) return false;
    const bool extended = version == 1 && signature == ExtendedSignature;
    uint32_t style = 0;
    uint16_t count = 0;
    if (extended) {
        uint32_t helpId = 0, exStyle = 0;
        if (!reader.ReadDword(&helpId) || !reader.ReadDword(&exStyle) || !reader.ReadDword(&style)) return false;
    } else {
        reader = TemplateReader(static_cast<const uint8_t*>(data), size);
        uint32_t exStyle = 0;
        if (!reader.ReadDword(&style) || !reader.ReadDword(&exStyle)) return false;
    }
    if (!reader.ReadWord(&count) || !reader.Skip(8)) return false;  // count, x, y, cx, cy
    if (!reader.SkipName() || !reader.SkipName() || !reader.SkipText()) return false;  // menu, class, title
    if (style & FontStyles) {
        // Extended: point size, weight, italic, character set. Plain: point size.
        if (!reader.Skip(extended ? 2 + 2 + 1 + 1 : 2) || !reader.SkipText()) return false;
    }
    return ControlsFit(reader, count, extended);
}

}  // namespace platform::win32
