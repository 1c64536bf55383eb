#include "editor/EditorDrawing.h"

#include <cmath>

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

namespace {

struct EditorConstant {
    Matrix4 editorView;
};
static_assert(sizeof(EditorConstant) == 64);

struct GridConsts {
    std::uint32_t bars;
    float begin;
    float end;
    std::uint32_t fences;
};
static_assert(sizeof(GridConsts) == 16);

constexpr std::uint32_t kMarkerVertices = 6;

// The compiled programs read StructuredBuffer<float3> with a 16-byte stride
// (glslang lays float3 arrays out like float4), so three-float points go up
// padded.
std::vector<Point4> padded(const std::vector<Point3>& points) {
    std::vector<Point4> out;
    out.reserve(points.size());
    for (const Point3& p : points) out.push_back({p[0], p[1], p[2], 0.0f});
    return out;
}

template <class Point>
void drawPoints(const char* vertex, const char* pixel, std::vector<Point> points, std::uint32_t vertexCount,
                D3D11_PRIMITIVE_TOPOLOGY topology, const Matrix4& view, ID3D11Texture2D* target) {
    if (points.empty() || !target) return;
    ID3D11Buffer* values = createStructuredBuffer(points, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* constant = createConstantBuffer(EditorConstant{view});
    draw(vertex, pixel, "", "", "", vertexCount,
         {bindingEntry("values", values), bindingEntry("EditorConstant", constant), bindingEntry("SV_Target", target)},
         topology);
    releaseObject(values);
    releaseObject(constant);
}

}  // namespace

Matrix4 panelView(float t0, float t1, float v0, float v1, const ClipRect& rect) {
    Matrix4 m;
    const float sx = (rect.right - rect.left) / (t1 - t0);
    const float sy = (rect.top - rect.bottom) / (v1 - v0);
    m.at(0, 0) = sx;
    m.at(1, 1) = sy;
    m.at(3, 0) = rect.left - t0 * sx;
    m.at(3, 1) = rect.bottom - v0 * sy;
    m.at(3, 3) = 1.0f;
    return m;
}

Point3 project(const Matrix4& view, const Point3& p) {
    float out[4];
    for (int c = 0; c < 4; ++c) out[c] = p[0] * view.at(0, c) + p[1] * view.at(1, c) + p[2] * view.at(2, c) + view.at(3, c);
    return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

void drawCurve(const std::vector<Point3>& points, const Matrix4& view, ID3D11Texture2D* target) {
    const auto n = static_cast<std::uint32_t>(points.size());
    drawPoints("SplineVertex.hlsl:main:vs_5_0", "SplinePixel.hlsl:main:ps_5_0", padded(points), n,
               D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP, view, target);
}

void drawMarkers(const std::vector<Point3>& points, const Matrix4& view, ID3D11Texture2D* target) {
    const auto n = static_cast<std::uint32_t>(points.size()) * kMarkerVertices;
    drawPoints("ControlPointVertex.hlsl:main:vs_5_0", "ControlPointPixel.hlsl:main:ps_5_0", padded(points), n,
               D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, view, target);
}

void drawWorldCurve(const std::vector<Point4>& points, const Matrix4& view, ID3D11Texture2D* target) {
    const auto n = static_cast<std::uint32_t>(points.size());
    drawPoints("SplineWorldVertex.hlsl:main:vs_5_0", "SplineWorldPixel.hlsl:main:ps_5_0", points, n,
               D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP, view, target);
}

void drawWorldMarkers(const std::vector<Point4>& points, const Matrix4& view, ID3D11Texture2D* target) {
    const auto n = static_cast<std::uint32_t>(points.size()) * kMarkerVertices;
    drawPoints("ControlPointWorldVertex.hlsl:main:vs_5_0", "ControlPointWorldPixel.hlsl:main:ps_5_0", points, n,
               D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, view, target);
}

void drawTimeGrid(float first, unsigned count, const std::vector<float>& fences, const Matrix4& view,
                  const Viewport& viewport, ID3D11Texture2D* target) {
    if (!target || viewport.width == 0 || viewport.height == 0 || (count == 0 && fences.empty())) return;
    // The program spreads bars + 1 lines from begin to end; the first beat
    // line is a bar line when its beat is a multiple of four, so start the
    // spread at the bar line before the view and let the lines outside the
    // viewport fall away.
    const float bar = std::floor(first / 4.0f) * 4.0f;
    const unsigned lines = count == 0 ? 0 : count + static_cast<unsigned>(first - bar);
    const unsigned bars = lines == 0 ? 0 : lines - 1;
    GridConsts consts{bars, bar, bar + static_cast<float>(bars), static_cast<std::uint32_t>(fences.size())};
    // Without beat lines the program still draws line 0 at `begin`: put it
    // on the first fence.
    if (lines == 0) consts.begin = consts.end = fences.front();
    std::vector<float> locations = fences.empty() ? std::vector<float>{0.0f} : fences;
    ID3D11Buffer* fenceBuffer = createStructuredBuffer(locations, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* constant = createConstantBuffer(EditorConstant{view});
    ID3D11Buffer* grid = createConstantBuffer(consts);
    const std::uint32_t vertexCount = 2 * (bars + 1 + consts.fences);
    draw("GridVertex.hlsl:main:vs_5_0", "GridPixel.hlsl:main:ps_5_0", "", "", "", vertexCount,
         {bindingEntry("fenceLocations", fenceBuffer), bindingEntry("EditorConstant", constant),
          bindingEntry("GridConsts", grid), bindingEntry("SV_Target", target)},
         D3D11_PRIMITIVE_TOPOLOGY_LINELIST, viewport.x, viewport.y, viewport.width, viewport.height);
    releaseObject(fenceBuffer);
    releaseObject(constant);
    releaseObject(grid);
}

void drawPanelBackground(const Viewport& viewport, ID3D11Texture2D* target) {
    if (!target || viewport.width == 0 || viewport.height == 0) return;
    // Made once and kept with the renderer's objects.
    static ID3D11Texture2D* shade = nullptr;
    static ID3D11SamplerState* sampler = nullptr;
    if (!shade) {
        shade = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0);
        clearTarget(shade, {0.04f, 0.045f, 0.06f, 1.0f});
        sampler = createSampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP, D3D11_COMPARISON_ALWAYS);
    }
    struct ScreenSize {
        float size[2];
        std::uint32_t dummy[2];
    };
    ID3D11Buffer* screen = createConstantBuffer(
        ScreenSize{{static_cast<float>(viewport.width), static_cast<float>(viewport.height)}, {0, 0}});
    draw("BlitVertex.hlsl:main:vs_5_0", "FullBlitPixel.hlsl:main:ps_5_0", "", "", "", 6,
         {bindingEntry("image", shade), bindingEntry("linearSampler", sampler), bindingEntry("ScreenSizeBuffer", screen),
          bindingEntry("SV_Target", target)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, viewport.x, viewport.y, viewport.width, viewport.height);
    releaseObject(screen);
}

void drawGroundGrid(float half, float spacing, float y, const Matrix4& view, ID3D11Texture2D* target) {
    // One strip that runs back and forth along every line, so that one draw
    // makes the whole grid; the return runs lie on the border.
    std::vector<Point3> strip;
    const int lines = static_cast<int>(std::round(2.0f * half / spacing));
    for (int i = 0; i <= lines; ++i) {
        const float a = -half + spacing * static_cast<float>(i);
        const float from = (i % 2 == 0) ? -half : half;
        strip.push_back({a, y, from});
        strip.push_back({a, y, -from});
    }
    for (int i = 0; i <= lines; ++i) {
        const float a = -half + spacing * static_cast<float>(i);
        const float from = (i % 2 == 0) ? -half : half;
        strip.push_back({from, y, a});
        strip.push_back({-from, y, a});
    }
    drawCurve(strip, view, target);
}

}  // namespace tolmero
