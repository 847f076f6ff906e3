#include "Json.h"

#include <charconv>
#include <cmath>

#include "Unicode.h"

// ---- Writer ----

void JsonWriter::Separate() {
    if (needComma_) out_ += ',';
    needComma_ = false;
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    return *this;
}
JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    return *this;
}
JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Key(const std::string& key) {
    String(key);
    out_ += ':';
    needComma_ = false;
    return *this;
}
JsonWriter& JsonWriter::String(const std::string& utf8) {
    Separate();
    out_ += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    static const char* hex = "0123456789abcdef";
                    out_ += "\\u00";
                    out_ += hex[c >> 4];
                    out_ += hex[c & 15];
                } else {
                    out_ += char(c);
                }
        }
    }
    out_ += '"';
    needComma_ = true;
    return *this;
}
// Through UTF-16 and back, so that invalid UTF-8 never reaches the output.
JsonWriter& JsonWriter::String(const std::u16string& text) { return String(Utf16ToUtf8(text)); }
JsonWriter& JsonWriter::Int(int64_t value) { return Scalar(std::to_string(value)); }
JsonWriter& JsonWriter::Bool(bool value) { return Scalar(value ? "true" : "false"); }
JsonWriter& JsonWriter::Null() { return Scalar("null"); }
JsonWriter& JsonWriter::Float(float value) { return Number(value); }
JsonWriter& JsonWriter::Double(double value) { return Number(value); }

// Shortest text that reads back to the same value; JSON has no infinities or NaN, so those are null.
template <typename T>
JsonWriter& JsonWriter::Number(T value) {
    if (!std::isfinite(value)) return Null();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return Scalar(std::string_view(buf, size_t(r.ptr - buf)));
}

JsonWriter& JsonWriter::Scalar(std::string_view text) {
    Separate();
    out_ += text;
    needComma_ = true;
    return *this;
}

// ---- Value ----

namespace {
const JsonValue& NullValue() {
    static const JsonValue null;
    return null;
}
}  // namespace

int64_t JsonValue::AsInt() const {
    if (kind_ != Kind::Number) return 0;
    int64_t value = 0;
    auto r = std::from_chars(text_.data(), text_.data() + text_.size(), value);
    if (r.ec != std::errc() || r.ptr != text_.data() + text_.size()) return 0;
    return value;
}

double JsonValue::AsDouble() const {
    if (kind_ != Kind::Number) return 0.0;
    double value = 0.0;
    std::from_chars(text_.data(), text_.data() + text_.size(), value);
    return value;
}

float JsonValue::AsFloat() const {
    if (kind_ != Kind::Number) return 0.0f;
    float value = 0.0f;
    std::from_chars(text_.data(), text_.data() + text_.size(), value);
    return value;
}

bool JsonValue::Has(const std::string& key) const {
    if (kind_ != Kind::Object) return false;
    for (const auto& member : members_)
        if (member.first == key) return true;
    return false;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    if (kind_ == Kind::Object)
        for (const auto& member : members_)
            if (member.first == key) return member.second;
    return NullValue();
}

const JsonValue& JsonValue::operator[](size_t index) const {
    if (kind_ == Kind::Array && index < items_.size()) return items_[index];
    return NullValue();
}

// ---- Reader ----

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    bool ReadDocument(JsonValue* value) {
        if (!ReadValue(value, 0)) return false;
        SkipSpace();
        return pos_ == text_.size();
    }

private:
    static constexpr int MaxDepth = 64;

    void SkipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool Literal(const char* word) {
        size_t length = std::char_traits<char>::length(word);
        if (text_.compare(pos_, length, word) != 0) return false;
        pos_ += length;
        return true;
    }

    bool ReadValue(JsonValue* value, int depth) {
        if (depth > MaxDepth) return false;
        SkipSpace();
        if (pos_ >= text_.size()) return false;
        char c = text_[pos_];
        if (c == '{') return ReadObject(value, depth);
        if (c == '[') return ReadArray(value, depth);
        if (c == '"') {
            value->kind_ = JsonValue::Kind::String;
            return ReadString(&value->text_);
        }
        if (Literal("true")) {
            value->kind_ = JsonValue::Kind::Bool;
            value->boolean_ = true;
            return true;
        }
        if (Literal("false")) {
            value->kind_ = JsonValue::Kind::Bool;
            return true;
        }
        if (Literal("null")) return true;
        return ReadNumber(value);
    }

    bool ReadObject(JsonValue* value, int depth) {
        value->kind_ = JsonValue::Kind::Object;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == '}') {
            ++pos_;
            return true;
        }
        while (true) {
            SkipSpace();
            std::string key;
            if (pos_ >= text_.size() || text_[pos_] != '"' || !ReadString(&key)) return false;
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != ':') return false;
            ++pos_;
            JsonValue member;
            if (!ReadValue(&member, depth + 1)) return false;
            value->members_.emplace_back(std::move(key), std::move(member));
            SkipSpace();
            if (pos_ >= text_.size()) return false;
            if (text_[pos_] == '}') {
                ++pos_;
                return true;
            }
            if (text_[pos_] != ',') return false;
            ++pos_;
        }
    }

    bool ReadArray(JsonValue* value, int depth) {
        value->kind_ = JsonValue::Kind::Array;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            return true;
        }
        while (true) {
            JsonValue item;
            if (!ReadValue(&item, depth + 1)) return false;
            value->items_.push_back(std::move(item));
            SkipSpace();
            if (pos_ >= text_.size()) return false;
            if (text_[pos_] == ']') {
                ++pos_;
                return true;
            }
            if (text_[pos_] != ',') return false;
            ++pos_;
        }
    }

    bool ReadHex4(uint32_t* unit) {
        if (pos_ + 4 > text_.size()) return false;
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= uint32_t(c - '0');
            else if (c >= 'a' && c <= 'f') v |= uint32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= uint32_t(c - 'A' + 10);
            else return false;
        }
        *unit = v;
        return true;
    }

    bool ReadString(std::string* out) {
        ++pos_;  // the opening quote
        std::u16string escaped;  // \u units collected until the next plain character
        auto flush = [&] {
            if (!escaped.empty()) *out += Utf16ToUtf8(escaped);
            escaped.clear();
        };
        while (pos_ < text_.size()) {
            unsigned char c = uint8_t(text_[pos_++]);
            if (c == '"') {
                flush();
                return true;
            }
            if (c < 0x20) return false;
            if (c != '\\') {
                flush();
                *out += char(c);
                continue;
            }
            if (pos_ >= text_.size()) return false;
            char e = text_[pos_++];
            if (e == 'u') {
                uint32_t unit = 0;
                if (!ReadHex4(&unit)) return false;
                escaped += char16_t(unit);
                continue;
            }
            flush();
            switch (e) {
                case '"': *out += '"'; break;
                case '\\': *out += '\\'; break;
                case '/': *out += '/'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                default: return false;
            }
        }
        return false;
    }

    bool ReadNumber(JsonValue* value) {
        size_t start = pos_;
        auto digits = [&] {
            size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
            return pos_ > from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '0') {
            ++pos_;
        } else if (!digits()) {
            return false;
        }
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (!digits()) return false;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (!digits()) return false;
        }
        value->kind_ = JsonValue::Kind::Number;
        value->text_ = text_.substr(start, pos_ - start);
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
};

std::optional<JsonValue> ParseJson(const std::string& text) {
    JsonValue value;
    JsonReader reader(text);
    if (!reader.ReadDocument(&value)) return std::nullopt;
    return value;
}
