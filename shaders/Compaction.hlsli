// Order-preserving compaction of visible items into an index list, in three
// steps: a culling program decides per item, keeps the decisions as bits and
// counts the visible items of each group of 256 (countVisibleInGroup),
// ScanVisibleCounts turns the counts
// into each group's first place and writes the draw arguments, and
// WriteVisibleIndices lists the vertex numbers of every visible item at its
// place. An item covers `verticesPerItem` consecutive vertex numbers of the
// unindexed draw, so the indexed draw of the list draws exactly the visible
// items' vertices, in their original order. Where a quad's corners repeat
// (`indexPattern`), the list names each repeated corner by one vertex
// number, so that the driver's vertex cache shades it once; the repeated
// vertices compute the same values, so the picture stays the same.
#ifndef TOLMERO_COMPACTION_HLSLI
#define TOLMERO_COMPACTION_HLSLI

static const uint kCompactionGroupSize = 256;

cbuffer CompactionConstants : register(b1)
{
    uint itemCount;
    uint verticesPerItem;
    uint groupCount;
    uint indexPattern;  // 0: as drawn, 1: billboard quads, 2: landscape grid quads
    uint firstItem;     // the items are firstItem .. firstItem + itemCount - 1
};

#ifdef TOLMERO_CULLING_PROGRAM
// What a culling program writes: the items' flags as bits, 32 items a word
// and eight words a group, and the number of visible items of each group.
RWStructuredBuffer<uint> visibleMasks : register(u0);
RWStructuredBuffer<uint> groupCounts : register(u1);

groupshared uint groupMask[kCompactionGroupSize / 32];

// Every thread of the group must call it, items beyond itemCount with
// visible = false. Bits and atomics rather than a reduction tree: two
// barriers instead of nine, which a CPU driver pays for dearly.
void countVisibleInGroup(uint thread, uint group, bool visible)
{
    if (thread < kCompactionGroupSize / 32)
    {
        groupMask[thread] = 0u;
    }
    GroupMemoryBarrierWithGroupSync();
    if (visible)
    {
        InterlockedOr(groupMask[thread / 32], 1u << (thread % 32));
    }
    GroupMemoryBarrierWithGroupSync();
    if (thread < kCompactionGroupSize / 32)
    {
        visibleMasks[group * (kCompactionGroupSize / 32) + thread] = groupMask[thread];
    }
    if (thread == 0)
    {
        uint count = 0;
        [unroll] for (uint word = 0; word < kCompactionGroupSize / 32; ++word)
        {
            count += countbits(groupMask[word]);
        }
        groupCounts[group] = count;
    }
}
#endif

// Clip-space corners that all lie outside one plane of the view volume
// (-w <= x, y <= w, 0 <= z <= w) bound geometry that cannot reach a pixel.
// The small margin keeps anything that rounding could put on the inside.
bool allOutsideOnePlane(float4 corners[8], uint count)
{
    const float margin = 1e-4f;
    bool outside[6] = {true, true, true, true, true, true};
    for (uint i = 0; i < count; ++i)
    {
        float4 c = corners[i];
        float slack = margin * (abs(c.w) + 1e-3f);
        outside[0] = outside[0] && (c.x + c.w < -slack);
        outside[1] = outside[1] && (c.w - c.x < -slack);
        outside[2] = outside[2] && (c.y + c.w < -slack);
        outside[3] = outside[3] && (c.w - c.y < -slack);
        outside[4] = outside[4] && (c.z < -slack);
        outside[5] = outside[5] && (c.w - c.z < -slack);
    }
    return outside[0] || outside[1] || outside[2] || outside[3] || outside[4] || outside[5];
}

#endif
