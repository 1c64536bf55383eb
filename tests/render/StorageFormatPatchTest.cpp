// The storage-format patch on real glslc output, checked by the SPIR-V
// validator for Vulkan 1.1.

#include "shaders/tools/StorageFormatPatch.h"
#include "tests/render/GlslcSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>

namespace tolmero::spirv {
namespace {

constexpr std::uint32_t kOpName = 5;
constexpr std::uint32_t kOpCapability = 17;
constexpr std::uint32_t kOpTypeImage = 25;
constexpr std::uint32_t kOpTypeArray = 28;
constexpr std::uint32_t kOpTypePointer = 32;
constexpr std::uint32_t kOpVariable = 59;
constexpr std::uint32_t kRgba32f = 1, kRgba16f = 2, kR32f = 3, kRgba8 = 4, kR16f = 9;

using test::compileHlsl;
using test::validationErrors;

std::vector<std::uint32_t> patch(const std::vector<std::uint32_t>& module, const std::string& hlsl) {
    return applyStorageFormats(module, parseStorageFormatAnnotations(hlsl, "Program.hlsl"));
}

// Just enough of a SPIR-V reader to see which image type a variable ends up with.
class Inspect {
public:
    explicit Inspect(const std::vector<std::uint32_t>& module) : module_(module) {
        for (std::size_t at = 5; at < module.size(); at += module[at] >> 16) {
            instructions_.push_back(at);
        }
    }

    std::uint32_t bound() const { return module_[3]; }

    std::size_t count(std::uint32_t opcode) const {
        std::size_t n = 0;
        for (const std::size_t at : instructions_) {
            n += opcodeAt(at) == opcode ? 1 : 0;
        }
        return n;
    }

    bool hasCapability(std::uint32_t capability) const {
        for (const std::size_t at : instructions_) {
            if (opcodeAt(at) == kOpCapability && module_[at + 1] == capability) {
                return true;
            }
        }
        return false;
    }

    // The OpTypeImage id of the variable with this name.
    std::uint32_t imageOf(const std::string& name) const {
        std::uint32_t type = definition(variable(name)).value_or(0);
        type = module_[*definitionAt(type) + 3];  // pointee of the pointer type
        if (opcodeAt(*definitionAt(type)) == kOpTypeArray) {
            type = module_[*definitionAt(type) + 2];
        }
        EXPECT_EQ(opcodeAt(*definitionAt(type)), kOpTypeImage) << name;
        return type;
    }

    std::uint32_t formatOf(const std::string& name) const {
        return module_[*definitionAt(imageOf(name)) + 8];
    }

private:
    std::uint32_t opcodeAt(std::size_t at) const { return module_[at] & 0xFFFFu; }

    std::uint32_t variable(const std::string& name) const {
        for (const std::size_t at : instructions_) {
            if (opcodeAt(at) != kOpName) {
                continue;
            }
            const char* text = reinterpret_cast<const char*>(&module_[at + 2]);
            const std::uint32_t target = module_[at + 1];
            const auto defined = definitionAt(target);
            if (name == text && defined && opcodeAt(*defined) == kOpVariable) {
                return target;
            }
        }
        ADD_FAILURE() << "no variable " << name;
        return 0;
    }

    // Result type of the instruction defining a value.
    std::optional<std::uint32_t> definition(std::uint32_t id) const {
        const auto at = definitionAt(id);
        return at ? std::optional<std::uint32_t>(module_[*at + 1]) : std::nullopt;
    }

    std::optional<std::size_t> definitionAt(std::uint32_t id) const {
        for (const std::size_t at : instructions_) {
            const std::uint32_t opcode = opcodeAt(at);
            const bool isType = opcode >= 19 && opcode <= 39;  // OpTypeVoid .. OpTypeForwardPointer
            if ((isType && module_[at + 1] == id) || (opcode == kOpVariable && module_[at + 2] == id)) {
                return at;
            }
        }
        return std::nullopt;
    }

    const std::vector<std::uint32_t>& module_;
    std::vector<std::size_t> instructions_;
};

const std::string kBloomLike = R"(
RWTexture2D<float4> bloom : register(u0);   // storage-format: rgba16f
RWTexture2D<float4> source : register(u1);  // storage-format: rgba8
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    bloom[id.xy] = bloom[id.xy] * 0.5f + source[id.xy];
    source[id.xy] = float4(0.0f, 0.0f, 0.0f, 1.0f);
}
)";

