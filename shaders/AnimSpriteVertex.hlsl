// The animated character: one camera-facing quad standing at its position,
// `scale` tall and as wide as the current frame's image.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Billboard.hlsli"

StructuredBuffer<float> aspectRatios : register(t0);  // width / height per frame

cbuffer animInfo : register(b1)
{
    float3 location;  // world point of the quad's foot
    uint frame;       // slice of the animation array
    float scale;      // height in world units
    uint3 dummy666;
};

struct AnimSpriteVertexOutput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;    // the frame
    nointerpolation int Index : Index;  // the quad number, always 0
};

AnimSpriteVertexOutput main(uint vertexId : SV_VertexID)
{
    float2 corner = billboardCorner(vertexId);

    // A frame past the end of the array has no aspect ratio: the quad gets no
    // width and nothing is drawn. Reads past the end of a buffer are not
    // guaranteed to return zero here, so the bound is checked.
    uint frameCount, stride;
    aspectRatios.GetDimensions(frameCount, stride);
    float aspect = frame < frameCount ? aspectRatios[frame] : 0.0f;

    float4 camera = mul(worldToCamera, float4(location.x, location.y + scale * corner.y, location.z, 1.0f));
    camera.x += scale * corner.x * aspect;

    AnimSpriteVertexOutput output;
    output.position = mul(cameraToClip, camera);
    output.UV = float2(corner.x + 0.5f, 1.0f - corner.y);
    output.Type = int(frame);
    output.Index = 0;
    return output;
}
