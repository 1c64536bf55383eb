// Fetching the machines' mesh without vertex or index buffers: every face
// corner pulls its position, normal and part transform from structured
// buffers through the face's own index triples.
#ifndef TOLMERO_MACHINE_MESH_HLSLI
#define TOLMERO_MACHINE_MESH_HLSLI

// Three 32-bit values per element with a 12-byte stride (float3 and uint3
// would be padded to 16 bytes in a storage buffer).
struct PackedFloat3 { float x; float y; float z; };
struct IndexTriple { uint first; uint second; uint third; };
// A part transform for column vectors, stored column by column.
struct ColumnMatrix { float4 column0; float4 column1; float4 column2; float4 column3; };

StructuredBuffer<PackedFloat3> vertex : register(t0);        // positions, model units
StructuredBuffer<PackedFloat3> normal : register(t1);
StructuredBuffer<IndexTriple> vertexIndex : register(t2);    // per face
StructuredBuffer<IndexTriple> normalIndex : register(t3);    // per face
StructuredBuffer<uint> transformIndex : register(t4);        // per face
StructuredBuffer<ColumnMatrix> transform : register(t5);     // per part

// One model unit in world units.
static const float kModelUnit = 0.005f;

struct MachineCorner
{
    float4 position;  // in the part's world placement, model units, w = 1
    float4 normal;    // the same transform applied as a direction, w = 0
};

float4 transformPoint(ColumnMatrix m, float4 p)
{
    return m.column0 * p.x + m.column1 * p.y + m.column2 * p.z + m.column3 * p.w;
}

// Index of the triple entry that corner 0, 1, 2 of a face uses: first, third,
// second. The stored winding is reversed on the way to the rasteriser.
uint pickCorner(IndexTriple triple, uint corner)
{
    return corner == 0u ? triple.first : (corner == 1u ? triple.third : triple.second);
}

MachineCorner fetchMachineCorner(uint vertexId)
{
    uint face = vertexId / 3;
    uint corner = vertexId % 3;
    PackedFloat3 p = vertex[pickCorner(vertexIndex[face], corner)];
    PackedFloat3 n = normal[pickCorner(normalIndex[face], corner)];
    ColumnMatrix m = transform[transformIndex[face]];

    MachineCorner result;
    result.position = transformPoint(m, float4(p.x, p.y, p.z, 1.0f));
    result.normal = transformPoint(m, float4(n.x, n.y, n.z, 0.0f));
    return result;
}

#endif
