// A round control-point dot with a dark rim.
#include "Random.hlsli"
#include "Editor.hlsli"

float4 main(MarkerVertex input) : SV_Target
{
    float radius = length(input.UV * 2.0f - 1.0f);
    if (radius > 1.0f)
    {
        discard;
    }
    float rim = smoothstep(0.65f, 0.8f, radius);
    return float4(input.Color * (1.0f - 0.75f * rim), 1.0f);
}
