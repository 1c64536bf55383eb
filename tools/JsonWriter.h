#pragma once
// A small streaming JSON writer for the command line's machine-readable
// output. Floats are written with enough digits to read back the same float;
// values that JSON cannot hold (NaN, infinities) are written as null.

#include <cmath>
#include <cstdio>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolmero {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& key(std::string_view name) {
        separate();
        writeString(name);
        out_ << ':';
        afterKey_ = true;
        return *this;
    }

    JsonWriter& value(double number) {
        separate();
        if (!std::isfinite(number)) {
            out_ << "null";
        } else {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.9g", number);
            out_ << buffer;
        }
        return *this;
    }
    JsonWriter& value(float number) { return value(static_cast<double>(number)); }
    JsonWriter& value(long long number) {
        separate();
        out_ << number;
        return *this;
    }
    JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(unsigned number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(std::string_view text) {
        separate();
        writeString(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(bool flag) {
        separate();
        out_ << (flag ? "true" : "false");
        return *this;
    }

    JsonWriter& floats(std::span<const float> numbers) {
        beginArray();
        for (float number : numbers) value(number);
        return endArray();
    }

private:
    JsonWriter& open(char bracket) {
        separate();
        out_ << bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char bracket) {
        out_ << bracket;
        first_.pop_back();
        return *this;
    }
    void separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (!first_.empty()) {
            if (!first_.back()) out_ << ',';
            first_.back() = false;
        }
    }
    void writeString(std::string_view text) {
        out_ << '"';
        for (char c : text) {
            switch (c) {
                case '"': out_ << "\\\""; break;
                case '\\': out_ << "\\\\"; break;
                case '\n': out_ << "\\n"; break;
                case '\t': out_ << "\\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        char buffer[8];
                        std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                        out_ << buffer;
                    } else {
                        out_ << c;
                    }
            }
        }
        out_ << '"';
    }

    std::ostream& out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

}  // namespace tolmero
