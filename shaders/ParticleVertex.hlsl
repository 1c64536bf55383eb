// Each particle as a tiny quad of six vertices. The logo (scene 0) lives in
// clip space and is drawn flat on the screen; the flames (scene 3) live in
// landscape coordinates and are drawn as camera-facing squares.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

StructuredBuffer<float4> particles : register(t0);

struct ParticleOutput
{
    float4 position : SV_Position;
    float3 UVAge : UVAge;  // xy: corner offset in (-0.5, 0.5), z: age
};

static const float2 kCorners[6] =
{
    float2(-0.5f, -0.5f), float2(-0.5f,  0.5f), float2( 0.5f, -0.5f),
    float2(-0.5f,  0.5f), float2( 0.5f,  0.5f), float2( 0.5f, -0.5f),
};

ParticleOutput main(uint vertexId : SV_VertexID)
{
    float4 particle = particles[vertexId / 6];
    float2 corner = kCorners[vertexId % 6];

    ParticleOutput output;
    if (scene == 0)
    {
        output.position = float4(particle.xy + 0.0015f * corner, particle.z, 1.0f);
    }
    else
    {
        float3 world = particle.xyz;
        if (scene == 3)
        {
            world.xz -= 0.5f;  // flames are simulated in (0, 1] landscape coordinates
        }
        float4 camera = mul(worldToCamera, float4(world, 1.0f));
        camera.xy += 0.002f * corner;
        output.position = mul(cameraToClip, camera);
    }
    output.UVAge = float3(corner, particle.w);
    return output;
}
