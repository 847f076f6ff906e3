// A small JSON writer for the dump of vistrel-sim.
#pragma once

#include <cstdint>
#include <string>

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
    // Shortest text that reads back to the same single-precision value.
    JsonWriter& Float(float value);
    JsonWriter& Double(double value);
    const std::string& Text() const { return out_; }

private:
    void Separate();
    std::string out_;
    bool needComma_ = false;
};
