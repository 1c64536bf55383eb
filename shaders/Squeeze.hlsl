// Averages the supersampled scene down to window size: each result pixel is
// the mean of its sx x sy block of scene texels.
//
// A group of 16 x 16 threads owns a strip of `columns` result columns
// (columns = 16 / sx, rounded down, so a strip holds whole blocks for every
// factor from 1 to 16) and walks down it, `rows` result rows (16 / sy) per
// step. In each step every thread loads at most one texel into group-shared
// memory, stored block by block, and each block is summed by a tree reduction
// that also handles block sizes that are not powers of two.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

Texture2D<float4> original : register(t0);
RWTexture2D<float4> result : register(u0);  // storage-format: rgba8

cbuffer SqueezeBuffer : register(b1)
{
    uint2 squeezeFactor;
    uint2 dummy666;
};

groupshared float4 blockTexels[256];

[numthreads(16, 16, 1)]
void main(uint3 groupId : SV_GroupID, uint3 thread : SV_GroupThreadID)
{
    uint2 factor = clamp(squeezeFactor, uint2(1, 1), uint2(16, 16));
    uint columns = 16 / factor.x;
    uint rows = 16 / factor.y;
    uint blockSize = factor.x * factor.y;

    uint2 resultSize;
    result.GetDimensions(resultSize.x, resultSize.y);
    uint2 outputSize = min(screenSize / factor, resultSize);

    // This thread's place in the tile: which block, and which texel of it.
    uint2 blockInTile = thread.xy / factor;
    uint2 texelInBlock = thread.xy % factor;
    bool loads = blockInTile.x < columns && blockInTile.y < rows;
    uint blockIndex = blockInTile.y * columns + blockInTile.x;
    uint texelIndex = texelInBlock.y * factor.x + texelInBlock.x;
    uint slot = blockIndex * blockSize + texelIndex;

    // Tree reduction: strides halve from the largest power of two below the
    // block size; a partner beyond the block's end is skipped.
    uint firstStride = 1;
    while (firstStride * 2 < blockSize)
    {
        firstStride *= 2;
    }

    uint outputX = groupId.x * columns + blockInTile.x;
    for (uint outputY0 = 0; outputY0 < outputSize.y; outputY0 += rows)
    {
        uint2 output = uint2(outputX, outputY0 + blockInTile.y);
        bool inside = loads && output.x < outputSize.x && output.y < outputSize.y;
        if (loads)
        {
            blockTexels[slot] = inside ? original.Load(int3(output * factor + texelInBlock, 0)) : float4(0.0f, 0.0f, 0.0f, 0.0f);
        }

        for (uint stride = firstStride; stride > 0 && blockSize > 1; stride /= 2)
        {
            GroupMemoryBarrierWithGroupSync();
            if (loads && texelIndex < stride && texelIndex + stride < blockSize)
            {
                blockTexels[slot] += blockTexels[slot + stride];
            }
        }
        GroupMemoryBarrierWithGroupSync();

        if (inside && texelIndex == 0)
        {
            result[output] = blockTexels[slot] / float(blockSize);
        }
        // The next tile overwrites the shared entries only after every block
        // has been written out.
        GroupMemoryBarrierWithGroupSync();
    }
}
