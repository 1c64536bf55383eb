// The GPU profiler's report: a total line, an empty line, one line per
// marked section in marking order ending with "this log", and none for "end".
#include <regex>
#include <sstream>

#include "RendererTestSupport.h"
#include "render/GpuResources.h"
#include "render/Profiler.h"

namespace rendertest {
namespace {

using namespace tolmero;
using namespace tolmero::gpu;

using Profiler = RendererTest;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(Profiler, ReportListsTheMarkedSectionsInOrderTwoFramesLater) {
    endFrame();  // closes whatever earlier tests left open
    reportProfiledFrames(*currentRenderer(), 0);
    profilerMark("a");
    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 64, 64, D3D11_BIND_RENDER_TARGET, 0);
    clearTarget(target, {1, 1, 1, 1});
    profilerMark("b");
    EXPECT_TRUE(endFrame()) << "a headless renderer never quits";
    // The frame waits for its report while the GPU runs the next two.
    EXPECT_EQ(currentRenderer()->unreportedFrames.size(), 1u);
    EXPECT_EQ(profilerReport().find("\na "), std::string::npos) << profilerReport();
    profilerMark("c");
    endFrame();
    EXPECT_EQ(profilerReport().find("\na "), std::string::npos) << profilerReport();
    endFrame();

    const std::vector<std::string> lines = linesOf(profilerReport());
    ASSERT_EQ(lines.size(), 5u) << profilerReport();
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Total [0-9]+\\.[0-9]{6}ms \\(frame n-2\\)"))) << lines[0];
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("a [0-9]+\\.[0-9]{6}ms"))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex("b [0-9]+\\.[0-9]{6}ms"))) << lines[3];
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("this log [0-9]+\\.[0-9]{6}ms"))) << lines[4];
    EXPECT_EQ(profilerReport().back(), '\n');

    const auto& times = profilerSectionTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0].name, "a");
    EXPECT_EQ(times[1].name, "b");
    EXPECT_EQ(times[2].name, "this log");
    double sum = 0;
    for (const SectionTiming& t : times) {
        EXPECT_GE(t.milliseconds, 0.0);
        sum += t.milliseconds;
    }
    // The sections span from "a" to "end", within the frame's total.
    EXPECT_LE(sum, currentRenderer()->lastFrameTotalMs + 1e-9);
    EXPECT_EQ(currentRenderer()->unreportedFrames.size(), kProfilerLag) << "reported frames release their queries";
}

TEST_F(Profiler, EveryFrameIsReportedOnceWithOnlyItsOwnSections) {
    reportProfiledFrames(*currentRenderer(), 0);
    Renderer& renderer = *currentRenderer();
    renderer.collectSectionTimes = true;
    renderer.collectedSectionTimes.clear();
    for (const char* name : {"first", "second", "third", "fourth"}) {
        profilerMark(name);
        endFrame();
    }
    reportProfiledFrames(renderer, 0);  // what bench does after its last frame
    renderer.collectSectionTimes = false;
    ASSERT_EQ(renderer.collectedSectionTimes.size(), 4u);
    const char* names[] = {"first", "second", "third", "fourth"};
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(renderer.collectedSectionTimes[i].size(), 2u);
        EXPECT_EQ(renderer.collectedSectionTimes[i][0].name, names[i]);
        EXPECT_EQ(renderer.collectedSectionTimes[i][1].name, "this log");
    }
    EXPECT_EQ(linesOf(profilerReport())[2].rfind("fourth ", 0), 0u) << profilerReport();
}

}  // namespace
}  // namespace rendertest
