// The landscape: a 512 x 512 grid of quads over x, z in [-0.5, 0.5], lifted
// by the scene's height field. Built from the vertex number alone; the normal
// comes from central differences of the field and only the resulting
// brightness is passed on.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);

struct TerrainOutput
{
    float4 position : SV_Position;
    float4 BrightHeightUV : BrightHeightUV;  // x: brightness, y: height, zw: tiling coordinates
};

// Grid offsets (di, dj) of a quad's six vertices.
static const uint2 kCorners[6] =
{
    uint2(0, 0), uint2(1, 0), uint2(0, 1),
    uint2(0, 1), uint2(1, 0), uint2(1, 1),
};

float height(float2 uv)
{
    return randoms.SampleLevel(linearSampler, float3(uv, scene), 0.0f);
}

TerrainOutput main(uint vertexId : SV_VertexID)
{
    uint quad = vertexId / 6;
    uint2 grid = uint2(quad >> 9, quad & 511u) + kCorners[vertexId % 6];
    float2 uv = float2(grid) * 0.001953125f;  // 1/512

    const float step = 1.0f / 256.0f;
    float h = height(uv);
    float hxp = height(uv + float2(step, 0.0f));
    float hxm = height(uv - float2(step, 0.0f));
    float hyp = height(uv + float2(0.0f, step));
    float hym = height(uv - float2(0.0f, step));

    float4 world = float4(uv.x - 0.5f, 0.05f * h, uv.y - 0.5f, 1.0f);

    // y is the constant -1/16384: the normal points down, and so does the light.
    float3 normal = normalize(float3((hxp - hxm) * 0.0078125f, -0.00006103515625f, (hyp - hym) * 0.0078125f));
    float bright = max(dot(float3(2.0f / 3.0f, -1.0f / 3.0f, 2.0f / 3.0f), normal), 0.0f) * 0.4f + 0.1f;

    TerrainOutput output;
    output.position = mul(cameraToClip, mul(worldToCamera, world));
    output.BrightHeightUV = float4(bright, h, float2(grid) * 0.1953125f);  // ground images repeat 100 times
    return output;
}
