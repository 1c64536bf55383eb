// Grid lines in their own colour.
#include "Random.hlsli"

struct GridVertexOutput
{
    float4 position : SV_Position;
    float3 Color : Color;
};

float4 main(GridVertexOutput input) : SV_Target
{
    return float4(input.Color, 1.0f);
}
