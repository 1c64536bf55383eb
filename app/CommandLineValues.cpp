#include "app/CommandLineValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tolmero {
namespace {

std::optional<std::int32_t> parsePositiveInt(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
    return value;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<SizeArgument> parseSize(std::string_view text, std::string_view what, std::string& error) {
    const std::size_t separator = text.find('x');
    if (separator != std::string_view::npos) {
        const auto x = parsePositiveInt(text.substr(0, separator));
        const auto y = parsePositiveInt(text.substr(separator + 1));
        if (x && y) return SizeArgument{*x, *y};
    }
    error = "invalid " + std::string(what) + " '" + std::string(text) +
            "': expected two positive whole numbers such as 1920x1080";
    return std::nullopt;
}

std::optional<double> parseBeatValue(std::string_view text) {
    const std::string item(trim(text));
    char* end = nullptr;
    const double value = item.empty() ? NAN : std::strtod(item.c_str(), &end);
    if (item.empty() || end != item.c_str() + item.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::vector<float>> parseBeats(std::string_view text, std::string& error) {
    std::vector<float> beats;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item =
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        const auto value = parseBeatValue(item);
        if (!value || !std::isfinite(static_cast<float>(*value))) {
            error = "invalid beat '" + std::string(trim(item)) + "': every beat must be a finite number";
            return std::nullopt;
        }
        beats.push_back(static_cast<float>(*value));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return beats;
}

bool checkBeatInProduction(double beat, const BeatRange& range, std::string& error) {
    if (beat >= range.first && beat <= range.end) return true;
    char text[160];
    std::snprintf(text, sizeof text, "beat %g lies outside the production, which runs from beat %g to beat %g", beat,
                  range.first, range.end);
    error = text;
    return false;
}

bool checkRenderSettings(SizeArgument resolution, SizeArgument samples, std::uint32_t maxImageDimension,
                         std::string& error) {
    if (resolution.x <= 0 || resolution.y <= 0) {
        error = "the resolution must be positive";
        return false;
    }
    if (samples.x <= 0 || samples.y <= 0 || samples.x > kMaxSupersample || samples.y > kMaxSupersample) {
        error = "the supersampling factors must be between 1 and " + std::to_string(kMaxSupersample);
        return false;
    }
    const std::uint64_t width = static_cast<std::uint64_t>(resolution.x) * static_cast<std::uint64_t>(samples.x);
    const std::uint64_t height = static_cast<std::uint64_t>(resolution.y) * static_cast<std::uint64_t>(samples.y);
    if (width > maxImageDimension || height > maxImageDimension) {
        error = "the render size " + std::to_string(width) + "x" + std::to_string(height) +
                " (resolution times samples) exceeds the largest image the device supports (" +
                std::to_string(maxImageDimension) + ")";
        return false;
    }
    return true;
}

}  // namespace tolmero
