// Times the start-up image work on the current machine and prints the stages:
// renderer with glyph atlas, the scene's images as the production makes them
// (decoding ahead on a worker thread), then a breakdown without prefetching
// (decode, upload, mip generation, stretch blits) and the decode throughput.
//
//   imageload_startup_timer [--breakdown] [--prefetch-only | --inline-only]
//
// A test-only tool: it prints what it measured and asserts nothing.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "render/EmbeddedResources.h"
#include "render/GlyphAtlas.h"
#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"
#include "render/ShaderProgram.h"
#include "render/TextureArrays.h"
#include "scene/Characters.h"
#include "scene/SceneImages.h"
#include "scene/Stumps.h"
#include "scene/Vegetation.h"

using namespace tolmero;
using namespace tolmero::gpu;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the whole process (all threads, the driver's included): on a
// busy machine the wall clock shows the other work too, this does not.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Waits until the GPU has finished everything recorded so far.
void waitForGpu() {
    D3D11_QUERY_DESC desc{D3D11_QUERY_EVENT, 0};
    ID3D11Query* query = nullptr;
    device()->CreateQuery(&desc, &query);
    context()->End(query);
    BOOL done = FALSE;
    while (context()->GetData(query, &done, sizeof(done), 0) != S_OK)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    query->Release();
}

std::span<const std::uint8_t> embeddedBytes(const std::string& name) {
    return *findResource(currentRenderer()->registry.resourceId(name), kImageResourceType);
}

std::vector<std::string> allSceneImages() {
    std::vector<std::string> names = {std::string(kDitherImage), std::string(kLogoImage)};
    for (auto n : kStumpImages) names.emplace_back(n);
    for (auto n : kGroundImages) names.emplace_back(n);
    for (const auto& n : characterFrameImages()) names.push_back(n);
    for (auto n : kVegetationImages) names.emplace_back(n);
    for (auto n : kWaterImages) names.emplace_back(n);
    for (auto n : kSkyImages) names.emplace_back(n);
    return names;
}

void releaseSceneImages(SceneResources& scene) {
    for (IUnknown* object : std::initializer_list<IUnknown*>{
             scene.dither, scene.logo, scene.stumpSprites, scene.ground, scene.characterSprites,
             scene.characterAspectRatios, scene.vegetationSprites, scene.vegetationAspectRatios, scene.waterImages,
             scene.skyImages})
        releaseObject(object);
    scene = SceneResources{};
}

// The start-up loads of createSceneImages, without prefetching.
void loadSceneImagesInline(SceneResources& scene) {
    const auto frames = characterFrameImages();
    scene.dither = loadImageTexture(std::string(kDitherImage), D3D11_BIND_SHADER_RESOURCE, 0, true);
    scene.logo = loadImageTexture(std::string(kLogoImage), D3D11_BIND_SHADER_RESOURCE, 0, false);
    scene.stumpSprites = buildTextureArray(imageNames(kStumpImages), 0, 0);
    scene.ground = buildTextureArray(imageNames(kGroundImages), 0, 0);
    scene.characterSprites = buildTextureArrayWithAspects({frames.begin(), frames.end()}, 0, 0, 2048, 2048,
                                                          &scene.characterAspectRatios);
    scene.vegetationSprites = buildTextureArrayWithAspects(imageNames(kVegetationImages), 0, 0, 4096, 4096,
                                                           &scene.vegetationAspectRatios);
    scene.waterImages = buildTextureArray(imageNames(kWaterImages), 0, 0);
    scene.skyImages = buildTextureArray(imageNames(kSkyImages), 0, 0);
}

void breakdown() {
    // Decoding alone, one thread.
    double decodeSeconds = 0.0, megapixels = 0.0;
    std::vector<DecodedImage> decoded;
    const std::vector<std::string> names = allSceneImages();
    for (const std::string& name : names) {
        const Clock::time_point start = Clock::now();
        decoded.push_back(decodeImage(embeddedBytes(name), name == kDitherImage));
        decodeSeconds += secondsSince(start);
        megapixels += decoded.back().width * double(decoded.back().height) / 1e6;
    }
    std::printf("decode (one thread): %zu images, %.1f megapixels, %.3f s, %.1f megapixels/s\n", names.size(),
                megapixels, decodeSeconds, megapixels / decodeSeconds);

    // Upload alone, then mips alone, of the decoded images.
    std::vector<ID3D11Texture2D*> textures;
    Clock::time_point start = Clock::now();
    for (const DecodedImage& image : decoded) {
        D3D11_TEXTURE2D_DESC desc{image.width, image.height, 0, 1, image.format, {1, 0}, D3D11_USAGE_DEFAULT,
                                  D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0,
                                  D3D11_RESOURCE_MISC_GENERATE_MIPS};
        ID3D11Texture2D* texture = nullptr;
        device()->CreateTexture2D(&desc, nullptr, &texture);
        context()->UpdateSubresource(texture, 0, nullptr, image.staging.data(), image.width * image.texelBytes, 0);
        textures.push_back(texture);
    }
    waitForGpu();
    std::printf("create + upload mip 0: %.3f s\n", secondsSince(start));
    start = Clock::now();
    for (ID3D11Texture2D* texture : textures) generateMips(texture);
    waitForGpu();
    std::printf("generate mips: %.3f s\n", secondsSince(start));
    for (ID3D11Texture2D* texture : textures) texture->Release();
    decoded.clear();

    // Each start-up step with its GPU work finished, without prefetching.
    SceneResources scene;
    auto step = [](const char* what, auto&& work) {
        const Clock::time_point begin = Clock::now();
        const double cpuBegin = cpuSeconds();
        work();
        waitForGpu();
        std::printf("  %-20s %.3f s wall, %.3f s CPU\n", what, secondsSince(begin), cpuSeconds() - cpuBegin);
    };
    std::printf("start-up steps, no prefetch, GPU finished after each:\n");
    step("dither", [&] { scene.dither = loadImageTexture(std::string(kDitherImage), D3D11_BIND_SHADER_RESOURCE, 0, true); });
    step("logo", [&] { scene.logo = loadImageTexture(std::string(kLogoImage), D3D11_BIND_SHADER_RESOURCE, 0, false); });
    step("stumps (16)", [&] { scene.stumpSprites = buildTextureArray(imageNames(kStumpImages), 0, 0); });
    step("ground (4)", [&] { scene.ground = buildTextureArray(imageNames(kGroundImages), 0, 0); });
    step("characters (45)", [&] {
        const auto frames = characterFrameImages();
        scene.characterSprites = buildTextureArrayWithAspects({frames.begin(), frames.end()}, 0, 0, 2048, 2048,
                                                              &scene.characterAspectRatios);
    });
    step("vegetation (20)", [&] {
        scene.vegetationSprites = buildTextureArrayWithAspects(imageNames(kVegetationImages), 0, 0, 4096, 4096,
                                                               &scene.vegetationAspectRatios);
    });
    step("water (2)", [&] { scene.waterImages = buildTextureArray(imageNames(kWaterImages), 0, 0); });
    step("sky (2)", [&] { scene.skyImages = buildTextureArray(imageNames(kSkyImages), 0, 0); });
    releaseSceneImages(scene);

    // One sky image's stretch blit on its own.
    ID3D11Texture2D* sky = loadImageTexture(std::string(kSkyImages[0]), 0, 0, false);
    waitForGpu();
    D3D11_TEXTURE2D_DESC desc{};
    sky->GetDesc(&desc);
    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, desc.Width, desc.Height,
                                            D3D11_BIND_RENDER_TARGET, 0);
    ID3D11SamplerState* sampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);
    const float size[4] = {float(desc.Width), float(desc.Height), 0.0f, 0.0f};
    ID3D11Buffer* screen = createConstantBufferBytes(size, sizeof(size));
    start = Clock::now();
    draw("BlitVertex.hlsl:main:vs_5_0", "FullBlitPixel.hlsl:main:ps_5_0", "", "", "", 6,
         {bindingEntry("image", sky), bindingEntry("SV_Target", target), bindingEntry("linearSampler", sampler),
          bindingEntry("ScreenSizeBuffer", screen)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    waitForGpu();
    std::printf("one %u x %u stretch blit: %.3f s\n", desc.Width, desc.Height, secondsSince(start));
    for (IUnknown* object : std::initializer_list<IUnknown*>{sky, target, sampler, screen}) releaseObject(object);
}

}  // namespace

