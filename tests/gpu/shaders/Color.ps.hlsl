float4 main(float4 position : SV_Position, float4 color : COLOR) : SV_Target {
    return color;
}
