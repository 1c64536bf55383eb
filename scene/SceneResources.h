#pragma once
// The GPU resources that the production creates at start-up and keeps for
// the whole run, plus the frame's small buffers. Scene passes take this
// record and bind its members by the names given beside each one. A null
// member has not been created (yet): its creating task fills it at start-up.

#include <cstdint>

#include "gpu/D3D11.h"

namespace tolmero {

struct SceneResources {
    // Sizes: the window, and the window times the supersampling factors.
    std::uint32_t windowWidth = 0;
    std::uint32_t windowHeight = 0;
    std::uint32_t renderWidth = 0;
    std::uint32_t renderHeight = 0;
    std::uint32_t supersampleX = 1;
    std::uint32_t supersampleY = 1;

    // Created at start-up, in this order.
    gpu::ID3D11Texture2D* sceneColour = nullptr;      // renderSize, RGBA8: "SV_Target", "original"
    gpu::ID3D11Texture2D* result = nullptr;           // window size, RGBA8: "result", "source"
    gpu::ID3D11Texture2D* bloom = nullptr;            // window size, RGBA16F: "bloom", "result2"
    gpu::ID3D11Texture2D* bloomColumns = nullptr;     // window size, RGBA16F: "bloomColumns", the glow's first pass
    gpu::ID3D11Buffer* squeezeConstants = nullptr;    // "SqueezeBuffer"
    gpu::ID3D11Texture2D* depth = nullptr;            // renderSize, D32 (readable): "SV_Depth", "depth"
    gpu::ID3D11SamplerState* linearSampler = nullptr; // "linearSampler"
    gpu::ID3D11Texture2D* randoms = nullptr;          // 1024 x 1024 x 8, R32F: "randoms"
    gpu::ID3D11Buffer* spriteLocations = nullptr;     // 2^20 x 16 bytes: "spriteLocations"
    gpu::ID3D11Buffer* logoParticles = nullptr;       // 200,000 x 16 bytes: "particles" in scene 0
    gpu::ID3D11Buffer* flameParticles = nullptr;      // 200,000 x 16 bytes: "particles" in scene 3

    // Images and image arrays (filled by the image tasks).
    gpu::ID3D11Texture2D* dither = nullptr;                 // "sprites/dither.png": "dither"
    gpu::ID3D11Texture2D* logo = nullptr;                   // "sprites/tolmero.png": "logo"
    gpu::ID3D11Texture2D* stumpSprites = nullptr;           // 16 images: "stumpSprites"
    gpu::ID3D11Texture2D* ground = nullptr;                 // 4 images: "ground"
    gpu::ID3D11Texture2D* characterSprites = nullptr;       // 45 images: "sprites" in the character pass
    gpu::ID3D11Buffer* characterAspectRatios = nullptr;     // "aspectRatios" in the character pass
    gpu::ID3D11Texture2D* vegetationSprites = nullptr;      // 20 images: "sprites" in scatter and sprite passes
    gpu::ID3D11Buffer* vegetationAspectRatios = nullptr;    // "aspectRatios" in the sprite pass
    gpu::ID3D11Texture2D* waterImages = nullptr;            // 2 images: "waterImages"
    gpu::ID3D11Texture2D* skyImages = nullptr;              // 2 images: "skyImages"
    gpu::ID3D11Buffer* typeHeights = nullptr;               // "typeHeights"
    gpu::ID3D11Buffer* classCounts = nullptr;               // "classCounts"
    gpu::ID3D11Buffer* classFirst = nullptr;                // "classFirst"

    // Machine meshes (filled by the machines task).
    gpu::ID3D11Buffer* machineVertices = nullptr;         // "vertex"
    gpu::ID3D11Buffer* machineNormals = nullptr;          // "normal"
    gpu::ID3D11Buffer* machineVertexIndices = nullptr;    // "vertexIndex"
    gpu::ID3D11Buffer* machineNormalIndices = nullptr;    // "normalIndex"
    gpu::ID3D11Buffer* machineTransformIndices = nullptr; // "transformIndex"

    // Culling of what nobody sees (scene/Culling.h): the order-preserving
    // lists of the vertices that can reach a pixel and their draw arguments.
    gpu::ID3D11Buffer* spriteExtents = nullptr;       // 2^20 x (height, half width) of the quads, per scatter
    gpu::ID3D11Buffer* visibleSprites = nullptr;      // 2^20 flags, one bit each
    gpu::ID3D11Buffer* spriteIndices = nullptr;       // up to 6 x 2^20 vertex numbers
    gpu::ID3D11Buffer* spriteArguments = nullptr;     // the indexed draw's five arguments
    gpu::ID3D11Buffer* terrainTileHeights = nullptr;  // 16,384 tiles: lowest and highest world y
    gpu::ID3D11Buffer* waterTileHeights = nullptr;
    gpu::ID3D11Buffer* visibleTiles = nullptr;        // 16,384 flags, one bit each
    gpu::ID3D11Buffer* terrainIndices = nullptr;      // up to 6 x 512 x 512 vertex numbers
    gpu::ID3D11Buffer* terrainArguments = nullptr;
    gpu::ID3D11Buffer* waterIndices = nullptr;
    gpu::ID3D11Buffer* waterArguments = nullptr;
    gpu::ID3D11Buffer* visibleParticles = nullptr;    // 200,000 flags of the system being drawn
    gpu::ID3D11Buffer* particleIndices = nullptr;     // up to 6 x 200,000 vertex numbers
    gpu::ID3D11Buffer* particleArguments = nullptr;
    gpu::ID3D11Buffer* groupCounts = nullptr;         // visible items per group of 256
    gpu::ID3D11Buffer* groupOffsets = nullptr;        // each group's first place in its list
    // The farthest depth drawn before the sprites, by tiles of 16 x 16
    // pixels and coarser: sprites behind it all are culled too. The depth
    // target must then be readable (created R32_TYPELESS).
    gpu::ID3D11Buffer* depthPyramid = nullptr;           // every level, row after row
    gpu::ID3D11Buffer* depthPyramidConstants = nullptr;  // "DepthPyramidConstants": the levels' sizes
    std::uint32_t depthTileColumns = 0;
    std::uint32_t depthTileRows = 0;

    // The frame's small buffers, created during the frame and released at its end.
    gpu::ID3D11Buffer* camera = nullptr;     // "CameraConstant"
    gpu::ID3D11Buffer* stumpData = nullptr;  // "stumpData"
    gpu::ID3D11Buffer* transform = nullptr;  // "transform": 19 part matrices
};

}  // namespace tolmero
