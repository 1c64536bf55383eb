// One simulation step of a particle system, in place. Scene 3 simulates the
// flames (x, z landscape coordinates in (0, 1], y a world height); every other
// scene the logo (x, y in normalised device coordinates, z a depth). The
// fourth component is the age: below 0 dormant, 0 to 1 alive.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);
Texture2D<float4> logo : register(t1);
RWStructuredBuffer<float4> particles : register(u0);

// Rejection sampling gives up after this many tries, so that a logo without
// any dark pixel (or a field without any flame ground) cannot hang the GPU.
// Real data needs a handful of tries. The loops are written as for + break:
// Mesa 22.3's lavapipe ran a do-while whose exit test reads a texture sample
// one iteration too far.
static const uint kMaxTries = 256;

float field(uint slice, float2 uv)
{
    return randoms.SampleLevel(linearSampler, float3(uv, slice), 0.0f);
}

float draw(inout uint3 state)
{
    return unit(nextRandom(state));
}

// The curl samples value noise at four points (the particle and its three
// steps of 0.001), each in three fields stacked 1 apart in z: twelve cells of
// eight lattice values, 96 hashes, of which almost all repeat. Every lattice
// point that those cells can reach is hashed once instead, and each cell
// takes its corners from them by fixed places: from the corner `origin` of
// the particle's own cell (in the potential's scaled coordinates), a
// sample's cell lies at x and y offsets 0 or 1 (1 only after a step across
// a face in that axis) and at a z offset of f to f + 2 in field f (rounding
// q.z + f, and a step in z). The reachable points: x 0..1, y 0..1, z 0..4;
// the column x 2 and the row y 2 (z 0..4), reached only by the steps in x and
// y; the layer z 5 (x, y 0..1), reached only by the step in z in field 2.
// That is 44 hashes, and a CPU driver, which runs both sides of every
// branch, has no branch to run. The same values are blended in the same
// order as valueNoise3 blends them, so each sample is valueNoise3's bit for
// bit (for scaled coordinates below 2^16, where a step of 0.001 moves less
// than one cell).

// The reachable lattice values of the particle being stepped, [x][y][z]
// offsets from `latticeOrigin`; a program-wide array read only at fixed
// places, so that it lives in registers and no call copies it.
static int3 latticeOrigin;
static float latticeValues[3][3][6];

void hashCurlLattice(float3 q)
{
    latticeOrigin = int3(floor(q));
    [unroll] for (int x = 0; x < 3; ++x)
    {
        [unroll] for (int y = 0; y < 3; ++y)
        {
            [unroll] for (int z = 0; z < 6; ++z)
            {
                bool reachable = z < 5 ? (x < 2 || y < 2) : (x < 2 && y < 2);
                if (reachable)
                {
                    latticeValues[x][y][z] = latticeValue(latticeOrigin + int3(x, y, z));
                }
            }
        }
    }
}

// One corner of a sample's cell at `offset` from the origin. The cell of
// field f lies at z offset f or f + 1 (f + 2 too after a step in z), and
// at x (or y) offset 1 only after a step in x (or y).
float latticeCorner(int3 offset, int step, int field, int3 corner)
{
    int x = corner.x, y = corner.y, z = field + corner.z;
    if (step == 0)
    {
        float near = offset.z == field ? latticeValues[x][y][z] : latticeValues[x][y][z + 1];
        float far = offset.z == field ? latticeValues[x + 1][y][z] : latticeValues[x + 1][y][z + 1];
        return offset.x == 0 ? near : far;
    }
    if (step == 1)
    {
        float near = offset.z == field ? latticeValues[x][y][z] : latticeValues[x][y][z + 1];
        float far = offset.z == field ? latticeValues[x][y + 1][z] : latticeValues[x][y + 1][z + 1];
        return offset.y == 0 ? near : far;
    }
    if (step == 2)
    {
        float upper = offset.z == field + 1 ? latticeValues[x][y][z + 1] : latticeValues[x][y][z + 2];
        return offset.z == field ? latticeValues[x][y][z] : upper;
    }
    return offset.z == field ? latticeValues[x][y][z] : latticeValues[x][y][z + 1];
}

// valueNoise3 of field `field` at q, from the lattice: `step` is the axis of
// the sample's step of 0.001 (3 for the particle itself).
float sampleNoise(float3 q, int step, int field)
{
    float3 p = q + float3(0.0f, 0.0f, float(field));
    float3 cell = floor(p);
    float3 f = frac(p);
    float3 w = f * f * (3.0f - 2.0f * f);
    int3 offset = int3(cell) - latticeOrigin;
    float x00 = lerp(latticeCorner(offset, step, field, int3(0, 0, 0)), latticeCorner(offset, step, field, int3(1, 0, 0)), w.x);
    float x10 = lerp(latticeCorner(offset, step, field, int3(0, 1, 0)), latticeCorner(offset, step, field, int3(1, 1, 0)), w.x);
    float x01 = lerp(latticeCorner(offset, step, field, int3(0, 0, 1)), latticeCorner(offset, step, field, int3(1, 0, 1)), w.x);
    float x11 = lerp(latticeCorner(offset, step, field, int3(0, 1, 1)), latticeCorner(offset, step, field, int3(1, 1, 1)), w.x);
    float y0 = lerp(x00, x10, w.y);
    float y1 = lerp(x01, x11, w.y);
    return lerp(y0, y1, w.z);
}

