// Particle colour. Flames are round, thinned stochastically at birth and in
// old age, and cool from white through yellow and red to black. The logo is
// white, revealed by a dithered wipe from the left and fading as it blows away.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

float smoothUnit(float v)
{
    return v * v * (3.0f - 2.0f * v);
}

float4 main(float4 position : SV_Position, float3 UVAge : UVAge) : SV_Target
{
    float2 uv = UVAge.xy;
    float age = UVAge.z;

    // Four draws per pixel, seeded by time and pixel; the first is a warm-up.
    uint3 state = uint3(uint(time * 1000.0f), uint(position.x), uint(position.y));
    nextRandom(state);
    float d2 = unit(nextRandom(state));
    float d3 = unit(nextRandom(state));
    float d4 = unit(nextRandom(state));

    if (scene == 3)
    {
        // Dense in mid-life, sparse when just born and when old.
        if (length(uv) > 0.5f || pow(d2, 0.1f) < max(1.0f - 4.0f * age, age))
        {
            discard;
        }
        return float4(smoothUnit(saturate((0.6f - age) / 0.6f)),
                      smoothUnit(saturate((0.2f - age) * 5.0f)),
                      smoothUnit(saturate((0.05f - age) * 20.0f)),
                      1.0f);
    }

    float xr = position.x / float(screenSize.x);
    if (3.0f * (d3 + logoActivation) - 2.0f < xr || 0.5f * d4 * d4 < age)
    {
        discard;
    }
    return float4(1.0f, 1.0f, 1.0f, 1.0f);
}
