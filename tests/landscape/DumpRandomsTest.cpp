// `tolmero dump-randoms`: the file holds the eight fields, slice by slice, row
// by row, as little-endian floats equal to the CPU reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "reference/RandomReference.h"

namespace {

namespace ref = tolmero::reference;

std::string readText(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DumpRandomsTest, WritesEverySliceRowByRowAsTheReferenceComputesIt) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tolmero-dump-randoms-test";
    std::filesystem::create_directories(folder);
    const std::filesystem::path out = folder / "randoms.bin";
    const std::filesystem::path log = folder / "stderr.txt";
    const std::string command = std::string(TOLMERO_BUILD_DIR) + "/tolmero dump-randoms --out " + out.string() +
                                " 2> " + log.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << readText(log);
    const std::string messages = readText(log);
    EXPECT_EQ(messages.find("Vulkan validation"), std::string::npos) << messages;
    if (std::getenv("TOLMERO_VALIDATION")) {
        EXPECT_NE(messages.find("validation on"), std::string::npos) << "the program ran without validation";
    }

    std::ifstream file(out, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    constexpr std::size_t texels = std::size_t{ref::kFieldSize} * ref::kFieldSize;
    ASSERT_EQ(bytes.size(), texels * ref::kFieldSlices * 4);

    auto value = [&](int slice, int i, int j) {
        const std::size_t offset = ((static_cast<std::size_t>(slice) * ref::kFieldSize + j) * ref::kFieldSize + i) * 4;
        const std::uint32_t bits = bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
                                   (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
        float result;
        std::memcpy(&result, &bits, 4);
        return result;
    };
    std::mt19937 random(8);
    std::uniform_int_distribution<int> place(0, ref::kFieldSize - 1);
    for (int slice = 0; slice < ref::kFieldSlices; ++slice) {
        // Row and column order: (i, j) and (j, i) differ almost everywhere.
        for (const auto& [i, j] : {std::pair{0, 0}, std::pair{1023, 0}, std::pair{5, 900}, std::pair{900, 5}}) {
            EXPECT_NEAR(value(slice, i, j), ref::randomFieldTexel(slice, i, j), 2e-3f) << slice << ": " << i << ", " << j;
        }
        int close = 0;
        for (int k = 0; k < 40; ++k) {
            const int i = place(random);
            const int j = place(random);
            close += std::fabs(value(slice, i, j) - ref::randomFieldTexel(slice, i, j)) < 1e-4f;
        }
        EXPECT_GE(close, 39) << "slice " << slice;  // at most one texel near a square-root kink
    }
    std::filesystem::remove_all(folder);
}

TEST(DumpRandomsTest, ReportsAnUnwritableFile) {
    const std::string command =
        std::string(TOLMERO_BUILD_DIR) + "/tolmero dump-randoms --out /nonexistent-folder/randoms.bin 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
