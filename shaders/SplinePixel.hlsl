// Curves of the editor, drawn in a light grey.
#include "Random.hlsli"

float4 main(float4 position : SV_Position) : SV_Target
{
    return float4(0.9f, 0.9f, 0.9f, 1.0f);
}
