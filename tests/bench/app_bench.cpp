// The per-frame CPU work of the frame loop: every track evaluation, the camera
// with its two inverses, and the machine rig.
#include <benchmark/benchmark.h>

#include "app/FrameState.h"

namespace {

void BM_ComputeFrameState(benchmark::State& state) {
    tolmero::LaunchSettings settings;
    tolmero::CameraConstant camera;
    tolmero::MachineRig rig;
    tolmero::TrackSet& tracks = tolmero::trackSet();
    tracks.evaluate("scene", 0.0f);  // bake outside the timed loop
    float t = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tolmero::computeFrameState(t, settings, tracks, camera, rig));
        t += 0.0291f;  // about one frame at 60 frames a second
        if (t > 421.0f) t = 0.0f;
    }
}
BENCHMARK(BM_ComputeFrameState);

}  // namespace

BENCHMARK_MAIN();
