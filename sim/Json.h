// A small JSON writer for the dump of vistrel-sim, and a reader that tests use to look into dumps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& utf8);
    JsonWriter& String(const std::u16string& text);
    JsonWriter& Int(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // Shortest text that reads back to the same single-precision value; null when not finite.
    JsonWriter& Float(float value);
    // Shortest text that reads back to the same double; null when not finite.
    JsonWriter& Double(double value);
    const std::string& Text() const { return out_; }

private:
    void Separate();
    JsonWriter& Scalar(std::string_view text);
    template <typename T>
    JsonWriter& Number(T value);
    std::string out_;
    bool needComma_ = false;
};

// A parsed JSON value. Looking up a missing key or index yields a null value, so that chains such as
// dump["magnifier"]["Visible"] never fail; Has() tells a missing key from a null one.
class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsBool() const { return kind_ == Kind::Bool; }
    bool IsNumber() const { return kind_ == Kind::Number; }
    bool IsString() const { return kind_ == Kind::String; }
    bool IsArray() const { return kind_ == Kind::Array; }
    bool IsObject() const { return kind_ == Kind::Object; }

    bool AsBool() const { return boolean_; }
    // Numbers: 0 when not a number; AsInt is 0 for a number that is not an integer.
    int64_t AsInt() const;
    double AsDouble() const;
    float AsFloat() const;  // read straight from the text as single precision
    const std::string& AsString() const { return text_; }  // strings; for numbers their text

    size_t Size() const { return kind_ == Kind::Array ? items_.size() : members_.size(); }
    bool Has(const std::string& key) const;
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](size_t index) const;
    const std::vector<JsonValue>& Items() const { return items_; }
    const std::vector<std::pair<std::string, JsonValue>>& Members() const { return members_; }

private:
    friend class JsonReader;
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    std::string text_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

// Parses one JSON value (surrounding white space allowed); nullopt when the text is not valid JSON
// or nests deeper than 64 levels.
std::optional<JsonValue> ParseJson(const std::string& text);
