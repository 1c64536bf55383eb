// PNG and JPEG decoding with its format rules: any bytes, linear or not. A
// decode either fails with a reason or delivers exactly the pixels its
// description promises; the header reading agrees with the decode.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "render/ImageDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool linear = data[0] & 1;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    const tolmero::DecodedImage image = tolmero::decodeImage(bytes, linear);
    std::uint32_t width = 0, height = 0;
    const bool headerRead = tolmero::readImageSize(bytes, width, height);
    if (!image.ok()) return 0;

    if (image.width == 0 || image.height == 0 || image.frameCount == 0) std::abort();
    if (image.texelBytes != tolmero::bytesPerTexel(image.format)) std::abort();
    if (image.staging.size() !=
        std::size_t(image.width) * image.height * image.texelBytes * image.frameCount)
        std::abort();
    if (!headerRead || width != image.width || height != image.height) std::abort();
    // Touch every byte, so that the sanitizers see any that were never written.
    volatile std::uint8_t sum = 0;
    for (std::uint8_t byte : image.staging) sum = sum + byte;
    return 0;
}
