#pragma once
// JSON output of the commands (`inspect`, `bench --json`): the documents are
// nlohmann-json values whose objects keep their keys in the order they were
// added. jsonText writes one as a single line, numbers from floats and
// doubles with nine significant digits (enough to read the same float back).

#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

namespace tolmero {

using Json = nlohmann::ordered_json;

// `value` as one line without spaces. Floating-point numbers are written as
// printf's %.9g writes them ("268.130005", "7680", "-0", "1e+30"), NaN and
// the infinities as null; everything else as nlohmann-json writes it, with
// bytes that are not UTF-8 replaced by U+FFFD.
std::string jsonText(const Json& value);

}  // namespace tolmero
