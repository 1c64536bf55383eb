// The headless commands end to end: `tolmero render` writes a PNG of the
// asked size, `tolmero bench --json` prints one object of the documented
// shape, and bad input or a missing device end with one line and the exit
// codes 2 and 1. The program runs with the validation layers on.
#include <gtest/gtest.h>
#include <spng.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace rendertest {
namespace {

struct ProcessResult {
    int exitCode;
    std::string out;  // standard output and standard error together
};

ProcessResult runTolmero(const std::string& arguments, const std::string& environment = "") {
    const std::string command =
        environment + " " + std::string(TOLMERO_BUILD_DIR) + "/tolmero " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

bool mentionsValidation(const std::string& out) { return out.find("Vulkan validation") != std::string::npos; }

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

TEST(RenderCommand, WritesAPngOfTheRequestedSize) {
    const std::filesystem::path out = std::filesystem::temp_directory_path() / "tolmero-render-test.png";
    std::filesystem::remove(out);
    const ProcessResult run = runTolmero("render --beat 1 --out " + out.string() + " --resolution 80x48 --samples 2x1");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_FALSE(mentionsValidation(run.out)) << run.out;

    std::ifstream file(out, std::ios::binary);
    const std::vector<char> png{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), spng_ctx_free);
    ASSERT_EQ(spng_set_png_buffer(ctx.get(), png.data(), png.size()), 0);
    spng_ihdr header{};
    ASSERT_EQ(spng_get_ihdr(ctx.get(), &header), 0);
    EXPECT_EQ(header.width, 80u);
    EXPECT_EQ(header.height, 48u);
    EXPECT_EQ(header.bit_depth, 8);
    EXPECT_EQ(header.color_type, SPNG_COLOR_TYPE_TRUECOLOR);  // opaque, as the window shows it
    std::size_t size = 0;
    ASSERT_EQ(spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size), 0);
    EXPECT_EQ(size, 80u * 48u * 4u);
    std::vector<unsigned char> pixels(size);
    EXPECT_EQ(spng_decode_image(ctx.get(), pixels.data(), size, SPNG_FMT_RGBA8, 0), 0) << "the whole image decodes";
    std::filesystem::remove(out);
}

TEST(RenderCommand, BenchJsonHasTheDocumentedShape) {
    const ProcessResult run = runTolmero("bench --beat 1 --frames 5 --resolution 64x48 --samples 1x1 --json");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_FALSE(mentionsValidation(run.out)) << run.out;
    // The object is the one line that starts with '{'.
    std::string json;
    for (std::size_t start = 0; start < run.out.size();) {
        const std::size_t end = run.out.find('\n', start);
        const std::string line = run.out.substr(start, end - start);
        if (!line.empty() && line.front() == '{') json = line;
        start = end == std::string::npos ? run.out.size() : end + 1;
    }
    ASSERT_FALSE(json.empty()) << run.out;
    const std::string number = "-?[0-9.eE+-]+";
    const std::string spread = "\\{\"median\":" + number + ",\"p90\":" + number + "\\}";
    const std::string counts = "\\[[0-9]+,[0-9]+,[0-9]+,0,0\\]";  // nothing new after the first frames
    const std::regex shape("\\{\"device\":\"[^\"]+\",\"frames\":5,\"cpuFrameMs\":" + spread + ",\"endFrameMs\":" + spread +
                           ",\"sections\":\\{(\"[^\"]+\":" + spread + ",?)+\\},\"vulkanCreationsPerFrame\":\\{\"memoryAllocations\":" +
                           counts + ",\"bufferCreations\":" + counts + ",\"imageViewCreations\":" + counts +
                           ",\"bufferViewCreations\":" + counts + ",\"pipelineCreations\":" + counts + "\\}\\}");
    EXPECT_TRUE(std::regex_match(json, shape)) << json;
    for (const char* section : {"\"clearing\":", "\"blit\":", "\"this log\":"})
        EXPECT_NE(json.find(section), std::string::npos) << section;
    EXPECT_EQ(json.find("\"end\":"), std::string::npos) << "\"end\" closes the frame and is no section";
}

TEST(RenderCommand, BadInputEndsWithOneLineAndCode2) {
    for (const char* arguments :
         {"render --beat 1 --out x.png --resolution 0x48", "render --beat 1 --out x.png --resolution 64x-2",
          "render --beat 1 --out x.png --resolution wide", "render --beat 1 --out x.png --samples 0x1",
          "render --beat inf --out x.png", "render --beat 1 --out x.png --resolution 9000x10 --samples 2x1",
          "bench --frames 0", "bench --resolution 20000x20000 --samples 1x1",
          "play --resolution 64x0", "play --resolution 4000x4000 --samples 16x16"}) {
        const ProcessResult run = runTolmero(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << ": " << run.out;
        EXPECT_EQ(lineCount(run.out), 1) << arguments << ": " << run.out;
        EXPECT_EQ(run.out.rfind("tolmero: ", 0), 0u) << arguments << ": " << run.out;
    }
    EXPECT_FALSE(std::filesystem::exists("x.png"));
}

TEST(RenderCommand, NoVulkanDeviceEndsWithOneLineAndCode1) {
    for (const char* arguments : {"render --beat 1 --out nothing.png --resolution 64x48 --samples 1x1",
                                  "bench --frames 1 --resolution 64x48 --samples 1x1",
                                  "play --resolution 64x48 --samples 1x1"}) {
        const ProcessResult run = runTolmero(arguments, "VK_ICD_FILENAMES=/nonexistent/icd.json");
        EXPECT_EQ(run.exitCode, 1) << arguments << ": " << run.out;
        EXPECT_EQ(lineCount(run.out), 1) << arguments << ": " << run.out;
        EXPECT_NE(run.out.find("no usable Vulkan device"), std::string::npos) << run.out;
    }
}

}  // namespace
}  // namespace rendertest
