// Paths in the world, drawn in yellow so they stand out against the scene.
#include "Random.hlsli"

float4 main(float4 position : SV_Position) : SV_Target
{
    return float4(1.0f, 0.9f, 0.2f, 1.0f);
}
