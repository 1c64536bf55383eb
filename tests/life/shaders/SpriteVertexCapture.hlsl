// Runs the production's sprite vertex program on chosen vertex numbers and
// stores what it emits, so that tests can compare it with the CPU reference.
#define main spriteVertexMain
#include "SpriteVertex.hlsl"
#undef main

struct CapturedSpriteCorner
{
    float4 position;
    float2 uv;
    int type;
    int index;
};

StructuredBuffer<uint> vertexIds : register(t3);
RWStructuredBuffer<CapturedSpriteCorner> captured : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 threadId : SV_DispatchThreadID)
{
    uint count, stride;
    vertexIds.GetDimensions(count, stride);
    if (threadId.x >= count)
    {
        return;
    }
    SpriteVertexOutput corner = spriteVertexMain(vertexIds[threadId.x]);
    CapturedSpriteCorner result;
    result.position = corner.position;
    result.uv = corner.UV;
    result.type = corner.Type;
    result.index = corner.Index;
    captured[threadId.x] = result;
}
