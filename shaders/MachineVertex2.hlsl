// The machines' solid bodies: the part transform, then the scale from model
// units to world units; the camera-space normal goes on to the lighting.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "MachineMesh.hlsli"

struct MachineVertexOutput
{
    float4 position : SV_Position;
    float3 Normal : Normal;
};

MachineVertexOutput main(uint vertexId : SV_VertexID)
{
    MachineCorner corner = fetchMachineCorner(vertexId);
    float4 q = corner.position;
    q.xyz *= kModelUnit;

    MachineVertexOutput output;
    output.position = mul(cameraToClip, mul(worldToCamera, q));
    output.Normal = mul(worldToCamera, corner.normal).xyz;
    return output;
}
