#include "RendererTestSupport.h"

#include <fstream>
#include <iterator>

namespace rendertest {

using namespace tolmero;

std::vector<std::uint8_t> testShaderBlob(const std::string& file) {
    std::ifstream in(std::string(RENDER_TEST_SHADER_DIR) + "/" + file + ".spv", std::ios::binary);
    EXPECT_TRUE(in) << file;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ShaderProgram loadTestShader(const std::string& key, const std::string& file) {
    const std::vector<std::uint8_t> blob = testShaderBlob(file);
    return loadShaderFromBlob(key, blob);
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
