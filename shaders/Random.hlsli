// Shared random functions. The random state is three 32-bit unsigned integers
// (a, b, c); all arithmetic wraps modulo 2^32 and every shift is logical.
#ifndef TOLMERO_RANDOM_HLSLI
#define TOLMERO_RANDOM_HLSLI

// Bob Jenkins' 96-bit mix, in its exact order.
void mix96(inout uint a, inout uint b, inout uint c)
{
    a -= b; a -= c; a ^= c >> 13;
    b -= c; b -= a; b ^= a << 8;
    c -= a; c -= b; c ^= b >> 13;
    a -= b; a -= c; a ^= c >> 12;
    b -= c; b -= a; b ^= a << 16;
    c -= a; c -= b; c ^= b >> 5;
    a -= b; a -= c; a ^= c >> 3;
    b -= c; b -= a; b ^= a << 10;
    c -= a; c -= b; c ^= b >> 15;
}

// One draw: mix the state once and take c.
uint nextRandom(inout uint3 state)
{
    mix96(state.x, state.y, state.z);
    return state.z;
}

// A draw as a value in (0, 1].
float unit(uint c)
{
    return (float(c % 0xFFFFFFFFu) + 1.0f) * 2.3283064365386963e-10f;  // 2^-32
}

// A draw as a value in (-0.5, 0.5].
float centredUnit(uint c)
{
    return unit(c) - 0.5f;
}

// The random value of an integer lattice point, in (-0.5, 0.5].
float latticeValue(int3 p)
{
    uint a = uint(p.x) + 0xEFFFFFFFu;
    uint b = uint(p.y) + 0xEFFFFFFFu;
    uint c = uint(p.z);
    [unroll] for (int i = 0; i < 5; ++i)
    {
        mix96(a, b, c);
    }
    return unit(c) - 0.5f;
}

// Value noise: the lattice values of the cell's eight corners blended
// trilinearly (x first, then y, then z) with smoothstep weights f^2 (3 - 2f).
float valueNoise3(float3 p)
{
    float3 cell = floor(p);
    float3 f = frac(p);
    float3 w = f * f * (3.0f - 2.0f * f);
    int3 i = int3(cell);
    float x00 = lerp(latticeValue(i + int3(0, 0, 0)), latticeValue(i + int3(1, 0, 0)), w.x);
    float x10 = lerp(latticeValue(i + int3(0, 1, 0)), latticeValue(i + int3(1, 1, 0)), w.x);
    float x01 = lerp(latticeValue(i + int3(0, 0, 1)), latticeValue(i + int3(1, 0, 1)), w.x);
    float x11 = lerp(latticeValue(i + int3(0, 1, 1)), latticeValue(i + int3(1, 1, 1)), w.x);
    float y0 = lerp(x00, x10, w.y);
    float y1 = lerp(x01, x11, w.y);
    return lerp(y0, y1, w.z);
}

#endif
