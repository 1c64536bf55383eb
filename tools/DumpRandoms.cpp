#include "tools/DumpRandoms.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/Renderer.h"
#include "scene/RandomFields.h"
#include "scene/SceneResources.h"
#include "tools/OutputFile.h"
#include "tools/RenderCommands.h"

namespace tolmero {

int runDumpRandoms(const std::string& out) {
    // Checked first, so that a path that cannot be written fails at once.
    std::string error;
    if (!checkWritable(out, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }
    if (!createHeadlessRenderer(64, 64)) return kExitNoDevice;
    SceneResources scene;
    scene.randoms = createRandomFields();
    generateRandomFields(scene);
    const std::vector<float> values = readRandomFields(scene.randoms);
    destroyRenderer();
    if (values.empty()) {
        std::fprintf(stderr, "tolmero: cannot read the random fields back from the GPU\n");
        return 1;
    }

    std::vector<std::uint8_t> bytes(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto bits = std::bit_cast<std::uint32_t>(values[i]);
        for (int k = 0; k < 4; ++k) bytes[i * 4 + k] = static_cast<std::uint8_t>((bits >> (8 * k)) & 0xFF);
    }
    if (!writeFileReplacing(out, bytes, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace tolmero
