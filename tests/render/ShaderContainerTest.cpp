#include "render/ShaderContainer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace tolmero {
namespace {

std::uint64_t lengthField(const std::vector<std::uint8_t>& container) {
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i) {
        length = (length << 8) | container[16 + static_cast<std::size_t>(i)];
    }
    return length;
}

TEST(ShaderContainer, WrapsTheBlobAfterA24ByteHeader) {
    std::vector<std::uint8_t> blob(300);
    std::iota(blob.begin(), blob.end(), std::uint8_t{7});
    const std::vector<std::uint8_t> container = makeShaderContainer(blob);
    ASSERT_EQ(container.size(), 24 + blob.size());
    EXPECT_EQ(lengthField(container), 300u);
    EXPECT_TRUE(std::equal(blob.begin(), blob.end(), container.begin() + 24));

    const auto read = shaderBlobOf(container);
    EXPECT_EQ(read.size(), blob.size());
    EXPECT_TRUE(std::equal(read.begin(), read.end(), blob.begin()));
}

TEST(ShaderContainer, BlobLengthComesFromTheSizeNotTheLengthField) {
    std::vector<std::uint8_t> blob(40, 0xAB);
    std::vector<std::uint8_t> container = makeShaderContainer(blob);
    for (std::size_t i = 16; i < 24; ++i) {
        container[i] = 0xFF;  // claims an absurd length
    }
    EXPECT_EQ(shaderBlobOf(container).size(), 40u);
    container[16] = 3;  // claims a shorter one
    std::memset(&container[17], 0, 7);
    EXPECT_EQ(shaderBlobOf(container).size(), 40u);
}

TEST(ShaderContainer, ContainersWithoutABlob) {
    const std::vector<std::uint8_t> empty = makeShaderContainer({});
    EXPECT_EQ(empty.size(), 24u);
    EXPECT_TRUE(shaderBlobOf(empty).empty());
    // Shorter than the header: no blob rather than a wrapped-around length.
    const std::vector<std::uint8_t> truncated(10, 0);
    EXPECT_TRUE(shaderBlobOf(truncated).empty());
}

}  // namespace
}  // namespace tolmero