TEST(StorageFormatPatch, SplitsATypeSharedByImagesOfDifferentFormats) {
    const auto compiled = compileHlsl(kBloomLike);
    ASSERT_EQ(validationErrors(compiled), "");
    const Inspect before(compiled);
    ASSERT_EQ(before.imageOf("bloom"), before.imageOf("source")) << "glslc no longer shares the type";
    ASSERT_EQ(before.formatOf("bloom"), kRgba32f);

    const auto patched = patch(compiled, kBloomLike);
    EXPECT_EQ(validationErrors(patched), "");
    const Inspect after(patched);
    EXPECT_NE(after.imageOf("bloom"), after.imageOf("source"));
    EXPECT_EQ(after.formatOf("bloom"), kRgba16f);
    EXPECT_EQ(after.formatOf("source"), kRgba8);
    EXPECT_EQ(after.count(kOpTypeImage), before.count(kOpTypeImage) + 1);
    EXPECT_EQ(after.count(kOpTypePointer), before.count(kOpTypePointer) + 1);
    EXPECT_EQ(after.bound(), before.bound() + 2);  // the new image type and its pointer
}

TEST(StorageFormatPatch, SetsTheFormatOfASingleImageInPlace) {
    const std::string hlsl = R"(
RWTexture2D<unorm float4> result : register(u0);  // storage-format: rgba8
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { result[id.xy] = result[id.xy].yzwx; }
)";
    const auto compiled = compileHlsl(hlsl);
    ASSERT_NE(Inspect(compiled).formatOf("result"), kRgba8);
    const auto patched = patch(compiled, hlsl);
    EXPECT_EQ(validationErrors(patched), "");
    EXPECT_EQ(Inspect(patched).formatOf("result"), kRgba8);
    ASSERT_EQ(patched.size(), compiled.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < patched.size(); ++i) {
        differing += patched[i] != compiled[i] ? 1 : 0;
    }
    EXPECT_EQ(differing, 1u);  // only the format operand
}

TEST(StorageFormatPatch, ModulesWithoutApplicableAnnotationsComeBackUnchanged) {
    std::string plain = kBloomLike;
    for (std::size_t at; (at = plain.find("// storage-format")) != std::string::npos;) {
        plain.erase(at, plain.find('\n', at) - at);
    }
    const auto compiled = compileHlsl(plain);
    EXPECT_EQ(patch(compiled, plain), compiled);
    EXPECT_EQ(applyStorageFormats(compiled, {}), compiled);
    // Annotations for resources the compiler dropped or that live elsewhere.
    const auto unrelated = parseStorageFormatAnnotations(
        "RWTexture2D<float4> unused : register(u5);  // storage-format: rgba8\n", "Other.hlsl");
    EXPECT_EQ(applyStorageFormats(compiled, unrelated), compiled);
}

TEST(StorageFormatPatch, ImagesAnnotatedAlikeKeepSharingTheirType) {
    const std::string hlsl = R"(
RWTexture2D<float4> a : register(u0);  // storage-format: rgba8
RWTexture2D<float4> b : register(u1);  // storage-format: rgba8
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { a[id.xy] = b[id.xy]; }
)";
    const auto compiled = compileHlsl(hlsl);
    const auto patched = patch(compiled, hlsl);
    EXPECT_EQ(validationErrors(patched), "");
    const Inspect after(patched);
    EXPECT_EQ(after.imageOf("a"), after.imageOf("b"));
    EXPECT_EQ(after.formatOf("a"), kRgba8);
    EXPECT_EQ(after.bound(), Inspect(compiled).bound());
}

TEST(StorageFormatPatch, ASplitThatMatchesAnExistingTypeReusesIt) {
    // "a" becomes an R32f image like "c"; two identical image types would be invalid.
    const std::string hlsl = R"(
RWTexture2D<float4> a : register(u0);  // storage-format: r32f
RWTexture2D<float4> b : register(u1);
RWTexture2D<float> c : register(u2);
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { a[id.xy] = b[id.xy] + c[id.xy]; c[id.xy] = a[id.xy].x; }
)";
    const auto compiled = compileHlsl(hlsl);
    const auto patched = patch(compiled, hlsl);
    EXPECT_EQ(validationErrors(patched), "");
    const Inspect after(patched);
    EXPECT_EQ(after.imageOf("a"), after.imageOf("c"));
    EXPECT_EQ(after.formatOf("a"), kR32f);
    EXPECT_EQ(after.formatOf("b"), kRgba32f);
    EXPECT_EQ(after.count(kOpTypeImage), 2u);
}

