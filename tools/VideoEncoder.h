#pragma once
// Hands raw frames to the `ffmpeg` program, which encodes them as H.264 and
// muxes in a span of the music as AAC, into an MP4 file.
//
// ffmpeg runs as a child process (posix_spawn, no shell) in a process group
// of its own, so that a Ctrl-C on the terminal reaches only us: we stop
// rendering and close ffmpeg's input, and ffmpeg finalises a playable file of
// the frames it got. Frames travel through a pipe as RGBA rows, top row first.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tolmero {

// The longest fragment of the MP4 file: what a failure half way can lose.
inline constexpr long kFragmentMicroseconds = 1000000;

struct EncoderSettings {
    std::string program = "ffmpeg";  // looked up on PATH unless it holds a '/'
    std::filesystem::path output;
    std::uint32_t width = 0;   // even, as the 4:2:0 chroma of H.264 needs
    std::uint32_t height = 0;
    int fps = 60;
    int crf = 18;  // x264's constant rate factor: 0 lossless .. 51 worst
    // The music: empty for a silent video. The audio starts at
    // `audioStartSeconds` into the file and both streams end after
    // `durationSeconds` (or with the last frame, if fewer frames arrive).
    std::filesystem::path audio;
    double audioStartSeconds = 0.0;
    double durationSeconds = 0.0;
};

// ffmpeg's arguments for these settings, without the program name.
std::vector<std::string> encoderArguments(const EncoderSettings& settings);

// The full path of an executable `name` on PATH (or `name` itself when it
// holds a '/' and is executable), or nothing.
std::optional<std::string> findProgram(const std::string& name);

class VideoEncoder {
public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    // Closes ffmpeg's input and waits for it, if finish() was not called.
    ~VideoEncoder();

    // Starts ffmpeg. False, with the reason, when it cannot be started.
    bool start(const EncoderSettings& settings, std::string& error);

    // Writes one frame of width x height x 4 bytes. False, with the reason,
    // when ffmpeg has gone away (its own messages are on standard error).
    bool writeFrame(std::span<const std::uint8_t> rgba, std::string& error);

    // Closes ffmpeg's input, so that it finishes the file, and waits for it.
    // False, with the reason, when ffmpeg did not end successfully.
    bool finish(std::string& error);

    // Time spent blocked writing to the pipe: how long rendering waited on
    // the encoder.
    double secondsWaitingOnEncoder() const { return waitingSeconds_; }

private:
    bool waitForExit(std::string& error);

    std::size_t frameBytes_ = 0;
    pid_t pid_ = -1;
    int pipe_ = -1;
    double waitingSeconds_ = 0.0;
};

}  // namespace tolmero