int main(int argc, char** argv) {
    bool withBreakdown = false, prefetchOnly = false, inlineOnly = false;
    for (int i = 1; i < argc; ++i) {
        withBreakdown |= std::strcmp(argv[i], "--breakdown") == 0;
        prefetchOnly |= std::strcmp(argv[i], "--prefetch-only") == 0;
        inlineOnly |= std::strcmp(argv[i], "--inline-only") == 0;
    }

    Clock::time_point start = Clock::now();
    double cpuStart = cpuSeconds();
    if (!createHeadlessRenderer(1280, 720)) return 1;
    waitForGpu();
    const double rendererSeconds = secondsSince(start), rendererCpu = cpuSeconds() - cpuStart;

    start = Clock::now();
    cpuStart = cpuSeconds();
    GlyphAtlas again = buildGlyphAtlas(kTextFontFamily, kEmojiFontFamily);
    waitForGpu();
    const double atlasSeconds = secondsSince(start), atlasCpu = cpuSeconds() - cpuStart;
    releaseObject(again.font);
    std::printf("renderer 1280 x 720 with glyph atlas: %.3f s wall, %.3f s CPU\n", rendererSeconds, rendererCpu);
    std::printf("glyph atlas alone: %.3f s wall, %.3f s CPU\n", atlasSeconds, atlasCpu);

    // As at start-up (decoding ahead on a worker thread); the first run also
    // pays for the driver's first pipelines.
    for (const char* run : {"first run", "second run"}) {
        if (inlineOnly) break;
        SceneResources scene;
        start = Clock::now();
        cpuStart = cpuSeconds();
        createSceneImages(scene);
        waitForGpu();
        const double sceneSeconds = secondsSince(start), sceneCpu = cpuSeconds() - cpuStart;
        std::printf("scene images (dither, logo, six arrays), %s: %.3f s wall, %.3f s CPU\n", run, sceneSeconds,
                    sceneCpu);
        if (run[0] == 'f')
            std::printf("start-up image work (glyph atlas + scene images): %.3f s wall, %.3f s CPU\n",
                        atlasSeconds + sceneSeconds, atlasCpu + sceneCpu);
        releaseSceneImages(scene);
    }

    // The same loads without decoding ahead.
    if (!prefetchOnly) {
        SceneResources scene;
        start = Clock::now();
        cpuStart = cpuSeconds();
        loadSceneImagesInline(scene);
        waitForGpu();
        std::printf("scene images without decoding ahead: %.3f s wall, %.3f s CPU\n", secondsSince(start),
                    cpuSeconds() - cpuStart);
        releaseSceneImages(scene);
    }

    if (withBreakdown) breakdown();
    destroyRenderer();
    return 0;
}
