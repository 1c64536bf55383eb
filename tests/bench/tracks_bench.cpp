// Track evaluation and bake costs on the production's own tracks.
#include "tracks/TrackSet.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using tolmero::TrackSet;

// One evaluation of an existing name after the bake, at times that move
// through the whole run like the frame clock does.
void BM_EvaluateAfterBake(benchmark::State& state) {
    TrackSet set(tolmero::productionTracks());
    set.bake();
    float t = -3.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(set.evaluate("Camera position", t));
        t += 0.0291f;
        if (t > 425.0f) t = -3.0f;
    }
}
BENCHMARK(BM_EvaluateAfterBake)->Repetitions(9)->ReportAggregatesOnly(true);

// The longest track, searched at its densest.
void BM_EvaluateSpriteFrame(benchmark::State& state) {
    TrackSet set(tolmero::productionTracks());
    set.bake();
    float t = 30.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(set.evaluate("Sprite frame", t));
        t += 0.0291f;
        if (t > 420.0f) t = 30.0f;
    }
}
BENCHMARK(BM_EvaluateSpriteFrame)->Repetitions(9)->ReportAggregatesOnly(true);

// All evaluations of one frame: scene, machine rig, camera, stumps, flames,
// character sprite, title and bloom.
void BM_EvaluateFrame(benchmark::State& state) {
    TrackSet set(tolmero::productionTracks());
    set.bake();
    const std::vector<std::string> names = {
        "scene", "Rekka pos", "Koura pos", "Kaivin pos", "Rekka angle", "Kone angle", "Kaivin angle", "Kauha 1",
        "Kauha 2", "Kauha 3", "Renkaat 1", "Renkaat 2", "Renkaat 3", "Renkaat 4", "Renkaat 5", "Renkaat 6",
        "Koura 1", "Koura 2", "Koura 3", "Koura 4", "Koura 5", "Kaivurirenkaat 1", "Kaivurirenkaat 2",
        "Camera position", "Camera y angle", "Camera x angle", "Field of view", "logo activation",
        "stump position", "stump growth", "Flames enabled", "Sprite position", "Sprite frame", "Sprite size",
        "title", "bloom"};
    float t = -3.0f;
    for (auto _ : state) {
        for (const std::string& name : names) benchmark::DoNotOptimize(set.evaluate(name, t));
        t += 0.0291f;
        if (t > 425.0f) t = -3.0f;
    }
    state.counters["evaluations"] = static_cast<double>(names.size());
}
BENCHMARK(BM_EvaluateFrame)->Repetitions(9)->ReportAggregatesOnly(true);

// The whole bake: 1,024 control points into 168,348 samples.
void BM_Bake(benchmark::State& state) {
    TrackSet set(tolmero::productionTracks());
    for (auto _ : state) {
        set.bake();
        benchmark::DoNotOptimize(set.samples("Sprite frame").data());
    }
}
BENCHMARK(BM_Bake)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
