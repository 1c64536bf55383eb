#include "tools/Json.h"

#include <cmath>
#include <cstdio>

namespace tolmero {
namespace {

std::string leafText(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// nlohmann-json writes doubles as their shortest round trip, which spells a
// float's value with up to 17 digits; the commands keep the float's nine.
void appendText(std::string& out, const Json& value) {
    switch (value.type()) {
        case Json::value_t::object: {
            out += '{';
            for (auto item = value.begin(); item != value.end(); ++item) {
                if (item != value.begin()) out += ',';
                out += leafText(item.key());
                out += ':';
                appendText(out, item.value());
            }
            out += '}';
            break;
        }
        case Json::value_t::array: {
            out += '[';
            for (auto item = value.begin(); item != value.end(); ++item) {
                if (item != value.begin()) out += ',';
                appendText(out, *item);
            }
            out += ']';
            break;
        }
        case Json::value_t::number_float: {
            const double number = value.get<double>();
            if (!std::isfinite(number)) {
                out += "null";
            } else {
                char text[32];
                std::snprintf(text, sizeof text, "%.9g", number);
                out += text;
            }
            break;
        }
        default:
            out += leafText(value);
    }
}

}  // namespace

std::string jsonText(const Json& value) {
    std::string out;
    appendText(out, value);
    return out;
}

}  // namespace tolmero
