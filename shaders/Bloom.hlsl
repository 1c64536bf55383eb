// One direction of the glow's separable Gaussian (radius 20 texels, weights
// e^(-d^2/100)), scaled by 0.01 x strength. Direction 0 blurs each column of
// "source" into "bloomColumns"; direction 1 blurs each row of "bloomColumns"
// into "bloom".
//
// Each thread makes eight neighbouring outputs of one line from the 48 inputs
// they share: each input is read once and added into every output it
// reaches, so each output adds its taps from the lowest to the highest. The
// threads are numbered densely over the runs of eight outputs of all lines,
// so that a short line leaves no thread idle (a CPU driver runs every thread
// of a group, busy or not), and neither pass writes what it reads, so the
// only barrier is the one after the weights.

RWTexture2D<float4> bloom : register(u0);         // storage-format: rgba16f
RWTexture2D<float4> source : register(u1);        // storage-format: rgba8
RWTexture2D<float4> bloomColumns : register(u2);  // storage-format: rgba16f

cbuffer consts : register(b0)
{
    uint3 settings;  // window width, window height, direction
    float strength;
};

static const int kRadius = 20;
static const uint kOutputsPerThread = 8;
static const uint kGroupSize = 64;
// Groups are dispatched in rows of at most this many, so that the largest
// windows stay within the dispatch's limit of 65535 groups a dimension.
static const uint kGroupsPerRow = 1024;

// The 41 weights e^(-d^2/100) for d = -20..20, worked out once per group
// rather than once per tap: the same expression on the same values.
groupshared float tapWeights[2 * kRadius + 1];

float4 readInput(uint direction, uint lineIndex, uint position)
{
    if (direction == 0)
    {
        return source[uint2(lineIndex, position)];
    }
    return bloomColumns[uint2(position, lineIndex)];
}

void writeOutput(uint direction, uint lineIndex, uint position, float4 glow)
{
    if (direction == 0)
    {
        bloomColumns[uint2(lineIndex, position)] = glow;
    }
    else
    {
        bloom[uint2(position, lineIndex)] = glow;
    }
}

[numthreads(64, 1, 1)]
void main(uint3 groupId : SV_GroupID, uint3 thread : SV_GroupThreadID)
{
    uint direction = settings.z;
    uint lineLength = direction == 0 ? settings.y : settings.x;
    uint lineCount = direction == 0 ? settings.x : settings.y;

    if (thread.x <= 2 * kRadius)
    {
        float d = float(int(thread.x) - kRadius);
        tapWeights[thread.x] = exp2(-0.0144269504f * d * d);
    }
    GroupMemoryBarrierWithGroupSync();

    uint runsPerLine = (lineLength + kOutputsPerThread - 1) / kOutputsPerThread;
    uint run = (groupId.y * kGroupsPerRow + groupId.x) * kGroupSize + thread.x;
    uint lineIndex = run / runsPerLine;
    if (lineIndex >= lineCount)
    {
        return;
    }

    int firstOutput = int((run % runsPerLine) * kOutputsPerThread);
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
    [unroll] for (uint o = 0; o < kOutputsPerThread; ++o)
    {
        uint y = uint(firstOutput) + o;
        if (y < lineLength)
        {
            writeOutput(direction, lineIndex, y, sums[o] * strength * 0.01f);
        }
    }
}
