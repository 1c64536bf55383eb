#pragma once
// `tolmero capture`: the production rendered headless at a fixed frame rate
// and encoded, with the matching span of the music, into an MP4 file by the
// `ffmpeg` program.
//
// Frame k shows beat from + k / fps x 105 / 60. Before the first frame the
// particles are caught up to `from` as `tolmero render` does; from then on
// every frame runs one simulation step of the active particle system, as the
// live loop does, so a capture at 60 fps shows what a 60 fps viewer sees.
//
// The range defaults to the whole production: from beat 0 to the end of the
// music (the file --music names, or "track.flac" in the working directory or
// beside the program), or, without music, to the end of the keyed timeline
// (beat 421.076) and no sound. Frames before beat 0 (the first keys lie a
// little before it) get silence until the music starts.
//
// The video is a fragmented MP4: when the encoder or the disk fails half way,
// the file still plays up to its last whole fragment (two seconds at most are
// lost).
//
// Exit codes: 0 done; 2 bad input (one line, before anything is rendered);
// 1 a failure (no device, no ffmpeg, an unwritable file, ffmpeg failed);
// 130 stopped by Ctrl-C and 143 by SIGTERM, the file finished with the frames
// captured so far.
//
// Split captures: `--frames A:B` draws frames A to B - 1 of the global grid
// of the frame rate (frame k at beat k / fps x 105 / 60), caught up exactly as
// a run from beat 0 at that rate has the particles there, so that pieces of
// one grid laid end to end are, frame for frame, one capture of their whole
// span. `--video-only` leaves the sound out (a piece of a split capture; the
// join muxes the music once over the whole). `--print-frames` prints the grid
// frames of the request as "A:B" and stops, before any device starts.
//
// For tests: with TOLMERO_CAPTURE_RAW_FRAMES=<file> in the environment, the
// frames handed to ffmpeg are also written to <file>, raw RGBA, one after
// another.

#include <string>

#include "tools/RenderCommands.h"

namespace tolmero {

inline constexpr int kExitInterrupted = 130;  // Ctrl-C
inline constexpr int kExitTerminated = 143;   // SIGTERM

struct CaptureOptions {
    DisplayOptions display{"1920x1080", "4x4"};
    std::string out;
    int fps = 60;
    std::string from;  // empty: beat 0
    std::string to;    // empty: the end of the production
    std::string frames;  // "A:B": grid frames A to B - 1 instead of --from and --to
    bool videoOnly = false;
    bool printFrames = false;
    int crf = 18;
    std::string music;  // empty: "track.flac" in the working directory, then beside the program
};

int runCapture(const CaptureOptions& options);

}  // namespace tolmero
