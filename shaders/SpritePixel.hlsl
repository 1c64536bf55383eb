// Colours a vegetation sprite: sways it in the wind, cuts the photograph out
// of its white background and darkens it toward the foot.
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Billboard.hlsli"

SamplerState linearSampler : register(s0);
StructuredBuffer<float> typeHeights : register(t0);
Texture2DArray<float4> sprites : register(t1);

// The decaying birch lies on the ground and does not sway.
static const int kLogType = 9;

struct SpritePixelInput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;
    nointerpolation int Index : Index;
};

float4 main(SpritePixelInput input) : SV_Target
{
    float2 uv = input.UV;
    float H = typeHeights[input.Type] * 5.0f;

    // The foot (v = 1) stays put; the top sways most, and low plants more than
    // tall trees. The sprite number staggers the phase.
    if (input.Type != kLogType)
    {
        float phase = uv.y + time + float(input.Index % 100);
        uv.x += sin(0.6f * phase / sqrt(H)) * 0.04f * (0.5f - 0.5f * uv.y) / H;
    }

    // The filter footprint is taken from the unswayed coordinates. The sway
    // shifts a whole row of the quad alike, so it changes the derivatives by
    // well under a percent; but its type height comes from a buffer, and some
    // drivers (lavapipe) read buffers as zero in the helper pixels around a
    // triangle's edge, which would blow the swayed derivatives up there.
    // Gradients scaled by 2^-0.5 are the mip bias of -0.5.
    float lod = sprites.CalculateLevelOfDetail(linearSampler, input.UV);
    float2 footprintX = ddx(input.UV) * 0.70710678f;
    float2 footprintY = ddy(input.UV) * 0.70710678f;
    float4 colour = sprites.SampleGrad(linearSampler, float3(uv, float(input.Type)), footprintX, footprintY);

    // The quad is wider than the image: u outside [0, 1] is margin.
    if (isBackgroundWhite(colour.rgb, lod) || uv.x < 0.0f || uv.x > 1.0f)
    {
        discard;
    }

    colour *= input.Type < 5 ? 0.8f : 0.9f;  // grass tufts a little darker
    colour = pow(colour, 1.4f);
    colour *= 1.0f - uv.y;                   // black at the foot
    return colour;
}
