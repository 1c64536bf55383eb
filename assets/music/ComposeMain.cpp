// tolmero_compose OUT.flac: renders the production's soundtrack.
// tolmero_compose --cues: prints the picture's cues (beat and seconds, one a
//   line, tab-separated), as read from the production's tracks.
// tolmero_compose --score: prints the score, one note a line, without
//   rendering anything.

#include "Composition.h"
#include "Cues.h"
#include "FlacWriter.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

int printCues() {
    for (const music::Cue& cue : music::productionCues().all())
        std::printf("%s\t%.6f\t%.6f\n", cue.what.c_str(), cue.beat, cue.beat * 60.0 / 105.0);
    return 0;
}

int printScore() {
    std::printf("part\tbeat\tlength\tmidi\tvelocity\tat\n");
    for (const music::ScoreNote& note : music::composeScore())
        std::printf("%s\t%.6f\t%.6f\t%d\t%.3f\t%.6f\n", note.part.c_str(), note.beat, note.length, note.midi,
                    double(note.velocity), note.at);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.flac | --cues | --score\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    if (path == "--cues") return printCues();
    if (path == "--score") return printScore();
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
