// Order-preserving compaction, third step: every visible item writes the
// vertex numbers it covers at its place in the list, its group's first place
// plus the visible items before it in the group, counted in the group's
// bits: no shared memory and no barrier.
#include "Compaction.hlsli"

StructuredBuffer<uint> visibleMasks : register(t0);
StructuredBuffer<uint> groupOffsets : register(t1);
RWStructuredBuffer<uint> visibleIndices : register(u0);

// The vertex number that stands for `vertex` in the list. Both kinds of quad
// are six vertices, two triangles, numbered from the quad's first vertex.
uint sharedVertex(uint vertex)
{
    uint corner = vertex % 6u;
    uint quadStart = vertex - corner;
    if (indexPattern == 1u)
    {
        // Billboard corners 3 and 5 are corners 1 and 2 again.
        return quadStart + (corner == 3u ? 1u : (corner == 5u ? 2u : corner));
    }
    if (indexPattern == 2u)
    {
        // A grid quad's corners (0,0) (1,0) (0,1) (0,1) (1,0) (1,1), where the
        // vertex depends on its grid point alone: the points of the quad's
        // right edge are the next quad's corners 0 and 1, except at the end of
        // the grid's row.
        bool lastInRow = ((vertex / 6u) & 511u) == 511u;
        if (corner == 4u) return quadStart + 1u;
        if (corner == 2u || corner == 3u) return quadStart + (lastInRow ? 2u : 6u);
        if (corner == 5u) return quadStart + (lastInRow ? 5u : 7u);
        return vertex;
    }
    return vertex;
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    uint thread = threadId.x;
    uint item = dispatchId.x;
    uint firstWord = groupId.x * (kCompactionGroupSize / 32);
    uint ownWord = visibleMasks[firstWord + thread / 32];
    uint bit = 1u << (thread % 32);
    if (item >= itemCount || (ownWord & bit) == 0u)
    {
        return;
    }
    uint before = countbits(ownWord & (bit - 1u));
    for (uint word = 0; word < thread / 32; ++word)
    {
        before += countbits(visibleMasks[firstWord + word]);
    }
    uint place = groupOffsets[groupId.x] + before;
    uint firstVertex = (firstItem + item) * verticesPerItem;
    uint firstIndex = place * verticesPerItem;
    for (uint k = 0; k < verticesPerItem; ++k)
    {
        visibleIndices[firstIndex + k] = sharedVertex(firstVertex + k);
    }
}
