#pragma once

// Compiling HLSL snippets the way the shader build does, and validating
// SPIR-V for Vulkan 1.1, for the tests of the build's SPIR-V passes.

#include "tests/render/TestFiles.h"

#include <spirv-tools/libspirv.hpp>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolmero::test {

// stage: "comp", "vert" or "frag".
inline std::vector<std::uint32_t> compileHlsl(const std::string& hlsl, const std::string& stage = "comp") {
    const ScratchDir dir("tolmero-glslc");
    const auto source = dir.path() / "Program.hlsl";
    const auto output = dir.path() / "Program.spv";
    writeText(source, hlsl);
    const int status = runProgram(
        {TOLMERO_GLSLC, "-x", "hlsl", "-fshader-stage=" + stage, "-fentry-point=main", "-fhlsl-iomap",
         "-fcbuffer-binding-base", "0", "-fsampler-binding-base", "16", "-ftexture-binding-base", "32",
         "-fuav-binding-base", "64", "--target-env=vulkan1.1", "-o", output.string(), source.string()});
    if (status != 0) {
        throw std::runtime_error("glslc failed on a test program");
    }
    const auto bytes = readBytes(output);
    std::vector<std::uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

// The validator's messages, or "" for a valid module.
inline std::string validationErrors(const std::vector<std::uint32_t>& module) {
    spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_1);
    std::string messages;
    tools.SetMessageConsumer([&](spv_message_level_t, const char*, const spv_position_t&,
                                 const char* message) {
        messages += message;
        messages += "\n";
    });
    return tools.Validate(module) ? "" : messages.empty() ? "invalid" : messages;
}

}  // namespace tolmero::test