// Flame flow potential: value noise swirl plus linear terms whose curl is a
// steady rise.
float3 flamePotential(float3 p, int step)
{
    float3 q = 60.0f * p;
    return float3(2.0f * sampleNoise(q, step, 0) + 50.0f * p.z,
                  2.0f * sampleNoise(q, step, 1),
                  2.0f * sampleNoise(q, step, 2) - 50.0f * p.x);
}

// Logo flow potential in (x, y, w) space; its linear terms blow to +x.
float3 logoPotential(float3 p, int step)
{
    float3 q = 7.0f * p;
    return float3(20.0f * sampleNoise(q, step, 1),
                  20.0f * sampleNoise(q, step, 0) - 60.0f * p.z,
                  20.0f * sampleNoise(q, step, 2) + 60.0f * p.y);
}

// Curl of a potential by forward differences of step 0.001, not divided by
// the step: (Dy pz - Dz py, Dz px - Dx pz, Dx py - Dy px).
float3 curlOf(float3 base, float3 stepX, float3 stepY, float3 stepZ)
{
    float3 dx = stepX - base;
    float3 dy = stepY - base;
    float3 dz = stepZ - base;
    return float3(dy.z - dz.y, dz.x - dx.z, dx.y - dy.x);
}

float3 flameCurl(float3 p)
{
    hashCurlLattice(60.0f * p);
    return curlOf(flamePotential(p, 3), flamePotential(p + float3(0.001f, 0.0f, 0.0f), 0),
                  flamePotential(p + float3(0.0f, 0.001f, 0.0f), 1),
                  flamePotential(p + float3(0.0f, 0.0f, 0.001f), 2));
}

float3 logoCurl(float3 p)
{
    hashCurlLattice(7.0f * p);
    return curlOf(logoPotential(p, 3), logoPotential(p + float3(0.001f, 0.0f, 0.0f), 0),
                  logoPotential(p + float3(0.0f, 0.001f, 0.0f), 1),
                  logoPotential(p + float3(0.0f, 0.0f, 0.001f), 2));
}

float4 stepFlame(float4 particle, inout uint3 state)
{
    if (particle.w > 1.0f || resetParticles == 1)
    {
        // Respawn on scene 3's ground, only where slice 7 is not clearly negative.
        for (uint tries = 0; tries < kMaxTries; ++tries)
        {
            particle.x = draw(state);
            particle.z = draw(state);
            float groundHeight = field(3, particle.xz);
            float placement = field(7, particle.xz);
            particle.y = groundHeight * (0.05f + 0.2f * draw(state)) + 0.001f;
            // The age draw is taken in every try, reset or not, so that the
            // stream of draws is the same in both cases.
            float ageDraw = draw(state);
            particle.w = resetParticles != 0 ? ageDraw : 0.0f;
            if (placement >= 0.01f * draw(state) - 0.0001f)
            {
                break;
            }
        }
    }

    particle.w += 0.01f * (0.5f + draw(state) * 0.5f);

    particle.xyz += 0.003f * flameCurl(particle.xyz);
    return particle;
}

float4 stepLogo(float4 particle, inout uint3 state)
{
    if (resetParticles != 0)
    {
        // Dormant particles spread over the dark shape of the logo.
        for (uint tries = 0; tries < kMaxTries; ++tries)
        {
            particle.x = 2.0f * draw(state) - 1.0f;
            particle.y = 2.0f * draw(state) - 1.0f;
            particle.z = 0.45f + 0.1f * draw(state);
            float2 uv = float2(0.5f * particle.x + 0.5f, 0.5f - 0.5f * particle.y);
            if (logo.SampleLevel(linearSampler, uv, 0.0f).r <= 0.5f)
            {
                break;
            }
        }
        particle.w = -1.0f;
    }

    // Activation sweeps across the logo from left to right with a ragged edge.
    // Its draw is taken for every particle, dormant or awake.
    float edgeDraw = draw(state);
    if (particle.w < 0.0f && 0.5f * particle.x - 0.5f < 3.0f * (0.05f * edgeDraw + logoActivation - 1.0f) - 2.0f)
    {
        particle.w = 0.01f;
    }

    if (particle.w >= 0.0f)
    {
        float age = particle.w + 0.01f * (0.5f + 0.5f * draw(state));
        float3 p = float3(particle.x, particle.y, 2.0f * particle.z);  // (x, y, w)
        particle.xyz += 0.08f * (1.0f - age) * logoCurl(p);
        particle.w = age;
    }
    return particle;
}

[numthreads(256, 1, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    uint count, stride;
    particles.GetDimensions(count, stride);
    uint index = id.x;
    if (index >= count)
    {
        return;
    }

    uint3 state = uint3(2u, uint(time * 1000.0f), index);
    float4 particle = particles[index];
    if (scene == 3)
    {
        particles[index] = stepFlame(particle, state);
    }
    else
    {
        particles[index] = stepLogo(particle, state);
    }
}
