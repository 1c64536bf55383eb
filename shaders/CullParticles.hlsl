// Which particles can reach a pixel: a particle is culled when the four
// corners of its quad, computed exactly as ParticleVertex computes them, all
// lie outside one plane of the view volume, or when the quad lies in front
// of the eye and its screen rectangle holds no pixel centre. The logo's
// quads are a fraction of a pixel at small sizes, so most of its 200,000
// particles give no fragment there. A logo particle older than 0.5 is culled
// too: the logo's pixel program discards its every fragment, since its draw
// d lies in (0, 1] and 0.5 d^2 < age.
#define TOLMERO_CULLING_PROGRAM
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Compaction.hlsli"
#include "ScreenBounds.hlsli"

StructuredBuffer<float4> particles : register(t0);

bool particleMayShow(uint index)
{
    float4 particle = particles[index];
    float4 corners[8];
    [unroll] for (uint k = 0; k < 4; ++k)
    {
        float2 corner = float2((k & 1u) != 0u ? 0.5f : -0.5f, (k & 2u) != 0u ? 0.5f : -0.5f);
        if (scene == 0)
        {
            corners[k] = float4(particle.xy + 0.0015f * corner, particle.z, 1.0f);
        }
        else
        {
            float3 world = particle.xyz;
            if (scene == 3)
            {
                world.xz -= 0.5f;
            }
            float4 camera = mul(worldToCamera, float4(world, 1.0f));
            camera.xy += 0.002f * corner;
            corners[k] = mul(cameraToClip, camera);
        }
    }
    ScreenBounds bounds;
    bool inFront;
    bool pastVisibility = scene == 0 && particle.w > 0.5f;
    return quadMayShow(corners, 4, bounds, inFront) && !pastVisibility;
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    uint index = dispatchId.x;
    bool visible = index < itemCount && particleMayShow(index);
    countVisibleInGroup(threadId.x, groupId.x, visible);
}
