// A ring marker for control points in the world, so the scene shows through.
#include "Random.hlsli"
#include "Editor.hlsli"

float4 main(MarkerVertex input) : SV_Target
{
    float radius = length(input.UV * 2.0f - 1.0f);
    if (radius > 1.0f || radius < 0.55f)
    {
        discard;
    }
    return float4(input.Color, 1.0f);
}
