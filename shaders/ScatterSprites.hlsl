// Places the vegetation: one sprite per thread at a random point of the
// landscape, with a plant class picked by weights that follow the height of
// the scene's ground there. Runs once per scene change.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);   // height fields, one slice per scene
StructuredBuffer<int> classFirst : register(t1);  // first sprite type of each class
StructuredBuffer<int> classCounts : register(t2); // number of types in each class
RWStructuredBuffer<float4> spriteLocations : register(u0);  // (x, h, z, type)

static const int kClassCount = 6;

float smoothUnit(float v)
{
    v = saturate(v);
    return v * v * (3.0f - 2.0f * v);
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_DispatchThreadID)
{
    uint i = threadId.x;
    uint spriteCount, stride;
    spriteLocations.GetDimensions(spriteCount, stride);
    if (i >= spriteCount)
    {
        return;
    }

    uint3 state = uint3(i, 3u, 4u);
    [unroll] for (int round = 0; round < 4; ++round)
    {
        mix96(state.x, state.y, state.z);
    }
    float x = unit(nextRandom(state));
    float z = unit(nextRandom(state));
    float h = randoms.SampleLevel(linearSampler, float3(x, z, float(scene)), 0.0f);

    // Grass everywhere; trees on higher ground, pines only in the hollows,
    // bog plants from the water line up.
    float s1 = smoothUnit((h - 0.01f) * 100.0f);
    float s2 = smoothUnit((h - 0.01f) * 200.0f);
    float s3 = smoothUnit((h - 0.0001f) * -5000.0f);
    float s4 = smoothUnit(h * 100.0f);
    float weights[kClassCount];
    weights[0] = 1.0f;                       // grass tufts
    weights[1] = 0.0015f * s1 + 0.00001f;    // birches
    weights[2] = weights[1];                 // spruces
    weights[3] = 0.0001f * s2;               // the decaying birch
    weights[4] = 0.00003f * s3;              // pines
    weights[5] = 0.3f * s4 + 0.001f;         // bog flower and dwarf shrubs

    float total = 0.0f;
    [unroll] for (int k = 0; k < kClassCount; ++k)
    {
        total += weights[k];
    }
    float r = total * unit(nextRandom(state));
    int plantClass = kClassCount - 1;  // rounding may leave r past the last weight
    [unroll] for (int j = 0; j < kClassCount; ++j)
    {
        if (r < weights[j])
        {
            plantClass = j;
            break;
        }
        r -= weights[j];
    }

    uint c = nextRandom(state);
    int type = classFirst[plantClass] + int(c % uint(classCounts[plantClass]));
    spriteLocations[i] = float4(x, h, z, float(type));
}