TEST(StorageFormatPatch, FollowsArraysOfImagesThroughAccessChains) {
    const std::string hlsl = R"(
RWTexture2D<float4> tiles[2] : register(u0);  // storage-format: rgba16f
RWTexture2D<float4> plain : register(u2);
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { tiles[id.z & 1][id.xy] = plain[id.xy]; plain[id.xy] = tiles[0][id.xy]; }
)";
    const auto compiled = compileHlsl(hlsl);
    ASSERT_EQ(Inspect(compiled).imageOf("tiles"), Inspect(compiled).imageOf("plain"));
    const auto patched = patch(compiled, hlsl);
    EXPECT_EQ(validationErrors(patched), "");
    const Inspect after(patched);
    EXPECT_EQ(after.formatOf("tiles"), kRgba16f);
    EXPECT_EQ(after.formatOf("plain"), kRgba32f);
}

TEST(StorageFormatPatch, ExtendedFormatsDeclareTheirCapability) {
    const std::string hlsl = R"(
RWTexture2D<float> height : register(u0);  // storage-format: r16f
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { height[id.xy] = height[id.xy] * 2.0f; }
)";
    const auto compiled = compileHlsl(hlsl);
    constexpr std::uint32_t kStorageImageExtendedFormats = 49;
    ASSERT_FALSE(Inspect(compiled).hasCapability(kStorageImageExtendedFormats));
    const auto patched = patch(compiled, hlsl);
    EXPECT_EQ(validationErrors(patched), "");
    EXPECT_EQ(Inspect(patched).formatOf("height"), kR16f);
    EXPECT_TRUE(Inspect(patched).hasCapability(kStorageImageExtendedFormats));
}

TEST(StorageFormatAnnotations, ParsesTrailingCommentsOfReadWriteTextures) {
    const auto annotations = parseStorageFormatAnnotations(
        "// Bloom inputs\n"
        "globallycoherent RWTexture2DArray<float> randoms : register(u0); // storage-format: r32f\n"
        "RWTexture2D<unorm float4> source;//storage-format:rgba8\n"
        "Texture2D<float4> image : register(t0);  // sampled, no format needed\n",
        "Bloom.hlsl");
    ASSERT_EQ(annotations.size(), 2u);
    EXPECT_EQ(annotations[0].variable, "randoms");
    EXPECT_EQ(annotations[0].format, kR32f);
    EXPECT_EQ(annotations[0].location, "Bloom.hlsl:2");
    EXPECT_EQ(annotations[1].variable, "source");
    EXPECT_EQ(annotations[1].formatName, "rgba8");
}

TEST(StorageFormatAnnotations, MisplacedOrUnknownAnnotationsAreErrors) {
    const auto parse = [](const std::string& text) { return parseStorageFormatAnnotations(text, "X.hlsl"); };
    EXPECT_THROW(parse("Texture2D<float4> image : register(t0); // storage-format: rgba8\n"),
                 std::runtime_error);
    EXPECT_THROW(parse("RWTexture2D<float4> image; // storage-format: bgra8\n"), std::runtime_error);
    EXPECT_THROW(parse("// storage-format: rgba8\nRWTexture2D<float4> image;\n"), std::runtime_error);
    EXPECT_THROW(parse("RWTexture2D<float4> a, b; // storage-format: rgba8\n"), std::runtime_error);
}

TEST(StorageFormatAnnotations, AreReadFromIncludedFilesToo) {
    const test::ScratchDir dir("tolmero-annotations");
    test::writeText(dir.path() / "Program.hlsl",
                    "#include \"Shared.hlsli\"\n#include \"Missing.hlsli\"\n"
                    "RWTexture2D<float4> own : register(u1); // storage-format: rgba16f\n");
    test::writeText(dir.path() / "Shared.hlsli",
                    "#include \"Program.hlsl\"\nRWTexture2D<float4> shared : register(u0); // storage-format: rgba8\n");
    const auto annotations = readStorageFormatAnnotations(dir.path() / "Program.hlsl", {});
    ASSERT_EQ(annotations.size(), 2u);
    EXPECT_EQ(annotations[0].variable, "own");
    EXPECT_EQ(annotations[1].variable, "shared");
}

}  // namespace
}  // namespace tolmero::spirv
