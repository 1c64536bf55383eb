#include "shaders/tools/BindingCheck.h"
#include "tests/render/GlslcSupport.h"

#include <gtest/gtest.h>

namespace tolmero::spirv {
namespace {

using test::compileHlsl;

bool mentions(const std::vector<std::string>& messages, const std::string& text) {
    for (const std::string& message : messages) {
        if (message.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(BindingCheck, EveryRegisterClassLandsInItsRange) {
    const auto module = compileHlsl(R"(
cbuffer SqueezeBuffer : register(b1) { uint2 squeezeFactor; uint2 dummy666; };
SamplerState linearSampler : register(s0);
Texture2D<float4> original : register(t0);
StructuredBuffer<float> typeHeights : register(t1);
RWStructuredBuffer<float4> particles : register(u0);
RWTexture2D<float4> result : register(u1);
[numthreads(16, 16, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    float4 c = original.SampleLevel(linearSampler, float2(id.xy) / float2(squeezeFactor), 0);
    particles[id.x] = c * typeHeights[id.y];
    result[id.xy] = c;
}
)");
    EXPECT_EQ(bindingProblems(module), std::vector<std::string>{});
}

TEST(BindingCheck, ResourcesWithoutRegistersAreReported) {
    const auto module = compileHlsl(R"(
RWTexture2D<float4> first;
RWTexture2D<float4> second;
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { first[id.xy] = second[id.xy]; }
)");
    const auto problems = bindingProblems(module);
    EXPECT_TRUE(mentions(problems, "binding 0 is shared by 'second', 'first'") ||
                mentions(problems, "binding 0 is shared by 'first', 'second'"));
    EXPECT_TRUE(mentions(problems, "'first' is a u resource but has binding 0"));
    EXPECT_TRUE(mentions(problems, "'second' is a u resource but has binding 0"));
}

TEST(BindingCheck, ALoneResourceOutsideItsClassIsReported) {
    const auto module = compileHlsl(R"(
SamplerState linearSampler : register(s0);
Texture2D<float4> image;
float4 main(float4 position : SV_Position) : SV_Target { return image.Sample(linearSampler, position.xy); }
)", "frag");
    const auto problems = bindingProblems(module);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(mentions(problems, "'image' is a t resource but has binding 0"));
}

TEST(BindingCheck, ConstantBuffersAreNamedByTheirBlock) {
    const auto module = compileHlsl(R"(
cbuffer consts { float strength; };
cbuffer more { float factor; };
RWTexture2D<float4> bloom : register(u0);
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) { bloom[id.xy] *= strength * factor; }
)");
    const auto problems = bindingProblems(module);
    ASSERT_EQ(problems.size(), 1u);  // binding 0 is a valid b register; only the clash is wrong
    EXPECT_TRUE(mentions(problems, "binding 0 is shared by 'consts', 'more'")) << problems[0];
}

}  // namespace
}  // namespace tolmero::spirv
