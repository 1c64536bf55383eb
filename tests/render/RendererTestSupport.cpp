#include "RendererTestSupport.h"

#include <fstream>
#include <iterator>

namespace rendertest {

using namespace tolmero;

namespace {

// Tears the renderer down after the last test, which must cause no
// validation message either.
class RendererEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        const gpu::UINT before = gpu::validationMessageCount();
        destroyRenderer();
        EXPECT_EQ(gpu::validationMessageCount(), before) << "validation messages during teardown";
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new RendererEnvironment);

}  // namespace

Renderer* testRenderer() {
    if (Renderer* renderer = currentRenderer()) return renderer;
    Renderer* renderer = createHeadlessRenderer(64, 64);
    EXPECT_NE(renderer, nullptr) << "no Vulkan device";
    EXPECT_TRUE(gpu::validationActive()) << "the Vulkan validation layers are not on";
    return renderer;
}

std::vector<std::uint8_t> testShaderBlob(const std::string& file) {
    std::ifstream in(std::string(RENDER_TEST_SHADER_DIR) + "/" + file + ".spv", std::ios::binary);
    EXPECT_TRUE(in) << file;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ShaderProgram loadTestShader(const std::string& key, const std::string& file) {
    const std::vector<std::uint8_t> blob = testShaderBlob(file);
    return loadShaderFromBlob(key, blob);
}

void RendererTest::SetUp() {
    ASSERT_NE(testRenderer(), nullptr);
    validationBefore_ = gpu::validationMessageCount();
}

void RendererTest::TearDown() {
    if (!currentRenderer()) return;
    context()->ClearState();
    context()->Flush();
    EXPECT_EQ(gpu::validationMessageCount(), validationBefore_) << "the test caused validation messages";
}

DebugCapture::DebugCapture() {
    gpu::setDebugOutput([this](std::string_view line) {
        lines.emplace_back(line);
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    });
}

DebugCapture::~DebugCapture() { gpu::setDebugOutput({}); }

int DebugCapture::count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : lines) n += l == line;
    return n;
}

}  // namespace rendertest
