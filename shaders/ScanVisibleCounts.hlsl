// Order-preserving compaction, second step: the visible counts of up to 4096
// groups become each group's first place in the list (an exclusive prefix
// sum), and the indexed draw's arguments get the list's length. Each of 64
// threads sums a run of 64 counts in turn, so that one barrier suffices: a
// CPU driver runs one group on one core and pays for every barrier.
#include "Compaction.hlsli"

StructuredBuffer<uint> groupCounts : register(t0);
RWStructuredBuffer<uint> groupOffsets : register(u0);
RWStructuredBuffer<uint> drawArguments : register(u1);  // index count, instances, first index, base vertex, first instance

static const uint kThreads = 64;
static const uint kGroupsPerThread = 64;

groupshared uint runSums[kThreads];

[numthreads(64, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID)
{
    uint thread = threadId.x;
    uint firstGroup = thread * kGroupsPerThread;
    uint sum = 0;
    for (uint k = 0; k < kGroupsPerThread; ++k)
    {
        uint group = firstGroup + k;
        sum += group < groupCount ? groupCounts[group] : 0u;
    }
    runSums[thread] = sum;
    GroupMemoryBarrierWithGroupSync();

    uint place = 0;
    for (uint run = 0; run < thread; ++run)
    {
        place += runSums[run];
    }
    for (uint j = 0; j < kGroupsPerThread; ++j)
    {
        uint group = firstGroup + j;
        if (group < groupCount)
        {
            groupOffsets[group] = place;
            place += groupCounts[group];
        }
    }
    if (thread == kThreads - 1)
    {
        drawArguments[0] = place * verticesPerItem;
        drawArguments[1] = 1u;
        drawArguments[2] = 0u;
        drawArguments[3] = 0u;
        drawArguments[4] = 0u;
    }
}
