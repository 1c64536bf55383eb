// Writes a 2D float4 image and reads-modifies-writes every slice of a float
// texture array.
RWTexture2D<float4> image : register(u0);
RWTexture2DArray<float> layers : register(u1);

[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) {
    image[id.xy] = float4(id.x, id.y, id.x * id.y, 1.0);
    uint width, height, slices;
    layers.GetDimensions(width, height, slices);
    for (uint s = 0; s < slices; ++s) {
        uint3 p = uint3(id.xy, s);
        layers[p] = layers[p] * 2.0 + float(id.x + 10 * id.y + 100 * s);
    }
}
