// The eight random fields, computed once before the music starts. One thread
// per texel (i, j) writes all eight slices: slices 0 to 3 are the height
// fields of scenes 0 to 3, slices 4 to 7 raw noise for texture mixing, waves
// and flame placement.
#include "Random.hlsli"

RWTexture2DArray<float> randoms : register(u0);  // storage-format: r32f

static const uint kSliceCount = 8;

// The value of one lattice corner of the fractal's 2D noise. Four rounds give
// a weight g that is near 1 only for small draws (rare large spikes), one more
// round the signed value that the weight scales.
float spikyCorner(int2 corner, uint seed)
{
    uint a = uint(corner.x) + 0xEFFFFFFFu;
    uint b = uint(corner.y) + 0xEFFFFFFFu;
    uint c = seed;
    [unroll] for (int i = 0; i < 4; ++i)
    {
        mix96(a, b, c);
    }
    float g = 1.0f - log2(float(c % 0xFFFFFFFFu) * 0.5f + 1.0f) / 31.0f;
    g *= g;
    mix96(a, b, c);
    return g * (unit(c) - 0.5f);
}

// 2D lattice noise: the four corners of the cell blended with smoothstep
// weights, x first, then y.
float spikyNoise(float2 p, uint seed)
{
    float2 cell = floor(p);
    float2 f = frac(p);
    float2 w = f * f * (3.0f - 2.0f * f);
    int2 i = int2(cell);
    float bottom = lerp(spikyCorner(i, seed), spikyCorner(i + int2(1, 0), seed), w.x);
    float top = lerp(spikyCorner(i + int2(0, 1), seed), spikyCorner(i + int2(1, 1), seed), w.x);
    return lerp(bottom, top, w.y);
}

// Five octaves whose scale shrinks by 2^-0.926 each; the amplitude is the
// inverse of the scale, so the coarse octaves weigh most.
float fractal(float2 uv, uint seed)
{
    float n = -0.01f;
    [unroll] for (int k = 0; k < 5; ++k)
    {
        float scale = exp2(-0.925999403f * float(k));
        n += spikyNoise((uv * 100.0f + 8.0f) * scale, seed) / scale;
    }
    return n;
}

// sqrt of the scaled positive part, a faint slope below zero: flattens the
// valleys into broad low ground and lifts the hills.
float squashed(float a, float k)
{
    return sqrt(max(k * a, 0.0f)) + 0.02f * min(a, 0.0f);
}

[numthreads(16, 16, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    uint width, height, slices;
    randoms.GetDimensions(width, height, slices);
    if (id.x >= width || id.y >= height)
    {
        return;
    }

    float2 uv = float2(id.xy) / 1024.0f;

    // Rounded-square edge masks: 0 inside, rising toward the border.
    float2 d = uv - 0.5f;
    float2 d2 = d * d;
    float2 d4v = d2 * d2;
    float d4 = max(sqrt(sqrt(d4v.x + d4v.y)) - 0.45f, 0.0f);
    float2 d8v = d4v * d4v;
    float d8 = max(sqrt(sqrt(sqrt(d8v.x + d8v.y))) - 0.45f, 0.0f);

    for (uint s = 0; s < kSliceCount; ++s)
    {
        float n = fractal(uv, 999u * s + 1000u);
        float h = n + 0.005f;
        float value;
        if (s == 0)
        {
            value = squashed(h, 0.9f) + 2.0f * d4;          // rim around the landscape
        }
        else if (s == 1)
        {
            float h1 = h + (uv.x - 0.4f) * 0.1f;            // ground tilts along u
            value = sqrt(max(0.9f * h1, 0.0f)) + 3.8f * min(h1, 0.0f) - 4.0f * d8;  // rim cut down
        }
        else if (s == 2)
        {
            value = squashed(h, 0.7f) + 2.0f * d4;
        }
        else if (s == 3)
        {
            value = squashed(h, 0.1f) + 2.0f * d4;
        }
        else
        {
            value = n;
        }
        randoms[uint3(id.xy, s)] = 0.6f * value;
    }
}
