// tolmero_compose OUT.flac: renders the production's soundtrack.

#include "Composition.h"
#include "FlacWriter.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.flac\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const auto started = std::chrono::steady_clock::now();
    const music::StereoBuffer mix = music::composeSoundtrack();

    // Written beside the target and renamed, so that a failed run never
    // leaves a partial file behind.
    const std::string partial = path + ".partial";
    std::string error;
    if (!music::writeFlac(partial, mix, &error)) {
        std::fprintf(stderr, "tolmero_compose: %s\n", error.c_str());
        std::remove(partial.c_str());
        return 1;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "tolmero_compose: cannot write %s\n", path.c_str());
        return 1;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %.1f s of music rendered in %.1f s\n", path.c_str(),
                double(mix.frames()) / music::kSampleRate, elapsed);
    return 0;
}
