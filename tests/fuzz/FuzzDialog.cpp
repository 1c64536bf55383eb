// The setup dialog's texts: any resolution and samples text read the way the
// dialog reads them, then checked as Start checks them. Whatever the text,
// a choice that passes the check is one the renderer can take.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/DialogParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\n');
    tolmero::DialogChoice choice;
    choice.resolution = std::string(text.substr(0, split));
    choice.samples = split == std::string_view::npos ? "4x4" : std::string(text.substr(split + 1));
    choice.fullscreen = size % 2 == 0;

    std::int32_t first = 7, second = 9;
    const int read = tolmero::scanSizePair(choice.resolution, first, second);
    if (read < 0 || read > 2) std::abort();
    if (read < 2 && second != 9) std::abort();  // numbers not read keep their values
    if (read == 0 && first != 7) std::abort();

    const tolmero::LaunchSettings before;
    const tolmero::LaunchSettings after = tolmero::applyDialogChoice(before, choice);
    if (after.started != 1) std::abort();
    const std::uint32_t maxImage = 16384;
    if (!tolmero::checkDialogSettings(after, maxImage)) {
        if (after.width <= 0 || after.height <= 0 || after.supersample.x < 1 || after.supersample.y < 1) std::abort();
        const std::uint64_t width = std::uint64_t(after.width) * std::uint64_t(after.supersample.x);
        const std::uint64_t height = std::uint64_t(after.height) * std::uint64_t(after.supersample.y);
        if (width > maxImage || height > maxImage) std::abort();
    }
    return 0;
}
