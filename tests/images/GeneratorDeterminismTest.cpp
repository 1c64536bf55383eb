// The generators are deterministic: two runs write the same bytes, and those bytes
// are the ones the build produced.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "DecodedImage.h"
#include "StumpImages.h"

namespace tolmero::images::test {
namespace {

std::filesystem::path freshDirectory(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / ("tolmero-images-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Runs "<tool> <root> <arguments>" into two fresh roots and compares the outputs.
void expectSameBytesTwice(const std::string& tool, const std::string& arguments, const std::vector<std::string>& outputs) {
    const auto a = freshDirectory("a"), b = freshDirectory("b");
    for (const auto& root : {a, b})
        ASSERT_EQ(std::system((tool + " " + root.string() + " " + arguments).c_str()), 0);
    for (const std::string& name : outputs) {
        SCOPED_TRACE(name);
        const auto first = readFile((a / name).string());
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, readFile((b / name).string()));
        EXPECT_EQ(first, readFile(generatedAsset(name)));
    }
    std::filesystem::remove_all(a);
    std::filesystem::remove_all(b);
}

TEST(GeneratorDeterminism, StumpSpritesAreTheSameEveryRun) {
    const std::vector<std::string> outputs(std::begin(generated::kStumpImages), std::end(generated::kStumpImages));
    expectSameBytesTwice(TOLMERO_GEN_VEGETATION, "stumps", outputs);
}

TEST(GeneratorDeterminism, CharacterFramesAreTheSameEveryRun) {
    std::vector<std::string> outputs;
    for (int i = 1; i <= 3; ++i) outputs.push_back("sprites/animaatiot/riekko/riekko" + std::to_string(i) + ".png");
    for (const char* n : {"etu1", "etue93", "itku3", "sivu5", "tuli2"}) outputs.push_back("sprites/animaatiot/tytto/" + std::string(n) + ".png");
    expectSameBytesTwice(TOLMERO_GEN_CHARACTERS, "", outputs);
}

TEST(GeneratorDeterminism, LogoIsTheSameEveryRun) {
    expectSameBytesTwice(TOLMERO_GEN_LOGO, "", {"sprites/tolmero.png"});
}

TEST(GeneratorDeterminism, WaterIsTheSameEveryRun) {
    expectSameBytesTwice(TOLMERO_GEN_WATER, "",
                         {"sprites/miljoo/maasto/vesi/vesi001.jpg", "sprites/miljoo/maasto/vesi/vesi002.jpg"});
}

TEST(GeneratorDeterminism, RejectsBadArgumentsWithoutWriting) {
    EXPECT_NE(std::system((std::string(TOLMERO_GEN_VEGETATION) + " 2> /dev/null").c_str()), 0);
    const auto dir = freshDirectory("bad");
    EXPECT_NE(std::system((std::string(TOLMERO_GEN_VEGETATION) + " " + dir.string() + " flowers 2> /dev/null").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tolmero::images::test
