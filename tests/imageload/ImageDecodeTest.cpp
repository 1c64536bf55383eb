// Decoding with the pixel-format rules, the texel sizes, the frame fill-in
// and bad data, on images encoded in the test. CPU only.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/ImageLoader.h"
#include "tests/imageload/ImageTestSupport.h"

using namespace tolmero;
using namespace tolmero::gpu;
using imagetest::encodeJpeg;
using imagetest::encodePng;
using imagetest::PngLayout;

namespace {

std::vector<std::uint8_t> bytesOf(const DecodedImage& image) {
    return std::vector<std::uint8_t>(image.staging.begin(), image.staging.end());
}

std::vector<std::uint8_t> host16(std::initializer_list<std::uint16_t> values) {
    std::vector<std::uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

// CRC-32 of PNG chunks (ISO 3309, reflected, polynomial 0xEDB88320).
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace

TEST(ImageDecode, RgbaPngIsUsedDirectlyAsUnormWhateverLinearSays) {
    const std::vector<std::uint8_t> rgba = {10, 20, 30, 40, 250, 0, 128, 255, 0, 0, 0, 0, 1, 2, 3, 4};
    const std::vector<std::uint8_t> png = imagetest::rgbaPng(2, 2, rgba);
    for (bool linear : {false, true}) {
        const DecodedImage image = decodeImage(png, linear);
        ASSERT_TRUE(image.ok()) << image.error;
        EXPECT_EQ(image.sourceFormat, WicPixelFormat::Format32bppRGBA);
        EXPECT_EQ(image.format, DXGI_FORMAT_R8G8B8A8_UNORM) << "linear " << linear;
        EXPECT_EQ(image.width, 2u);
        EXPECT_EQ(image.height, 2u);
        EXPECT_EQ(image.frameCount, 1u);
        EXPECT_EQ(bytesOf(image), rgba);
    }
}

TEST(ImageDecode, RgbPngAndJpegAreConvertedToSrgbOrUnormByLinear) {
    const std::vector<std::uint8_t> rgb = {200, 100, 50, 0, 255, 7};
    const std::vector<std::uint8_t> png = imagetest::rgbPng(2, 1, rgb);
    // A uniform block survives JPEG's quantisation almost exactly.
    std::vector<std::uint8_t> orange(16 * 16 * 3);
    for (std::size_t i = 0; i < orange.size(); i += 3) orange[i] = 230, orange[i + 1] = 120, orange[i + 2] = 40;
    const std::vector<std::uint8_t> orangeJpeg = encodeJpeg(16, 16, 3, orange);

    for (bool linear : {false, true}) {
        const DXGI_FORMAT expected = linear ? DXGI_FORMAT_R8G8B8A8_UNORM : DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
        const DecodedImage fromPng = decodeImage(png, linear);
        ASSERT_TRUE(fromPng.ok()) << fromPng.error;
        EXPECT_EQ(fromPng.sourceFormat, WicPixelFormat::Format24bppRGB);
        EXPECT_EQ(fromPng.format, expected);
        EXPECT_EQ(fromPng.texelBytes, 4u);
        EXPECT_EQ(bytesOf(fromPng), (std::vector<std::uint8_t>{200, 100, 50, 255, 0, 255, 7, 255}));

        const DecodedImage fromJpeg = decodeImage(orangeJpeg, linear);
        ASSERT_TRUE(fromJpeg.ok()) << fromJpeg.error;
        EXPECT_EQ(fromJpeg.sourceFormat, WicPixelFormat::Format24bppBGR);
        EXPECT_EQ(fromJpeg.format, expected);
        ASSERT_EQ(fromJpeg.staging.size(), 16u * 16u * 4u);
        for (std::size_t i = 0; i < fromJpeg.staging.size(); i += 4) {
            ASSERT_NEAR(fromJpeg.staging[i], 230, 2);
            ASSERT_NEAR(fromJpeg.staging[i + 1], 120, 2);
            ASSERT_NEAR(fromJpeg.staging[i + 2], 40, 2);
            ASSERT_EQ(fromJpeg.staging[i + 3], 255);
        }
    }
}

TEST(ImageDecode, GreyAndSixteenBitFormatsMapDirectly) {
    const DecodedImage grey8 = decodeImage(encodePng({3, 1, 0, 8, {0, 77, 255}, {}, {}, {}}), false);
    ASSERT_TRUE(grey8.ok()) << grey8.error;
    EXPECT_EQ(grey8.format, DXGI_FORMAT_R8_UNORM);
    EXPECT_EQ(grey8.texelBytes, 1u);
    EXPECT_EQ(bytesOf(grey8), (std::vector<std::uint8_t>{0, 77, 255}));

    const DecodedImage grey16 = decodeImage(encodePng({2, 1, 0, 16, host16({1, 65000}), {}, {}, {}}), false);
    ASSERT_TRUE(grey16.ok()) << grey16.error;
    EXPECT_EQ(grey16.format, DXGI_FORMAT_R16_UNORM);
    EXPECT_EQ(bytesOf(grey16), host16({1, 65000}));

    const DecodedImage rgba16 =
        decodeImage(encodePng({1, 1, 6, 16, host16({1000, 2000, 60000, 65535}), {}, {}, {}}), true);
    ASSERT_TRUE(rgba16.ok()) << rgba16.error;
    EXPECT_EQ(rgba16.format, DXGI_FORMAT_R16G16B16A16_UNORM);
    EXPECT_EQ(rgba16.texelBytes, 8u);
    EXPECT_EQ(bytesOf(rgba16), host16({1000, 2000, 60000, 65535}));

    // A grey JPEG is 8-bit grey as well.
    const DecodedImage greyJpeg = decodeImage(encodeJpeg(8, 8, 1, std::vector<std::uint8_t>(64, 90)), false);
    ASSERT_TRUE(greyJpeg.ok()) << greyJpeg.error;
    EXPECT_EQ(greyJpeg.format, DXGI_FORMAT_R8_UNORM);
    for (std::uint8_t v : greyJpeg.staging) ASSERT_NEAR(v, 90, 1);
}

TEST(ImageDecode, SixteenBitRgbRoundsToTheNearestEightBitValue) {
    // 200 / 257 = 0.78 rounds up where dropping the low byte would give 0;
    // 32767 / 257 = 127.5 - 0.002 rounds down, 32768 / 257 up.
    const std::vector<std::uint16_t> values = {0, 128, 129, 200, 257, 32767, 32768, 65406, 65407, 65535, 12345, 54321};
    std::vector<std::uint8_t> samples;
    for (std::uint16_t v : values) {
        const std::vector<std::uint8_t> triple = host16({v, v, v});
        samples.insert(samples.end(), triple.begin(), triple.end());
    }
    const std::uint32_t width = static_cast<std::uint32_t>(values.size());
    for (bool linear : {true, false}) {
        const DecodedImage image = decodeImage(encodePng({width, 1, 2, 16, samples, {}, {}, {}}), linear);
        ASSERT_TRUE(image.ok()) << image.error;
        EXPECT_EQ(image.sourceFormat, WicPixelFormat::Format48bppRGB);
        EXPECT_EQ(image.format, linear ? DXGI_FORMAT_R8G8B8A8_UNORM : DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const long expected = std::lround(values[i] * 255.0 / 65535.0);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(image.staging[4 * i + c], expected) << "sample " << values[i];
            EXPECT_EQ(image.staging[4 * i + 3], 255);
        }
    }
    const DecodedImage spot = decodeImage(encodePng({2, 1, 2, 16, host16({200, 32767, 32768, 0, 0, 0}), {}, {}, {}}),
                                          true);
    EXPECT_EQ(bytesOf(spot), (std::vector<std::uint8_t>{1, 127, 128, 255, 0, 0, 0, 255}));
}

TEST(ImageDecode, PaletteGreyAlphaAndTransparentColoursBecomeRgbaWithTheirAlpha) {
    PngLayout palette{2, 1, 3, 8, {0, 1}, {255, 0, 0, 0, 0, 255}, {128}, {}};
    const DecodedImage indexed = decodeImage(encodePng(palette), true);
    ASSERT_TRUE(indexed.ok()) << indexed.error;
    EXPECT_EQ(indexed.sourceFormat, WicPixelFormat::Format8bppIndexed);
    EXPECT_EQ(bytesOf(indexed), (std::vector<std::uint8_t>{255, 0, 0, 128, 0, 0, 255, 255}));

    const DecodedImage greyAlpha = decodeImage(encodePng({1, 1, 4, 8, {60, 70}, {}, {}, {}}), false);
    ASSERT_TRUE(greyAlpha.ok()) << greyAlpha.error;
    EXPECT_EQ(greyAlpha.format, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(bytesOf(greyAlpha), (std::vector<std::uint8_t>{60, 60, 60, 70}));

    // RGB with a transparent colour: that colour's pixels get alpha 0.
    const DecodedImage keyed = decodeImage(encodePng({2, 1, 2, 8, {1, 2, 3, 4, 5, 6}, {}, {}, {4, 5, 6}}), true);
    ASSERT_TRUE(keyed.ok()) << keyed.error;
    EXPECT_EQ(keyed.sourceFormat, WicPixelFormat::FormatTransparentColour);
    EXPECT_EQ(bytesOf(keyed), (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 0}));

    // 1-bit grey scales to the full 8-bit range.
    const DecodedImage bits = decodeImage(encodePng({8, 1, 0, 1, {0b10100000}, {}, {}, {}}), true);
    ASSERT_TRUE(bits.ok()) << bits.error;
    EXPECT_EQ(bits.sourceFormat, WicPixelFormat::FormatLowDepthGray);
    EXPECT_EQ(bits.staging[0], 255);
    EXPECT_EQ(bits.staging[4], 0);
    EXPECT_EQ(bits.staging[8], 255);
}

TEST(ImageDecode, BytesPerTexelFollowsTheFormatNumberRanges) {
    struct Range {
        std::uint32_t first, last, bytes;
    };
    const Range ranges[] = {{1, 4, 16},   {5, 8, 12},    {9, 22, 8},     {23, 47, 4},  {48, 59, 2},
                            {60, 66, 1},  {67, 69, 4},   {85, 86, 2},    {87, 93, 4},  {113, 113, 1},
                            {114, 114, 2}, {115, 115, 4}};
    std::vector<std::uint32_t> expected(200, kNoTexelSize);
    for (const Range& r : ranges)
        for (std::uint32_t f = r.first; f <= r.last; ++f) expected[f] = r.bytes;
    for (std::uint32_t f = 0; f < expected.size(); ++f) EXPECT_EQ(bytesPerTexel(f), expected[f]) << "format " << f;

    // Every format of the direct table has a size, and the table has 17 rows.
    EXPECT_EQ(std::size(kDirectPixelFormats), 17u);
    for (const DirectPixelFormat& row : kDirectPixelFormats) EXPECT_NE(bytesPerTexel(row.dxgi), kNoTexelSize);
    EXPECT_EQ(directDxgiFormat(WicPixelFormat::Format24bppBGR), DXGI_FORMAT_UNKNOWN);
}

TEST(ImageDecode, FillInCopiesAllZeroPixelsFromTheFrameBefore) {
    // Three frames of 2 x 1 texels, already decoded one after another.
    std::vector<std::uint8_t> staging = {
        9, 8, 7, 6,   1, 2, 3, 4,   // frame 0
        0, 0, 0, 0,   0, 0, 0, 1,   // frame 1: an empty pixel and a nearly empty one
        0, 0, 0, 0,   5, 5, 5, 5,   // frame 2: an empty pixel again
    };
    const std::vector<std::uint8_t> frame0(staging.begin(), staging.begin() + 8);
    fillInFrame(staging, 2, 1, 0);  // frame 0 has nothing before it
    fillInFrame(staging, 2, 1, 1);
    fillInFrame(staging, 2, 1, 2);
    EXPECT_EQ(std::vector<std::uint8_t>(staging.begin(), staging.begin() + 8), frame0);
    EXPECT_EQ(std::vector<std::uint8_t>(staging.begin() + 8, staging.begin() + 16),
              (std::vector<std::uint8_t>{9, 8, 7, 6, 0, 0, 0, 1}));
    // Frame 2 takes frame 1's pixel as filled in, which came from frame 0.
    EXPECT_EQ(std::vector<std::uint8_t>(staging.begin() + 16, staging.end()),
              (std::vector<std::uint8_t>{9, 8, 7, 6, 5, 5, 5, 5}));

    // A buffer too small for the frame is left alone.
    std::vector<std::uint8_t> small = {1, 1, 1, 1, 0, 0, 0, 0};
    fillInFrame(small, 2, 1, 1);
    EXPECT_EQ(small, (std::vector<std::uint8_t>{1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(ImageDecode, BadDataGivesAnErrorInsteadOfPixels) {
    const std::vector<std::uint8_t> png = imagetest::rgbaPng(4, 4, std::vector<std::uint8_t>(64, 200));
    const std::vector<std::uint8_t> jpeg = encodeJpeg(16, 16, 3, std::vector<std::uint8_t>(16 * 16 * 3, 100));

    EXPECT_FALSE(decodeImage({}, false).ok());
    const std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_NE(decodeImage(text, false).error.find("neither"), std::string::npos);
    EXPECT_FALSE(decodeImage(std::span(png).first(20), false).ok()) << "cut inside the header";
    EXPECT_FALSE(decodeImage(std::span(png).first(png.size() - 20), false).ok()) << "cut inside the data";

    std::vector<std::uint8_t> corrupt = png;
    corrupt[corrupt.size() / 2 + 10] ^= 0x55;  // inside the compressed data: its chunk CRC no longer matches
    EXPECT_FALSE(decodeImage(corrupt, false).ok());

    // A header that claims 100000 x 100000 texels is refused before anything
    // is allocated.
    std::vector<std::uint8_t> huge = png;
    const std::uint8_t edge[4] = {0x00, 0x01, 0x86, 0xA0};
    std::memcpy(&huge[16], edge, 4);
    std::memcpy(&huge[20], edge, 4);
    const std::uint32_t crc = crc32(std::span(huge).subspan(12, 17));  // chunk type and IHDR data
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    const DecodedImage refused = decodeImage(huge, false);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.error.find("limit"), std::string::npos) << refused.error;

    // Headers that promise far more texels than their file could hold are
    // refused before the buffers are allocated. Found by fuzzing: a 29-byte
    // PNG cut inside its IHDR that asked for 4098 x 12546 texels of 16-bit
    // RGB (205 MB decoded).
    const std::vector<std::uint8_t> liar = {0x89, 'P',  'N',  'G',  0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00,
                                            0x00, 0x0d, 'I',  'H',  'D',  'R',  0x00, 0x00, 0x10, 0x02,
                                            0x00, 0x00, 0x31, 0x02, 0x10, 0x02, 0x00, 0x00, 0x00};
    const DecodedImage lie = decodeImage(liar, false);
    EXPECT_NE(lie.error.find("cannot fit in a file of 29 bytes"), std::string::npos) << lie.error;
    std::vector<std::uint8_t> bigJpeg = jpeg;
    for (std::size_t i = 0; i + 8 < bigJpeg.size(); ++i) {
        if (bigJpeg[i] == 0xFF && bigJpeg[i + 1] == 0xC0) {  // start of frame: height, then width at +5
            bigJpeg[i + 5] = bigJpeg[i + 7] = 0x1F;
            bigJpeg[i + 6] = bigJpeg[i + 8] = 0x40;  // 8000 x 8000
            break;
        }
    }
    EXPECT_NE(decodeImage(bigJpeg, false).error.find("cannot fit"), std::string::npos);

    EXPECT_FALSE(decodeImage(std::span(jpeg).first(10), false).ok()) << "cut inside the JPEG header";
    EXPECT_FALSE(decodeImage(std::span(jpeg).first(jpeg.size() - 30), false).ok()) << "cut before the scan";
    // A JPEG cut inside its scan keeps what could be decoded.
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    const std::vector<std::uint8_t> noisy = encodeJpeg(64, 64, 3, noise);
    const DecodedImage cut = decodeImage(std::span(noisy).first(noisy.size() - 200), false);
    ASSERT_TRUE(cut.ok()) << cut.error;
    EXPECT_EQ(cut.staging.size(), 64u * 64u * 4u);
}

TEST(ImageDecode, ImageSizeComesFromTheHeaderAlone) {
    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint8_t> png = imagetest::rgbaPng(7, 3, std::vector<std::uint8_t>(7 * 3 * 4, 1));
    ASSERT_TRUE(readImageSize(std::span(png).first(33), width, height));  // signature and IHDR only
    EXPECT_EQ(width, 7u);
    EXPECT_EQ(height, 3u);
    const std::vector<std::uint8_t> jpeg = encodeJpeg(24, 8, 3, std::vector<std::uint8_t>(24 * 8 * 3, 9));
    ASSERT_TRUE(readImageSize(jpeg, width, height));
    EXPECT_EQ(width, 24u);
    EXPECT_EQ(height, 8u);
    EXPECT_FALSE(readImageSize(std::span(png).first(12), width, height));
}
