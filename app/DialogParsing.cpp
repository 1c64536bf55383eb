#include "app/DialogParsing.h"

#include <limits>

#include "app/CommandLineValues.h"

namespace tolmero {
namespace {

// The white space of the C locale, which is what "%d" skips.
bool isCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One "%d" conversion starting at `pos`: optional white space, optional sign,
// at least one digit. On success stores the value (saturated to int32) and
// advances `pos` past the digits.
bool scanInt(std::string_view text, std::size_t& pos, std::int32_t& out) {
    std::size_t at = pos;
    while (at < text.size() && isCSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || !isDigit(text[at])) return false;

    // Accumulate the magnitude up to one past int32's largest negative value;
    // further digits are consumed but cannot move it.
    constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        if (magnitude < limit) magnitude = magnitude * 10 + (text[at] - '0');
    }
    if (magnitude > limit) magnitude = limit;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        out = std::numeric_limits<std::int32_t>::max();
    } else {
        out = static_cast<std::int32_t>(value);
    }
    pos = at;
    return true;
}

}  // namespace

int scanSizePair(std::string_view text, std::int32_t& first, std::int32_t& second) {
    std::size_t pos = 0;
    if (!scanInt(text, pos, first)) return 0;
    // The letter between the numbers must follow the first number directly.
    if (pos >= text.size() || text[pos] != 'x') return 1;
    ++pos;
    if (!scanInt(text, pos, second)) return 1;
    return 2;
}

LaunchSettings applyDialogChoice(const LaunchSettings& current, const DialogChoice& choice) {
    LaunchSettings next = current;
    next.started = 1;
    scanSizePair(choice.resolution, next.width, next.height);
    scanSizePair(choice.samples, next.supersample.x, next.supersample.y);
    if (choice.fullscreen) next.windowed = 0;
    return next;
}

DialogProblem checkDialogSettings(const LaunchSettings& settings, std::uint32_t maxImageDimension) {
    if (settings.width <= 0 || settings.height <= 0) {
        return {DialogField::Resolution, "The resolution " + std::to_string(settings.width) + "x" +
                                             std::to_string(settings.height) +
                                             " is not possible: both numbers must be positive."};
    }
    const SupersampleFactors& factors = settings.supersample;
    if (factors.x <= 0 || factors.y <= 0 || factors.x > kMaxSupersample || factors.y > kMaxSupersample) {
        return {DialogField::Samples, "Samples " + std::to_string(factors.x) + "x" + std::to_string(factors.y) +
                                          " is not possible: each factor must be between 1 and " +
                                          std::to_string(kMaxSupersample) + "."};
    }
    // In 64 bits: a large window times 16 overflows 32.
    const std::uint64_t renderWidth = static_cast<std::uint64_t>(settings.width) * factors.x;
    const std::uint64_t renderHeight = static_cast<std::uint64_t>(settings.height) * factors.y;
    if (renderWidth > maxImageDimension || renderHeight > maxImageDimension) {
        // The factors are the usual thing to lower, so point at them, unless
        // even one sample per pixel would not fit.
        const bool windowFits = static_cast<std::uint64_t>(settings.width) <= maxImageDimension &&
                                static_cast<std::uint64_t>(settings.height) <= maxImageDimension;
        return {windowFits ? DialogField::Samples : DialogField::Resolution,
                "The render size " + std::to_string(renderWidth) + "x" + std::to_string(renderHeight) +
                    " (resolution times samples) is larger than this device can draw: at most " +
                    std::to_string(maxImageDimension) + " pixels each way."};
    }
    return {};
}

}  // namespace tolmero
