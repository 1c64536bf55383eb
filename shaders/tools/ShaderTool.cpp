// Build steps of the shader pipeline that follow glslc:
//
//   tolmero_shader_tool patch SOURCE.hlsl IN.spv OUT.spv [-I DIR]...
//       gives annotated read-write textures their storage format and checks
//       that every resource has a binding of its own in its register class
//   tolmero_shader_tool wrap IN.spv OUT.cso
//       wraps a SPIR-V module into the shader container that gets embedded

#include "render/ShaderContainer.h"
#include "shaders/tools/BindingCheck.h"
#include "shaders/tools/StorageFormatPatch.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<std::uint32_t> readWords(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    if (bytes.size() % 4 != 0) {
        throw std::runtime_error(path.string() + " is not a SPIR-V module (size is not a multiple of 4)");
    }
    std::vector<std::uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), bytes.size());
    return words;
}

int patch(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<fs::path> includeDirs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-I" && i + 1 < args.size()) {
            includeDirs.emplace_back(args[++i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3) {
        throw std::runtime_error("usage: tolmero_shader_tool patch SOURCE.hlsl IN.spv OUT.spv [-I DIR]...");
    }
    const fs::path source = positional[0];
    const auto annotations = tolmero::spirv::readStorageFormatAnnotations(source, includeDirs);
    const std::vector<std::uint32_t> patched =
        tolmero::spirv::applyStorageFormats(readWords(positional[1]), annotations);
    const std::vector<std::string> problems = tolmero::spirv::bindingProblems(patched);
    if (!problems.empty()) {
        for (const std::string& message : problems) {
            std::cerr << source.string() << ": " << message << "\n";
        }
        std::cerr << source.string()
                  << ": declare every resource with its own register(b#, s#, t# or u#)\n";
        return 1;
    }
    writeBytes(positional[2], patched.data(), patched.size() * sizeof(std::uint32_t));
    return 0;
}

int wrap(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        throw std::runtime_error("usage: tolmero_shader_tool wrap IN.spv OUT.cso");
    }
    const std::vector<std::uint8_t> container = tolmero::makeShaderContainer(readBytes(args[0]));
    writeBytes(args[1], container.data(), container.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "patch") {
            return patch(args);
        }
        if (command == "wrap") {
            return wrap(args);
        }
        std::cerr << "usage: tolmero_shader_tool patch|wrap ...\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "tolmero_shader_tool: " << error.what() << "\n";
        return 1;
    }
}
