// One direction of the glow's separable Gaussian (radius 20 texels, weights
// e^(-d^2/100)), scaled by 0.01 x strength. Direction 0 blurs each column of
// "source" into "bloom"; direction 1 blurs each row of "bloom" in place.
//
// One group per line. Lines of up to 2048 texels (every window up to
// 2048 wide) are summed straight from the image: each thread reads the 48
// inputs of its eight neighbouring outputs, the group waits once, and only
// then writes them, which keeps the in-place pass correct.
// Longer lines pass through group-shared memory in chunks (a ring of 1920
// texels): each chunk yields 1880 outputs and keeps the 20-texel aprons on
// both sides. Both ways add the same taps in the same order, so the glow is
// the same bit for bit.
#include "Random.hlsli"

RWTexture2D<float4> bloom : register(u0);   // storage-format: rgba16f
RWTexture2D<float4> source : register(u1);  // storage-format: rgba8

cbuffer consts : register(b0)
{
    uint3 settings;  // window width, window height, direction
    float strength;
};

static const uint kRing = 1920;
static const int kRadius = 20;
static const uint kChunk = kRing - 2 * kRadius;  // outputs per chunk
static const uint kOutputsPerThread = 8;
static const uint kDirectLine = 256 * kOutputsPerThread;  // longest line summed from the image

groupshared float4 lineTexels[kRing];
// The 41 weights e^(-d^2/100) for d = -20..20, worked out once per group
// rather than once per tap: the same expression on the same values.
groupshared float tapWeights[2 * kRadius + 1];

float4 readInput(uint direction, uint lineIndex, uint position)
{
    if (direction == 0)
    {
        return source[uint2(lineIndex, position)];
    }
    return bloom[uint2(position, lineIndex)];
}

void writeOutput(uint direction, uint lineIndex, uint position, float4 glow)
{
    if (direction == 0)
    {
        bloom[uint2(lineIndex, position)] = glow;
    }
    else
    {
        bloom[uint2(position, lineIndex)] = glow;
    }
}

[numthreads(256, 1, 1)]
void main(uint3 groupId : SV_GroupID, uint3 thread : SV_GroupThreadID)
{
    uint direction = settings.z;
    uint lineIndex = groupId.x;
    uint lineLength = direction == 0 ? settings.y : settings.x;

    if (thread.x <= 2 * kRadius)
    {
        float d = float(int(thread.x) - kRadius);
        tapWeights[thread.x] = exp2(-0.0144269504f * d * d);
    }

    if (lineLength <= kDirectLine)
    {
        GroupMemoryBarrierWithGroupSync();
        // Eight neighbouring outputs share 48 inputs: each input is read once
        // and added into every output it reaches, so each output still adds
        // its taps from the lowest to the highest.
        int firstOutput = int(thread.x * kOutputsPerThread);
        float4 sums[kOutputsPerThread];
        [unroll] for (uint i = 0; i < kOutputsPerThread; ++i)
        {
            sums[i] = float4(0.0f, 0.0f, 0.0f, 0.0f);
        }
        [unroll] for (int r = 0; r < int(kOutputsPerThread) + 2 * kRadius; ++r)
        {
            int k = firstOutput - kRadius + r;
            if (k >= 0 && k < int(lineLength))
            {
                float4 texel = readInput(direction, lineIndex, uint(k));
                [unroll] for (int j = 0; j < int(kOutputsPerThread); ++j)
                {
                    int tap = r - j;  // k - (firstOutput + j) + kRadius
                    if (tap >= 0 && tap <= 2 * kRadius)
                    {
                        sums[j] += texel * tapWeights[tap];
                    }
                }
            }
        }
        // Direction 1 writes the line it reads.
        GroupMemoryBarrierWithGroupSync();
        [unroll] for (uint o = 0; o < kOutputsPerThread; ++o)
        {
            uint y = uint(firstOutput) + o;
            if (y < lineLength)
            {
                writeOutput(direction, lineIndex, y, sums[o] * strength * 0.01f);
            }
        }
        return;
    }

    for (uint chunkStart = 0; chunkStart < lineLength; chunkStart += kChunk)
    {
        // Inputs up to 20 texels past the chunk's end; the ring already holds
        // the 40 texels around the chunk's start from the previous chunk.
        uint loadBegin = chunkStart == 0 ? 0 : chunkStart + kRadius;
        uint loadEnd = min(chunkStart + kChunk + kRadius, lineLength);
        for (uint p = loadBegin + thread.x; p < loadEnd; p += 256)
        {
            lineTexels[p % kRing] = readInput(direction, lineIndex, p);
        }
        GroupMemoryBarrierWithGroupSync();

        uint chunkEnd = min(chunkStart + kChunk, lineLength);
        for (uint y = chunkStart + thread.x; y < chunkEnd; y += 256)
        {
            int first = max(int(y) - kRadius, 0);
            int last = min(int(y) + kRadius, int(lineLength) - 1);
            float4 sum = float4(0.0f, 0.0f, 0.0f, 0.0f);
            for (int k = first; k <= last; ++k)
            {
                sum += lineTexels[uint(k) % kRing] * tapWeights[k - int(y) + kRadius];
            }
            writeOutput(direction, lineIndex, y, sum * strength * 0.01f);
        }
        // The next chunk's loads overwrite ring entries that this chunk read.
        GroupMemoryBarrierWithGroupSync();
    }
}
