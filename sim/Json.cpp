#include "Json.h"

#include <charconv>
#include <cmath>

#include "platform/sim/Internal.h"

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
                if (c < 0x20) {
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
JsonWriter& JsonWriter::String(const std::u16string& text) { return String(platform::sim::detail::ToUtf8(text)); }
JsonWriter& JsonWriter::Int(int64_t value) {
    Separate();
    out_ += std::to_string(value);
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    out_ += value ? "true" : "false";
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Null() {
    Separate();
    out_ += "null";
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Float(float value) {
    if (!std::isfinite(value)) return Null();
    Separate();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, r.ptr);
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Double(double value) {
    if (!std::isfinite(value)) return Null();
    Separate();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, r.ptr);
    needComma_ = true;
    return *this;
}
