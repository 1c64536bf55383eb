// Creation of views from Direct3D view descriptions (null = the default view).
#pragma once

#include "gpu/D3D11.h"

namespace tolmero::gpu::detail {

class Core;

HRESULT createShaderResourceView(Core& core, ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                 ID3D11ShaderResourceView** out);
HRESULT createUnorderedAccessView(Core& core, ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                  ID3D11UnorderedAccessView** out);
HRESULT createRenderTargetView(Core& core, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                               ID3D11RenderTargetView** out);
HRESULT createDepthStencilView(Core& core, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                               ID3D11DepthStencilView** out);

}  // namespace tolmero::gpu::detail
