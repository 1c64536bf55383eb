// The machines' wireframe: every corner pushed out along its normal by a
// little noise, so that the white lines wobble and stay in front of the solid
// bodies drawn after them.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "MachineMesh.hlsli"

float4 main(uint vertexId : SV_VertexID) : SV_Position
{
    MachineCorner corner = fetchMachineCorner(vertexId);
    float4 q = corner.position;
    // The camera-space normal, unnormalised, is the direction of the push.
    float3 n = mul(worldToCamera, corner.normal).xyz;
    // Noise sampled at the model-unit point: one lattice cell per model unit.
    float displacement = abs(valueNoise3(q.xyz)) * 0.1f + 0.004f;
    q.xyz = (q.xyz + n * displacement) * kModelUnit;
    return mul(cameraToClip, mul(worldToCamera, q));
}
