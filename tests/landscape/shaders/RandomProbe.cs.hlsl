// Runs the shared random functions on given inputs so that tests can compare
// them with their CPU versions: per input (x, y, z), output 2i holds the state
// after one mix96 of (x, y, z) and the bits of unit(x); output 2i + 1 the bits
// of latticeValue(int3(x, y, z)) and of valueNoise3(asfloat(x, y, z)).
#include "Random.hlsli"

StructuredBuffer<uint4> inputs : register(t0);
RWStructuredBuffer<uint4> outputs : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    uint count, stride;
    inputs.GetDimensions(count, stride);
    if (id.x >= count)
    {
        return;
    }
    uint4 input = inputs[id.x];
    uint3 state = input.xyz;
    nextRandom(state);
    outputs[2 * id.x] = uint4(state, asuint(unit(input.x)));
    outputs[2 * id.x + 1] = uint4(asuint(latticeValue(asint(input.xyz))), asuint(valueNoise3(asfloat(input.xyz))), 0, 0);
}
