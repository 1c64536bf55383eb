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

// Flame flow potential: value noise swirl plus linear terms whose curl is a
// steady rise.
float3 flamePotential(float3 p)
{
    float3 q = 60.0f * p;
    return float3(2.0f * valueNoise3(q) + 50.0f * p.z,
                  2.0f * valueNoise3(q + float3(0.0f, 0.0f, 1.0f)),
                  2.0f * valueNoise3(q + float3(0.0f, 0.0f, 2.0f)) - 50.0f * p.x);
}

// Logo flow potential in (x, y, w) space; its linear terms blow to +x.
float3 logoPotential(float3 p)
{
    float3 q = 7.0f * p;
    return float3(20.0f * valueNoise3(q + float3(0.0f, 0.0f, 1.0f)),
                  20.0f * valueNoise3(q) - 60.0f * p.z,
                  20.0f * valueNoise3(q + float3(0.0f, 0.0f, 2.0f)) + 60.0f * p.y);
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
    return curlOf(flamePotential(p), flamePotential(p + float3(0.001f, 0.0f, 0.0f)),
                  flamePotential(p + float3(0.0f, 0.001f, 0.0f)), flamePotential(p + float3(0.0f, 0.0f, 0.001f)));
}

float3 logoCurl(float3 p)
{
    return curlOf(logoPotential(p), logoPotential(p + float3(0.001f, 0.0f, 0.0f)),
                  logoPotential(p + float3(0.0f, 0.001f, 0.0f)), logoPotential(p + float3(0.0f, 0.0f, 0.001f)));
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
