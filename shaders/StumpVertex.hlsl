// The stump and its fifteen twigs: sixteen camera-facing quads stacked at the
// stump's foot, 0.015 world units tall and as wide as the images' aspect.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Billboard.hlsli"

Texture2DArray<float4> stumpSprites : register(t0);

cbuffer stumpData : register(b1)
{
    float4 position;  // world point of the quads' foot
    float4 timing;    // y: the growth value
};

static const float kStumpHeight = 0.015f;

struct StumpVertexOutput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;  // the quad number: 0 is the stump
    float4 Wpos : Wpos;               // world point of the billboard
};

StumpVertexOutput main(uint vertexId : SV_VertexID)
{
    uint quad = vertexId / 6;
    float2 corner = billboardCorner(vertexId);

    float4 camera = mul(worldToCamera,
                        float4(position.x, position.y + kStumpHeight * corner.y, position.z, 1.0f));
    uint width, height, slices, levels;
    stumpSprites.GetDimensions(0, width, height, slices, levels);
    camera.x += kStumpHeight * corner.x * (float(width) / float(height));

    // Each twig gets its own small, fixed depth offset toward the camera so
    // that the sixteen coplanar quads do not fight in the depth test.
    if (quad >= 1u)
    {
        uint3 state = uint3(3u, 2u, quad);
        [unroll] for (int i = 0; i < 3; ++i)
        {
            mix96(state.x, state.y, state.z);
        }
        camera.z += 0.0004f * unit(state.z);
    }

    StumpVertexOutput output;
    output.position = mul(cameraToClip, camera);
    output.UV = float2(corner.x + 0.5f, 1.0f - corner.y);
    output.Type = int(quad);
    output.Wpos = mul(cameraToWorld, camera);
    return output;
}
