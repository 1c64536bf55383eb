// Averages the supersampled scene down to window size: each result pixel is
// the mean of its sx x sy block of scene texels.
//
// One thread per result pixel, in groups of 16 x 16 result pixels. Each
// thread sums its own block, so no thread waits for another: on the CPU
// driver a group barrier costs a switch through every thread of the group,
// and the earlier strip-walking version spent most of its time in them.
// The block is summed in the order of a halving tree reduction over the
// block's texels in row order (texel i takes partner i + s for s = n/2, ...,
// 2, 1, where n is the power of two at or above the block size, and a
// partner beyond the block's end is skipped): the sums, and so the pictures,
// are the same bit for bit as those of a reduction through shared memory.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

Texture2D<float4> original : register(t0);
RWTexture2D<float4> result : register(u0);  // storage-format: rgba8

cbuffer SqueezeBuffer : register(b1)
{
    uint2 squeezeFactor;
    uint2 dummy666;
};

// Up to 16 x 16 texels: 256 leaves, a tree of 8 levels, 9 partial sums.
static const uint kMaxLevels = 8;

float4 loadTexel(uint2 origin, uint2 factor, uint texel)
{
    uint2 offset = uint2(texel % factor.x, texel / factor.x);
    return original.Load(int3(origin + offset, 0));
}

// The tree's leaves are visited left to right, which is the texels in
// bit-reversed order; a stack holds the sum of each finished subtree that
// still waits for its right-hand sibling, with whether it holds any texel.
float4 blockSum(uint2 origin, uint2 factor)
{
    uint blockSize = factor.x * factor.y;
    if (blockSize == 1)
    {
        return loadTexel(origin, factor, 0);
    }
    uint levels = firstbithigh(blockSize - 1) + 1;  // n = 2^levels >= blockSize
    uint leaves = 1u << levels;

    float4 partial[kMaxLevels + 1];
    bool holdsTexels[kMaxLevels + 1];
    uint depth = 0;
    for (uint k = 0; k < leaves; ++k)
    {
        uint texel = reversebits(k) >> (32 - levels);
        bool inside = texel < blockSize;
        partial[depth] = inside ? loadTexel(origin, factor, texel) : float4(0.0f, 0.0f, 0.0f, 0.0f);
        holdsTexels[depth] = inside;
        ++depth;
        // Each trailing one bit of k closes a subtree: its right half joins
        // its left half, unless the right half lies past the block's end.
        for (uint rest = k; (rest & 1u) != 0u; rest >>= 1)
        {
            --depth;
            if (holdsTexels[depth])
            {
                partial[depth - 1] += partial[depth];
            }
        }
    }
    return partial[0];
}

[numthreads(16, 16, 1)]
void main(uint3 dispatchId : SV_DispatchThreadID)
{
    uint2 factor = clamp(squeezeFactor, uint2(1, 1), uint2(16, 16));
    uint2 resultSize;
    result.GetDimensions(resultSize.x, resultSize.y);
    uint2 outputSize = min(screenSize / factor, resultSize);

    uint2 output = dispatchId.xy;
    if (output.x >= outputSize.x || output.y >= outputSize.y)
    {
        return;
    }
    result[output] = blockSum(output * factor, factor) / float(factor.x * factor.y);
}
