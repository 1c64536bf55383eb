// The wireframe lines of the machines are plain white.
#include "Random.hlsli"

float4 main() : SV_Target
{
    return float4(1.0f, 1.0f, 1.0f, 1.0f);
}
