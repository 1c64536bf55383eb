#pragma once
// Parsing of the command line's values: sizes such as "1920x1080" and "4x4",
// and beat lists such as "10,45.5,300". Each parser returns an error text for
// bad input instead of guessing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmero {

struct SizeArgument {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Supersampling factors beyond this on either axis are refused.
constexpr std::int32_t kMaxSupersample = 16;

// "<int>x<int>" with both numbers positive; `what` names the value in the
// error text ("resolution", "samples").
std::optional<SizeArgument> parseSize(std::string_view text, std::string_view what, std::string& error);

// One finite beat number, in double; nothing for anything else.
std::optional<double> parseBeatValue(std::string_view text);

// A comma-separated list of finite beat numbers.
std::optional<std::vector<float>> parseBeats(std::string_view text, std::string& error);

// A span of the production in beats, both ends included.
struct BeatRange {
    double first = 0.0;
    double end = 0.0;
};

// Whether `beat` lies in `range`; otherwise false with the refusal in `error`.
bool checkBeatInProduction(double beat, const BeatRange& range, std::string& error);

// Resolution and factors together: positive, factors at most kMaxSupersample,
// and the render size within `maxImageDimension` on each axis.
bool checkRenderSettings(SizeArgument resolution, SizeArgument samples, std::uint32_t maxImageDimension,
                         std::string& error);

}  // namespace tolmero
