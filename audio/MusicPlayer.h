#pragma once

#include "audio/FlacStream.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Plays the music once from its start and is the production's only clock.
//
// Decoding streams: open() reads the metadata, checks the file and starts a
// decoder thread that keeps a ring buffer about a second and a half ahead of
// the audio device. The SDL audio callback (on SDL's thread) takes frames
// from the ring; everything else is called from the program's one thread.
//
// The clock counts the frames the device has consumed, minus the frames the
// device still holds (one callback buffer), and interpolates with a steady
// clock between callbacks. The interpolation never passes what the next
// callback will report, and the position never goes backwards.
//
// When the music cannot be played, the clock still runs:
// - the file is missing, unreadable, not FLAC, of unknown length or holds
//   fewer frames than it announces: open() prints the failure message and the
//   player runs a silent real-time clock as long as the keyed timeline
//   (kFallbackSeconds), so the whole production still shows;
// - the file decodes but no audio device opens: a silent real-time clock with
//   the file's duration;
// - a damaged frame inside the file plays as silence at its place, and a file
//   that ends early is padded with silence, so the clock keeps time to the end.
// Any sample rate, 1 to 8 channels and 4 to 32 bits per sample play: frames
// are converted to stereo float at the file's rate, and SDL converts to what
// the device takes.
class MusicPlayer {
public:
    // End of the keyed timeline, beat 421.076 at 105 beats per minute.
    static constexpr double kFallbackSeconds = 421.076 * 60.0 / 105.0;

    enum class Output {
        None,         // not opened, or released
        Device,       // the file plays on an audio device
        SilentClock,  // no sound; a real-time clock stands in for the device
    };

    MusicPlayer() = default;
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Prepares `path` and leaves the player stopped at 0. Prints
    // "Sound succesfully rendered!" or "mp3 rendering failed :(" to standard output.
    void open(const std::string& path);
    // Starts from position 0 at full volume. Only the first call after open() counts.
    void play();
    // True while the position is below the duration.
    bool isPlaying();
    // Seconds played; never goes backwards, never exceeds the duration.
    double positionSeconds();
    // Ends the sound and frees everything; safe to call more than once.
    void release();

    Output output() const { return output_; }
    double durationSeconds() const { return duration_; }

private:
    static constexpr size_t kRingFrames = size_t(1) << 16;
    static constexpr size_t kDecodeChunkFrames = 4096;

    bool openDevice(uint32_t sampleRate);
    void decodeLoop();
    bool pushToRing(const float* frames, size_t count);
    static void audioCallback(void* self, uint8_t* stream, int bytes);
    void fillDevice(float* out, size_t frames);
    void publishClock(uint64_t framesOut, uint64_t chunkFrames);
    double deviceSeconds() const;

    // Program thread.
    Output output_ = Output::None;
    double duration_ = 0.0;
    bool started_ = false;
    double lastPosition_ = 0.0;
    std::chrono::steady_clock::time_point startTime_{};
    uint32_t device_ = 0;  // SDL_AudioDeviceID
    bool audioSubsystem_ = false;
    uint32_t sampleRate_ = 0;
    uint64_t latencyFrames_ = 0;

    // Decoder thread (open() uses the stream before the thread starts).
    FlacStream stream_;
    std::thread decoder_;
    std::atomic<bool> stopDecoder_{false};
    std::atomic<bool> decodeDone_{false};

    // Single-producer (decoder) single-consumer (callback) ring of stereo frames.
    std::vector<float> ring_;
    std::atomic<uint64_t> ringWritten_{0};
    std::atomic<uint64_t> ringRead_{0};
    // Frames the callback had to play as silence because the decoder fell
    // behind; the decoder drops as many so that the sound stays on the clock.
    std::atomic<uint64_t> underrunFrames_{0};

    // Callback thread.
    uint64_t framesOut_ = 0;

    // The last callback's frame count, steady time and size, published as a
    // sequence lock (odd sequence = being written).
    std::atomic<uint64_t> clockSequence_{0};
    std::atomic<uint64_t> clockFrames_{0};
    std::atomic<int64_t> clockStampNs_{0};
    std::atomic<uint64_t> clockChunk_{0};
};
