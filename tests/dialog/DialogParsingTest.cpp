#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "app/DialogParsing.h"
#include "app/SetupDialog.h"

namespace tolmero {
namespace {

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

struct Scanned {
    int count;
    std::int32_t first;
    std::int32_t second;
};

// Both fields start at sentinels, so untouched fields are visible.
Scanned scan(const std::string& text) {
    Scanned result{0, 7, 9};
    result.count = scanSizePair(text, result.first, result.second);
    return result;
}

// sscanf itself is the reference wherever its result is defined: "800" sets
// only the first field, "x5" neither, " 3x 4" both, "0x720" is decimal.
TEST(ScanSizePair, AgreesWithSscanfOnOrdinaryTexts) {
    const char* texts[] = {
        "",     "   ",   "800",  "2560x1440", "2x3",   " 3x 4", "x5",          "-5x3",    "+5x+6",
        "3 x4", "3X4",   "12x",  "abc",       "0x720", "- 5x3", "5x-",         "007x010", "1x1x1",
        "x",    "4.5x2", "1e3x2", "0x0",      "-0x-0", "\t8x\n8", "1920x1080junk", "65536x65536",
    };
    for (const char* text : texts) {
        int expectedFirst = 7, expectedSecond = 9;
        int expectedCount = std::sscanf(text, "%dx%d", &expectedFirst, &expectedSecond);
        if (expectedCount < 0) expectedCount = 0;  // sscanf's EOF: nothing stored
        const Scanned got = scan(text);
        EXPECT_EQ(got.count, expectedCount) << "'" << text << "'";
        EXPECT_EQ(got.first, expectedFirst) << "'" << text << "'";
        EXPECT_EQ(got.second, expectedSecond) << "'" << text << "'";
    }
}

TEST(ScanSizePair, SaturatesNumbersBeyondInt32) {
    const Scanned huge = scan("99999999999x5");
    EXPECT_EQ(huge.count, 2);
    EXPECT_EQ(huge.first, kIntMax);
    EXPECT_EQ(huge.second, 5);

    const Scanned hugeNegative = scan("-99999999999x-123456789012345678901234567890");
    EXPECT_EQ(hugeNegative.first, kIntMin);
    EXPECT_EQ(hugeNegative.second, kIntMin);

    const Scanned limits = scan("2147483647x-2147483648");
    EXPECT_EQ(limits.first, kIntMax);
    EXPECT_EQ(limits.second, kIntMin);

    const Scanned justBeyond = scan("2147483648x-2147483649");
    EXPECT_EQ(justBeyond.first, kIntMax);
    EXPECT_EQ(justBeyond.second, kIntMin);
}

TEST(ApplyDialogChoice, StartWithTheDialogDefaults) {
    const LaunchSettings next = applyDialogChoice(LaunchSettings{}, {"1920x1080", "4x4", true});
    EXPECT_EQ(next.started, 1);
    EXPECT_EQ(next.width, 1920);
    EXPECT_EQ(next.height, 1080);
    EXPECT_EQ(next.supersample.x, 4);
    EXPECT_EQ(next.supersample.y, 4);
    EXPECT_EQ(next.windowed, 0);
}

TEST(ApplyDialogChoice, MissingNumbersKeepTheRecordsValues) {
    // Empty texts fall back to the record (1280 x 720), not to the list's selection.
    const LaunchSettings empty = applyDialogChoice(LaunchSettings{}, {"", "", false});
    EXPECT_EQ(empty.started, 1);
    EXPECT_EQ(empty.width, 1280);
    EXPECT_EQ(empty.height, 720);
    EXPECT_EQ(empty.supersample.x, 4);
    EXPECT_EQ(empty.supersample.y, 4);
    EXPECT_EQ(empty.windowed, 1);

    const LaunchSettings widthOnly = applyDialogChoice(LaunchSettings{}, {"800", "2x3", false});
    EXPECT_EQ(widthOnly.width, 800);
    EXPECT_EQ(widthOnly.height, 720);
    EXPECT_EQ(widthOnly.supersample.x, 2);
    EXPECT_EQ(widthOnly.supersample.y, 3);
}

TEST(ApplyDialogChoice, UncheckedBoxLeavesTheModeAsItWas) {
    LaunchSettings fullscreenBefore;
    fullscreenBefore.windowed = 0;
    EXPECT_EQ(applyDialogChoice(fullscreenBefore, {"1280x720", "1x1", false}).windowed, 0);
    EXPECT_EQ(applyDialogChoice(LaunchSettings{}, {"1280x720", "1x1", false}).windowed, 1);
}

LaunchSettings settingsOf(std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y) {
    LaunchSettings settings;
    settings.width = width;
    settings.height = height;
    settings.supersample = {x, y};
    return settings;
}

TEST(CheckDialogSettings, AcceptsEverySupportedChoice) {
    EXPECT_FALSE(checkDialogSettings(settingsOf(1920, 1080, 4, 4), 16384));
    EXPECT_FALSE(checkDialogSettings(settingsOf(1, 1, 1, 1), 16384));
    EXPECT_FALSE(checkDialogSettings(settingsOf(1024, 512, 16, 16), 16384));  // exactly at the limit
    EXPECT_FALSE(checkDialogSettings(settingsOf(1920, 1080, 2, 3), 16384));
    EXPECT_FALSE(checkDialogSettings(settingsOf(16384, 16384, 1, 1), 16384));
}

TEST(CheckDialogSettings, RefusesSizesThatAreNotPositive) {
    for (const LaunchSettings& settings :
         {settingsOf(0, 720, 4, 4), settingsOf(-5, 3, 4, 4), settingsOf(1280, 0, 4, 4), settingsOf(kIntMin, 1, 1, 1)}) {
        const DialogProblem problem = checkDialogSettings(settings, 16384);
        EXPECT_EQ(problem.field, DialogField::Resolution);
        EXPECT_NE(problem.message.find(std::to_string(settings.width) + "x" + std::to_string(settings.height)),
                  std::string::npos)
            << problem.message;
    }
}

TEST(CheckDialogSettings, RefusesFactorsOutsideOneToSixteen) {
    for (const LaunchSettings& settings : {settingsOf(640, 480, 0, 4), settingsOf(640, 480, 4, -1),
                                           settingsOf(64, 64, 17, 1), settingsOf(64, 64, 1, 17)}) {
        const DialogProblem problem = checkDialogSettings(settings, 16384);
        EXPECT_EQ(problem.field, DialogField::Samples);
        EXPECT_NE(problem.message.find("between 1 and 16"), std::string::npos) << problem.message;
    }
}

TEST(CheckDialogSettings, RefusesRenderSizesBeyondTheDevice) {
    const DialogProblem tooManySamples = checkDialogSettings(settingsOf(1920, 1080, 16, 16), 16384);
    EXPECT_EQ(tooManySamples.field, DialogField::Samples);
    EXPECT_NE(tooManySamples.message.find("30720x17280"), std::string::npos) << tooManySamples.message;
    EXPECT_NE(tooManySamples.message.find("16384"), std::string::npos) << tooManySamples.message;

    // One axis over is enough; the limit comes from the caller.
    EXPECT_EQ(checkDialogSettings(settingsOf(1920, 1080, 4, 4), 4096).field, DialogField::Samples);
    EXPECT_EQ(checkDialogSettings(settingsOf(100, 4097, 1, 1), 4096).field, DialogField::Resolution);

    // A saturated width times 16 must not wrap around into an accepted size.
    const DialogProblem huge = checkDialogSettings(settingsOf(kIntMax, 5, 16, 1), 16384);
    EXPECT_EQ(huge.field, DialogField::Resolution);
    EXPECT_NE(huge.message.find("34359738352x5"), std::string::npos) << huge.message;
}

TEST(ShowSetupDialog, ReportsAMissingDisplayInsteadOfFailingHard) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    LaunchSettings settings;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(showSetupDialog(settings));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("no graphical display"), std::string::npos) << printed;
    EXPECT_EQ(settings.started, 0);
    EXPECT_EQ(settings.width, 1280);
}

}  // namespace
}  // namespace tolmero
