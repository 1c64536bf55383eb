// Runs both production machine vertex programs (wireframe and solid) on
// chosen vertex numbers and stores what they emit.
#define main wireVertexMain
#include "MachineVertex.hlsl"
#undef main
#define main solidVertexMain
#include "MachineVertex2.hlsl"
#undef main

struct CapturedMachineCorner
{
    float4 wirePosition;
    float4 solidPosition;
    float4 normal;  // xyz: the solid program's Normal output
};

StructuredBuffer<uint> vertexIds : register(t6);
RWStructuredBuffer<CapturedMachineCorner> captured : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 threadId : SV_DispatchThreadID)
{
    uint count, stride;
    vertexIds.GetDimensions(count, stride);
    if (threadId.x >= count)
    {
        return;
    }
    uint vertexId = vertexIds[threadId.x];
    MachineVertexOutput solid = solidVertexMain(vertexId);
    CapturedMachineCorner result;
    result.wirePosition = wireVertexMain(vertexId);
    result.solidPosition = solid.position;
    result.normal = float4(solid.Normal, 0.0f);
    captured[threadId.x] = result;
}
