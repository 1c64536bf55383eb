// Runs the production's solid machine pixel program on chosen pixel
// positions and normals and stores the colours it returns.
#define main machinePixelMain
#include "MachinePixel2.hlsl"
#undef main

struct LightProbe
{
    float4 position;  // pixel position as SV_Position delivers it
    float4 normal;    // xyz: the interpolated Normal
};

StructuredBuffer<LightProbe> probes : register(t0);
RWStructuredBuffer<float4> colours : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 threadId : SV_DispatchThreadID)
{
    uint count, stride;
    probes.GetDimensions(count, stride);
    if (threadId.x >= count)
    {
        return;
    }
    MachinePixelInput input;
    input.position = probes[threadId.x].position;
    input.Normal = probes[threadId.x].normal.xyz;
    colours[threadId.x] = machinePixelMain(input);
}
