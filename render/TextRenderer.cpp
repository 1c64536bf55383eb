#include "render/TextRenderer.h"

#include <cstdint>

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"
#include "text/TextLayout.h"

namespace tolmero {

using namespace gpu;

namespace {

constexpr std::uint32_t kVerticesPerGlyph = 6;

// Covered pixels output opaque white; blending adds the target weighted by
// its own alpha, so white stays white on an 8-bit target.
ID3D11BlendState* createTextBlendState() {
    D3D11_BLEND_DESC desc{};
    desc.AlphaToCoverageEnable = FALSE;
    desc.IndependentBlendEnable = FALSE;
    D3D11_RENDER_TARGET_BLEND_DESC& target = desc.RenderTarget[0];
    target.BlendEnable = TRUE;
    target.SrcBlend = D3D11_BLEND_SRC_ALPHA;
    target.DestBlend = D3D11_BLEND_DEST_ALPHA;
    target.BlendOp = D3D11_BLEND_OP_ADD;
    target.SrcBlendAlpha = D3D11_BLEND_SRC_ALPHA;
    target.DestBlendAlpha = D3D11_BLEND_DEST_ALPHA;
    target.BlendOpAlpha = D3D11_BLEND_OP_ADD;
    target.RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    ID3D11BlendState* state = nullptr;
    device()->CreateBlendState(&desc, &state);
    return state;
}

}  // namespace

void drawText(const std::u16string& text, float x, float y, float size, ID3D11Texture2D* target) {
    const Renderer* renderer = currentRenderer();
    if (!renderer) return;
    drawText(renderer->glyphAtlas, text, x, y, size, target);
}

void drawText(const GlyphAtlas& atlas, const std::u16string& text, float x, float y, float size,
              ID3D11Texture2D* target) {
    if (text.empty() || !target || !atlas.font) return;

    D3D11_TEXTURE2D_DESC targetDesc{};
    target->GetDesc(&targetDesc);
    TextLayout layout = layoutText(atlas.glyphTable, text, x, y, size, targetDesc.Width, targetDesc.Height);
    if (layout.glyphCount() == 0) return;
    const auto vertexCount = static_cast<std::uint32_t>(layout.glyphCount() * kVerticesPerGlyph);

    // The three arrays are consumed by the buffer creation.
    ID3D11Buffer* indices = createStructuredBuffer(layout.indices, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* boxes = createStructuredBuffer(layout.boxes, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* uvs = createStructuredBuffer(layout.uvs, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11SamplerState* linearSampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);

    // The blend state lasts for this draw only: draw resets the context.
    ID3D11BlendState* blend = createTextBlendState();
    context()->OMSetBlendState(blend, nullptr, 0xffffffff);

    draw("TextVertex.hlsl:main:vs_5_0", "TextPixel.hlsl:main:ps_5_0", "", "", "", vertexCount,
         {bindingEntry("font", atlas.font), bindingEntry("indices", indices), bindingEntry("boxes", boxes),
          bindingEntry("UVs", uvs), bindingEntry("linearSampler", linearSampler), bindingEntry("SV_Target", target)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);

    if (blend) blend->Release();
    releaseObject(linearSampler);
    releaseObject(indices);
    releaseObject(boxes);
    releaseObject(uvs);
}

}  // namespace tolmero
