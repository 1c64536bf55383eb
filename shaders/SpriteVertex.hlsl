// One vegetation sprite per six vertices: a quad standing on the ground at
// its scattered location, growing straight up in world space and sideways in
// camera space so that it always faces the camera.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Billboard.hlsli"

StructuredBuffer<float> aspectRatios : register(t0);   // width / height per type
StructuredBuffer<float> typeHeights : register(t1);
StructuredBuffer<float4> spriteLocations : register(t2);  // (x, h, z, type)

struct SpriteVertexOutput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;
    nointerpolation int Index : Index;
};

SpriteVertexOutput main(uint vertexId : SV_VertexID)
{
    uint sprite = vertexId / 6;
    float2 corner = billboardCorner(vertexId);

    // A random size per sprite in [1/e, 1) of its type's height.
    uint3 state = uint3(1u, 2u, sprite);
    [unroll] for (int i = 0; i < 3; ++i)
    {
        mix96(state.x, state.y, state.z);
    }
    float sizeFactor = exp(-unit(state.z));

    float4 location = spriteLocations[sprite];
    int type = int(location.w);
    float size = sizeFactor * typeHeights[type] * 0.04f;

    // The landscape spans [-0.5, 0.5] in x and z; heights are scaled by 0.05.
    float4 world = float4(location.x - 0.5f, location.y * 0.05f + size * corner.y,
                          location.z - 0.5f, 1.0f);
    float4 camera = mul(worldToCamera, world);
    // The quad is 1.5 times the image's width; the pixel program cuts the margins.
    camera.x += size * corner.x * 1.5f * aspectRatios[type];

    float u = corner.x + 0.5f;
    if ((sprite & 1u) != 0u)
    {
        u = 1.0f - u;  // odd sprites are mirrored for variety
    }
    u = (u - 0.5f) * 1.5f + 0.5f;

    SpriteVertexOutput output;
    output.position = mul(cameraToClip, camera);
    output.UV = float2(u, 1.0f - corner.y);
    output.Type = type;
    output.Index = int(sprite);
    return output;
}
