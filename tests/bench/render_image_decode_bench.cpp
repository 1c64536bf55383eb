// Decode throughput of the image loader on the embedded images, in megapixels
// per second (the "MP/s" counter): an RGB sky panorama (converted to 8-bit
// RGBA), an RGBA tree (used directly), a character frame, a water JPEG, the
// 16-bit dither image and a glyph bitmap. CPU only: no GPU is involved.
#include <benchmark/benchmark.h>

#include <span>
#include <string>

#include "render/EmbeddedResources.h"
#include "render/ImageLoader.h"
#include "render/ResourceTable.h"

namespace {

std::span<const std::uint8_t> embedded(const std::string& name) {
    static const tolmero::ResourceRegistry registry;
    return *tolmero::findResource(registry.resourceId(name), tolmero::kImageResourceType);
}

void decode(benchmark::State& state, const std::string& name, bool linear) {
    const std::span<const std::uint8_t> bytes = embedded(name);
    double pixels = 0.0;
    for (auto _ : state) {
        tolmero::DecodedImage image = tolmero::decodeImage(bytes, linear);
        if (!image.ok()) {
            state.SkipWithError(image.error.c_str());
            return;
        }
        pixels += double(image.width) * image.height;
        benchmark::DoNotOptimize(image.staging.data());
    }
    state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(decode, sky_rgb_png, std::string("sprites/miljoo/taivaspaiva.png"), false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, tree_rgba_png, std::string("sprites/miljoo/puut/koivu1.png"), false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, character_rgba_png, std::string("sprites/animaatiot/tytto/etu1.png"), false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, water_jpeg, std::string("sprites/miljoo/maasto/vesi/vesi001.jpg"), false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, dither_rgb16_png, std::string("sprites/dither.png"), true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, glyph_rgb_png, std::string("cache/fonts/Arial capital A 64 4096.png"), false)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
