#include "scene/Culling.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"
#include "scene/Particles.h"
#include "scene/Terrain.h"
#include "scene/Vegetation.h"

namespace tolmero {

using namespace gpu;

namespace {

constexpr std::uint32_t kGroupSize = 256;
constexpr std::uint32_t kSpriteVertices = 6;
constexpr std::uint32_t kTileVertices = 6 * kLandscapeTileQuads;
constexpr std::uint32_t kMaxGroups = kSpriteCount / kGroupSize;  // 4096, what ScanVisibleCounts covers

// "CompactionConstants" of the compaction programs.
struct CompactionConstants {
    std::uint32_t itemCount;
    std::uint32_t verticesPerItem;
    std::uint32_t groupCount;
    std::uint32_t indexPattern;
    std::uint32_t firstItem;
    std::uint32_t padding[3];
};

// How WriteVisibleIndices names the repeated corners of a quad.
enum IndexPattern : std::uint32_t { kVerticesAsDrawn = 0, kBillboardQuads = 1, kGridQuads = 2 };

ID3D11Buffer* createUintBuffer(std::uint32_t count, std::uint32_t extraBinds, std::uint32_t miscFlags) {
    return createStructuredBufferBytes(nullptr, count, 4,
                                       D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS | extraBinds,
                                       miscFlags);
}

// The compaction's last two steps, after a culling program has written the
// bits into `visible` and the group counts.
void compactVisible(const SceneResources& scene, ID3D11Buffer* constants, ID3D11Buffer* visible,
                    ID3D11Buffer* indices, ID3D11Buffer* arguments, std::uint32_t groups) {
    dispatch("ScanVisibleCounts.hlsl:main:cs_5_0", 1, 1, 1,
             {bindingEntry("CompactionConstants", constants), bindingEntry("groupCounts", scene.groupCounts),
              bindingEntry("groupOffsets", scene.groupOffsets), bindingEntry("drawArguments", arguments)});
    dispatch("WriteVisibleIndices.hlsl:main:cs_5_0", groups, 1, 1,
             {bindingEntry("CompactionConstants", constants), bindingEntry("visibleMasks", visible),
              bindingEntry("groupOffsets", scene.groupOffsets), bindingEntry("visibleIndices", indices)});
}

// "DepthPyramidConstants": every level's size and first element.
constexpr std::uint32_t kDepthTileSize = 16;
constexpr std::uint32_t kMaxDepthLevels = 16;
struct DepthPyramidConstants {
    std::array<std::array<std::uint32_t, 4>, kMaxDepthLevels> levels{};  // width, height, first element, 0
    std::uint32_t levelCount = 0;
    std::uint32_t padding[3] = {};
};

// Tiles of 16 x 16 pixels, then halving (rounded up) to a single texel.
DepthPyramidConstants depthPyramidLayout(std::uint32_t width, std::uint32_t height, std::uint32_t& elements) {
    DepthPyramidConstants layout;
    std::uint32_t levelWidth = (width + kDepthTileSize - 1) / kDepthTileSize;
    std::uint32_t levelHeight = (height + kDepthTileSize - 1) / kDepthTileSize;
    elements = 0;
    for (;;) {
        layout.levels[layout.levelCount++] = {levelWidth, levelHeight, elements, 0};
        elements += levelWidth * levelHeight;
        if ((levelWidth == 1 && levelHeight == 1) || layout.levelCount == kMaxDepthLevels) break;
        levelWidth = (levelWidth + 1) / 2;
        levelHeight = (levelHeight + 1) / 2;
    }
    return layout;
}

ID3D11Buffer* compactionConstants(std::uint32_t items, std::uint32_t verticesPerItem, IndexPattern pattern,
                                  std::uint32_t firstItem = 0) {
    const std::uint32_t groups = (items + kGroupSize - 1) / kGroupSize;
    return createConstantBuffer(CompactionConstants{items, verticesPerItem, groups, pattern, firstItem, {}});
}

}  // namespace

namespace {

// TOLMERO_CULLING=0 turns all culling off, TOLMERO_CULLING=frustum keeps the
// view volume's and the pixel centres' culling but not the depth's.
struct CullingSwitches {
    bool enabled = true;
    bool behindDrawnDepth = true;
};

CullingSwitches& cullingSwitches() {
    static CullingSwitches switches = [] {
        CullingSwitches s;
        const char* setting = std::getenv("TOLMERO_CULLING");
        if (setting && std::strcmp(setting, "0") == 0) s.enabled = s.behindDrawnDepth = false;
        if (setting && std::strcmp(setting, "frustum") == 0) s.behindDrawnDepth = false;
        return s;
    }();
    return switches;
}

}  // namespace

bool cullingEnabled() { return cullingSwitches().enabled; }

void setCullingEnabled(bool enabled) { cullingSwitches().enabled = enabled; }

bool depthCullingEnabled() { return cullingSwitches().behindDrawnDepth; }

void setDepthCullingEnabled(bool enabled) { cullingSwitches().behindDrawnDepth = enabled; }

void createCullingBuffers(SceneResources& scene) {
    scene.spriteExtents = createStructuredBufferBytes(nullptr, kSpriteCount, 8,
                                                      D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene.visibleSprites = createUintBuffer(kSpriteCount / 32, 0, 0);
    scene.spriteIndices = createUintBuffer(kSpriteCount * kSpriteVertices, D3D11_BIND_INDEX_BUFFER, 0);
    scene.spriteArguments = createUintBuffer(5, 0, D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS);
    scene.terrainTileHeights = createStructuredBufferBytes(nullptr, kLandscapeTileCount, 8,
                                                           D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene.waterTileHeights = createStructuredBufferBytes(nullptr, kLandscapeTileCount, 8,
                                                         D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene.visibleTiles = createUintBuffer(kLandscapeTileCount / 32, 0, 0);
    scene.terrainIndices = createUintBuffer(kTerrainVertexCount, D3D11_BIND_INDEX_BUFFER, 0);
    scene.terrainArguments = createUintBuffer(5, 0, D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS);
    scene.waterIndices = createUintBuffer(kTerrainVertexCount, D3D11_BIND_INDEX_BUFFER, 0);
    scene.waterArguments = createUintBuffer(5, 0, D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS);
    scene.groupCounts = createUintBuffer(kMaxGroups, 0, 0);
    scene.groupOffsets = createUintBuffer(kMaxGroups, 0, 0);

    scene.visibleParticles = createUintBuffer(kParticleGroups * kGroupSize / 32, 0, 0);
    scene.particleIndices =
        createUintBuffer(kParticlesPerSystem * kVerticesPerParticle, D3D11_BIND_INDEX_BUFFER, 0);
    scene.particleArguments = createUintBuffer(5, 0, D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS);

    std::uint32_t pyramidElements = 0;
    const DepthPyramidConstants layout = depthPyramidLayout(scene.renderWidth, scene.renderHeight, pyramidElements);
    scene.depthPyramid = createStructuredBufferBytes(nullptr, pyramidElements, 4,
                                                     D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene.depthPyramidConstants = createConstantBuffer(layout);
    scene.depthTileColumns = layout.levels[0][0];
    scene.depthTileRows = layout.levels[0][1];
}

void measureLandscapeTiles(const SceneResources& scene) {
    dispatch("MeasureLandscape.hlsl:main:cs_5_0", kLandscapeTileCount / kGroupSize, 1, 1,
             {bindingEntry("CameraConstant", scene.camera), bindingEntry("linearSampler", scene.linearSampler),
              bindingEntry("randoms", scene.randoms), bindingEntry("terrainHeights", scene.terrainTileHeights),
              bindingEntry("waterHeights", scene.waterTileHeights)});
}

void measureSprites(const SceneResources& scene) {
    dispatch("MeasureSprites.hlsl:main:cs_5_0", kSpriteCount / kGroupSize, 1, 1,
             {bindingEntry("aspectRatios", scene.vegetationAspectRatios), bindingEntry("typeHeights", scene.typeHeights),
              bindingEntry("spriteLocations", scene.spriteLocations), bindingEntry("spriteExtents", scene.spriteExtents)});
}

namespace {

// The depth pyramid of what has been drawn so far.
void measureDrawnDepth(const SceneResources& scene) {
    dispatch("MeasureDepthTiles.hlsl:main:cs_5_0", (scene.depthTileColumns + 7) / 8, (scene.depthTileRows + 7) / 8, 1,
             {bindingEntry("DepthPyramidConstants", scene.depthPyramidConstants), bindingEntry("depth", scene.depth),
              bindingEntry("depthPyramid", scene.depthPyramid)});
    dispatch("BuildDepthPyramid.hlsl:main:cs_5_0", 1, 1, 1,
             {bindingEntry("DepthPyramidConstants", scene.depthPyramidConstants),
              bindingEntry("depthPyramid", scene.depthPyramid)});
}

}  // namespace

void cullVegetation(const SceneResources& scene, std::uint32_t firstSprite, std::uint32_t spriteCount) {
    // Without the depth's culling the program reads a pyramid of no levels.
    ID3D11Buffer* noLevels = nullptr;
    if (depthCullingEnabled()) {
        measureDrawnDepth(scene);
    } else {
        noLevels = createConstantBuffer(DepthPyramidConstants{});
    }
    ID3D11Buffer* constants = compactionConstants(spriteCount, kSpriteVertices, kBillboardQuads, firstSprite);
    const std::uint32_t groups = (spriteCount + kGroupSize - 1) / kGroupSize;
    dispatch("CullSprites.hlsl:main:cs_5_0", groups, 1, 1,
             {bindingEntry("CameraConstant", scene.camera), bindingEntry("CompactionConstants", constants),
              bindingEntry("DepthPyramidConstants", noLevels ? noLevels : scene.depthPyramidConstants),
              bindingEntry("depthPyramid", scene.depthPyramid),
              bindingEntry("spriteExtents", scene.spriteExtents), bindingEntry("spriteLocations", scene.spriteLocations),
              bindingEntry("visibleMasks", scene.visibleSprites), bindingEntry("groupCounts", scene.groupCounts)});
    compactVisible(scene, constants, scene.visibleSprites, scene.spriteIndices, scene.spriteArguments, groups);
    releaseObject(constants);
    if (noLevels) releaseObject(noLevels);
}

void cullLandscape(const SceneResources& scene, ID3D11Buffer* tileHeights, ID3D11Buffer* indices,
                   ID3D11Buffer* arguments) {
    ID3D11Buffer* constants = compactionConstants(kLandscapeTileCount, kTileVertices, kGridQuads);
    const std::uint32_t groups = kLandscapeTileCount / kGroupSize;
    dispatch("CullLandscape.hlsl:main:cs_5_0", groups, 1, 1,
             {bindingEntry("CameraConstant", scene.camera), bindingEntry("CompactionConstants", constants),
              bindingEntry("tileHeights", tileHeights), bindingEntry("visibleMasks", scene.visibleTiles),
              bindingEntry("groupCounts", scene.groupCounts)});
    compactVisible(scene, constants, scene.visibleTiles, indices, arguments, groups);
    releaseObject(constants);
}

void cullParticles(const SceneResources& scene, ID3D11Buffer* particles) {
    // Particle quads repeat their corners as billboards do.
    ID3D11Buffer* constants = compactionConstants(kParticlesPerSystem, kVerticesPerParticle, kBillboardQuads);
    dispatch("CullParticles.hlsl:main:cs_5_0", kParticleGroups, 1, 1,
             {bindingEntry("CameraConstant", scene.camera), bindingEntry("CompactionConstants", constants),
              bindingEntry("particles", particles), bindingEntry("visibleMasks", scene.visibleParticles),
              bindingEntry("groupCounts", scene.groupCounts)});
    compactVisible(scene, constants, scene.visibleParticles, scene.particleIndices, scene.particleArguments,
                   kParticleGroups);
    releaseObject(constants);
}

}  // namespace tolmero
