// A full-screen quad just in front of the far plane: the sky fills only the
// pixels that the scene left at the cleared depth 1.0.
#include "Random.hlsli"

struct SkyOutput
{
    float4 position : SV_Position;
    float2 UV : UV;  // the corner in clip space
};

static const float2 kCorners[6] =
{
    float2(-1.0f, -1.0f), float2(-1.0f,  1.0f), float2( 1.0f, -1.0f),
    float2( 1.0f, -1.0f), float2(-1.0f,  1.0f), float2( 1.0f,  1.0f),
};

SkyOutput main(uint vertexId : SV_VertexID)
{
    SkyOutput output;
    output.UV = kCorners[vertexId % 6];
    output.position = float4(output.UV, 0.99999f, 1.0f);
    return output;
}
