// Reflection of SPIR-V compiled from HLSL, as Direct3D 11 records.
#include "GpuTestSupport.h"

#include <map>

namespace gputest {
namespace {

Com<ID3D11ShaderReflection> reflect(const std::string& name) {
    std::vector<uint32_t> code = shaderCode(name);
    Com<ID3D11ShaderReflection> reflection;
    EXPECT_EQ(D3DReflect(code.data(), code.size() * 4, reflection.out()), S_OK);
    return reflection;
}

std::map<std::string, D3D11_SHADER_INPUT_BIND_DESC> resources(ID3D11ShaderReflection* r) {
    D3D11_SHADER_DESC desc;
    EXPECT_EQ(r->GetDesc(&desc), S_OK);
    std::map<std::string, D3D11_SHADER_INPUT_BIND_DESC> out;
    for (UINT i = 0; i < desc.BoundResources; ++i) {
        D3D11_SHADER_INPUT_BIND_DESC b;
        EXPECT_EQ(r->GetResourceBindingDesc(i, &b), S_OK);
        EXPECT_EQ(out.count(b.Name), 0u) << "duplicate " << b.Name;
        out[b.Name] = b;
    }
    return out;
}

struct Expected {
    const char* name;
    D3D_SHADER_INPUT_TYPE type;
    UINT bindPoint;
    UINT bindCount;
    D3D_SRV_DIMENSION dimension;
};

TEST(ReflectionTest, ReportsEveryResourceKindByItsHlslName) {
    auto r = reflect("Everything.ps");
    ASSERT_TRUE(r);
    auto found = resources(r.get());
    const Expected expected[] = {
        {"CameraConstant", D3D_SIT_CBUFFER, 0, 1, D3D_SRV_DIMENSION_UNKNOWN},
        {"stumpData", D3D_SIT_CBUFFER, 2, 1, D3D_SRV_DIMENSION_UNKNOWN},
        {"linearSampler", D3D_SIT_SAMPLER, 0, 1, D3D_SRV_DIMENSION_UNKNOWN},
        {"pointSampler", D3D_SIT_SAMPLER, 3, 1, D3D_SRV_DIMENSION_UNKNOWN},
        {"image", D3D_SIT_TEXTURE, 0, 1, D3D_SRV_DIMENSION_TEXTURE2D},
        {"sprites", D3D_SIT_TEXTURE, 1, 1, D3D_SRV_DIMENSION_TEXTURE2DARRAY},
        {"spriteLocations", D3D_SIT_STRUCTURED, 2, 1, D3D_SRV_DIMENSION_BUFFER},
        {"indices", D3D_SIT_STRUCTURED, 3, 1, D3D_SRV_DIMENSION_BUFFER},
        {"typed", D3D_SIT_TEXTURE, 4, 1, D3D_SRV_DIMENSION_BUFFER},
        {"pair", D3D_SIT_TEXTURE, 5, 2, D3D_SRV_DIMENSION_TEXTURE2D},
        {"particles", D3D_SIT_UAV_RWSTRUCTURED, 2, 1, D3D_SRV_DIMENSION_BUFFER},
        {"result", D3D_SIT_UAV_RWTYPED, 3, 1, D3D_SRV_DIMENSION_TEXTURE2D},
        {"randoms", D3D_SIT_UAV_RWTYPED, 4, 1, D3D_SRV_DIMENSION_TEXTURE2DARRAY},
    };
    EXPECT_EQ(found.size(), std::size(expected)) << "unused declarations are not reported";
    EXPECT_EQ(found.count("neverUsed"), 0u);
    for (const Expected& e : expected) {
        ASSERT_EQ(found.count(e.name), 1u) << e.name;
        const D3D11_SHADER_INPUT_BIND_DESC& b = found[e.name];
        EXPECT_EQ(b.Type, e.type) << e.name;
        EXPECT_EQ(b.BindPoint, e.bindPoint) << e.name;
        EXPECT_EQ(b.BindCount, e.bindCount) << e.name;
        EXPECT_EQ(b.Dimension, e.dimension) << e.name;
    }
    EXPECT_EQ(found["spriteLocations"].NumSamples, 16u) << "structured buffers report their stride";
    EXPECT_EQ(found["indices"].NumSamples, 4u);
    EXPECT_EQ(found["typed"].ReturnType, D3D_RETURN_TYPE_FLOAT);
    EXPECT_EQ(found["typed"].uFlags & D3D_SIF_TEXTURE_COMPONENTS, UINT(D3D_SIF_TEXTURE_COMPONENTS)) << "four components";
    EXPECT_EQ(found["randoms"].uFlags & D3D_SIF_TEXTURE_COMPONENTS, 0u) << "one component";

    D3D11_SHADER_INPUT_BIND_DESC byName;
    ASSERT_EQ(r->GetResourceBindingDescByName("sprites", &byName), S_OK);
    EXPECT_EQ(byName.BindPoint, 1u);
    EXPECT_EQ(r->GetResourceBindingDescByName("missing", &byName), E_INVALIDARG);
}

TEST(ReflectionTest, PixelOutputsAreTargetsAtTheirLocations) {
    auto r = reflect("Everything.ps");
    ASSERT_TRUE(r);
    D3D11_SHADER_DESC desc;
    ASSERT_EQ(r->GetDesc(&desc), S_OK);
    EXPECT_EQ(D3D11_SHVER_GET_TYPE(desc.Version), UINT(D3D11_SHVER_PIXEL_SHADER));
    EXPECT_EQ(desc.ConstantBuffers, 2u);
    ASSERT_EQ(desc.OutputParameters, 2u);
    for (UINT i = 0; i < 2; ++i) {
        D3D11_SIGNATURE_PARAMETER_DESC p;
        ASSERT_EQ(r->GetOutputParameterDesc(i, &p), S_OK);
        EXPECT_STREQ(p.SemanticName, "SV_Target");
        EXPECT_EQ(p.SemanticIndex, i);
        EXPECT_EQ(p.Register, i);
        EXPECT_EQ(p.SystemValueType, D3D_NAME_TARGET);
        EXPECT_EQ(p.ComponentType, D3D_REGISTER_COMPONENT_FLOAT32);
        EXPECT_EQ(p.Mask, 0xf);
    }
    ASSERT_EQ(desc.InputParameters, 3u);
    std::vector<std::string> inputs;
    for (UINT i = 0; i < desc.InputParameters; ++i) {
        D3D11_SIGNATURE_PARAMETER_DESC p;
        ASSERT_EQ(r->GetInputParameterDesc(i, &p), S_OK);
        inputs.push_back(p.SemanticName);
    }
    EXPECT_EQ(inputs, (std::vector<std::string>{"SV_Position", "uv", "index"}));
    D3D11_SIGNATURE_PARAMETER_DESC none;
    EXPECT_EQ(r->GetOutputParameterDesc(2, &none), E_INVALIDARG);
}

TEST(ReflectionTest, VertexAndComputeStages) {
    auto vs = reflect("Triangles.vs");
    ASSERT_TRUE(vs);
    D3D11_SHADER_DESC desc;
    ASSERT_EQ(vs->GetDesc(&desc), S_OK);
    EXPECT_EQ(D3D11_SHVER_GET_TYPE(desc.Version), UINT(D3D11_SHVER_VERTEX_SHADER));
    ASSERT_EQ(desc.InputParameters, 1u);
    D3D11_SIGNATURE_PARAMETER_DESC p;
    ASSERT_EQ(vs->GetInputParameterDesc(0, &p), S_OK);
    EXPECT_STREQ(p.SemanticName, "SV_VertexID");
    EXPECT_EQ(p.SystemValueType, D3D_NAME_VERTEX_ID);
    auto vsResources = resources(vs.get());
    EXPECT_EQ(vsResources["Move"].Type, D3D_SIT_CBUFFER);
    EXPECT_EQ(vsResources["colors"].BindPoint, 1u);

    auto cs = reflect("TwoOutputs.cs");
    ASSERT_TRUE(cs);
    UINT x = 0, y = 0, z = 0;
    EXPECT_EQ(cs->GetThreadGroupSize(&x, &y, &z), 32u);
    EXPECT_EQ(x, 32u);
    EXPECT_EQ(y, 1u);
    ASSERT_EQ(cs->GetDesc(&desc), S_OK);
    EXPECT_EQ(D3D11_SHVER_GET_TYPE(desc.Version), UINT(D3D11_SHVER_COMPUTE_SHADER));
    EXPECT_EQ(desc.InputParameters, 0u);
    // Two buffers share one block type in the SPIR-V; each keeps its own name.
    auto csResources = resources(cs.get());
    EXPECT_EQ(csResources["first"].BindPoint, 0u);
    EXPECT_EQ(csResources["second"].BindPoint, 1u);
    EXPECT_EQ(csResources["second"].Type, D3D_SIT_UAV_RWSTRUCTURED);
}

TEST(ReflectionTest, NamesLiveAsLongAsTheReflection) {
    D3D11_SHADER_INPUT_BIND_DESC kept;
    auto r = reflect("Scale.cs");
    ASSERT_TRUE(r);
    {
        auto other = reflect("Scale.cs");  // released at once: must not take r's strings along
        ASSERT_EQ(r->GetResourceBindingDesc(0, &kept), S_OK);
    }
    EXPECT_STREQ(kept.Name, "Params");
}

TEST(ReflectionTest, RefusesWhatIsNotSpirv) {
    Com<ID3D11ShaderReflection> r;
    const uint32_t garbage[8] = {0x43425844, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(D3DReflect(garbage, sizeof(garbage), r.out()), E_INVALIDARG);
    EXPECT_EQ(D3DReflect(garbage, 6, r.out()), E_INVALIDARG);
    EXPECT_FALSE(r);
}

}  // namespace
}  // namespace gputest
