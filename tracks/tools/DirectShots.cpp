// The shot tool: turns the production's shot list and joint curves into the
// rows of the directed tracks of tracks/TrackData.cpp ("Camera position",
// "Camera x angle", "Camera y angle", "Sprite position", "Kauha 1" to
// "Kauha 3", "Koura 1" to "Koura 5").
//
//   tolmero_direct_shots                 prints the rows
//   tolmero_direct_shots --write FILE    replaces those arrays in FILE
//   tolmero_direct_shots --report        per-shot framing: the subject's place
//                                        on screen, the eye's clearance
//
// Every other track (scene, field of view, sprite size and frame, titles ...)
// is read from the compiled-in tracks, so the shots follow the cuts and the
// lens the timeline already has. Heights come from the CPU copy of the height
// fields, so a point given "over the ground" lands on the terrain of the scene
// that is showing at its key's time.
//
// The parts: ShotMath (vectors and angles), ShotWorld (the ground and the
// named points), ShotKeys and ShotList (the shots), JointCurves (the machine
// joints), KeyFitting (from key descriptions to track keys), DirectedTracks
// (all of them by track name) and ShotReport (the framing report).

#include <cstdio>
#include <cstring>
#include <string>

#include "tracks/TrackSource.h"
#include "tracks/tools/DirectedTracks.h"
#include "tracks/tools/ShotReport.h"

namespace {

using tolmero::TrackTable;
using tolmero::formatTrackRows;
using tolmero::readTextFile;
using tolmero::spliceTracks;
using tolmero::writeTextFileAtomically;
using tolmero::shots::Directed;
using tolmero::shots::direct;
using tolmero::shots::kArrayNames;
using tolmero::shots::report;

// Through the same splicing as the editor (tracks/TrackSource.h).
bool splice(const std::string& path, const Directed& d) {
    std::string text;
    std::string error;
    TrackTable rows;
    for (const auto& [track, array] : kArrayNames) rows[track] = d.tracks.at(track);
    if (!readTextFile(path, text, error) || !spliceTracks(text, rows, error) ||
        !writeTextFileAtomically(path, text, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const Directed d = direct();
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return splice(argv[2], d) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--report") == 0) {
        report(d);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--write TrackData.cpp | --report]\n", argv[0]);
        return 2;
    }
    for (const auto& [track, array] : kArrayNames) std::printf("const Row %s[] = {\n%s};\n\n", array.c_str(), formatTrackRows(d.tracks.at(track)).c_str());
    return 0;
}
