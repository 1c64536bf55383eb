#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "app/CommandLineValues.h"

namespace tolmero {
namespace {

TEST(CommandLineValues, Sizes) {
    std::string error;
    const auto size = parseSize("2560x1440", "resolution", error);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->x, 2560);
    EXPECT_EQ(size->y, 1440);
    for (const char* bad : {"", "800", "0x720", "-1x720", "1280x", "x720", "1280x720x3", "12a0x720", "1280 x 720",
                            "99999999999x1"}) {
        error.clear();
        EXPECT_FALSE(parseSize(bad, "resolution", error)) << bad;
        EXPECT_NE(error.find("resolution"), std::string::npos) << bad;
    }
}

TEST(CommandLineValues, Beats) {
    std::string error;
    const auto beats = parseBeats("10, 45.5,-2,268.13", error);
    ASSERT_TRUE(beats);
    EXPECT_EQ(*beats, (std::vector<float>{10.0f, 45.5f, -2.0f, 268.13f}));
    for (const char* bad : {"", "nan", "1,inf", "1,,2", "1e39", "ten", "5,"}) {
        EXPECT_FALSE(parseBeats(bad, error)) << bad;
    }
}

TEST(CommandLineValues, RenderSettingsLimits) {
    std::string error;
    EXPECT_TRUE(checkRenderSettings({1920, 1080}, {4, 4}, 16384, error));
    EXPECT_TRUE(checkRenderSettings({1920, 1080}, {2, 3}, 16384, error));
    EXPECT_FALSE(checkRenderSettings({1920, 1080}, {16, 16}, 16384, error));  // 30720 wide
    EXPECT_NE(error.find("30720x17280"), std::string::npos);
    EXPECT_FALSE(checkRenderSettings({640, 360}, {17, 1}, 16384, error));
    EXPECT_FALSE(checkRenderSettings({640, 360}, {0, 1}, 16384, error));
    EXPECT_FALSE(checkRenderSettings({0, 360}, {1, 1}, 16384, error));
}

struct ProcessResult {
    int exitCode;
    std::string out;
};

ProcessResult runTolmero(const std::string& arguments) {
    const std::string command = std::string(TOLMERO_BUILD_DIR) + "/tolmero " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WEXITSTATUS(status), out};
}

TEST(InspectCommand, PrintsOneObjectPerBeat) {
    const ProcessResult run = runTolmero("inspect --beats 268.13,10");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::size_t newline = run.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    const std::string first = run.out.substr(0, newline);
    EXPECT_EQ(first.rfind("{\"beat\":268.130005,\"scene\":3,\"title\":1,", 0), 0u) << first;
    // The "title" track's y at 268.13 lies on the line between its keys.
    const std::size_t title = first.find("\"title\":[");
    ASSERT_NE(title, std::string::npos);
    const std::size_t comma = first.find(',', title);
    EXPECT_EQ(first.substr(comma + 1, 7), "1.29892") << first.substr(title, 60);
    for (const char* key : {"\"tracks\":{", "\"camera\":{\"worldToCamera\":[", "\"screenSize\":[7680,4320]",
                            "\"transforms\":[[", "\"stumpData\":{\"position\":[", "\"animInfo\":{\"location\":[",
                            "\"bloomStrength\":"})
        EXPECT_NE(first.find(key), std::string::npos) << key;
    EXPECT_EQ(run.out.substr(newline + 1).rfind("{\"beat\":10,\"scene\":2,\"title\":-5,", 0), 0u);
}

TEST(InspectCommand, RefusesBadInput) {
    for (const char* arguments : {"inspect --beats nan", "inspect --beats 1,x", "inspect --beats 5 --resolution 0x5",
                                  "inspect --beats 5 --samples 1x17", "inspect"}) {
        const ProcessResult run = runTolmero(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << ": " << run.out;
        EXPECT_FALSE(run.out.empty()) << arguments;
    }
}

}  // namespace
}  // namespace tolmero
