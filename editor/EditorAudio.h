#pragma once
// The editor's music: the whole file decoded into memory, so that it can
// start, stop and jump anywhere. The position is the editor's clock while it
// plays; without an audio device a steady clock stands in, silent.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tolmero {

class EditorAudio {
public:
    EditorAudio() = default;
    ~EditorAudio();
    EditorAudio(const EditorAudio&) = delete;
    EditorAudio& operator=(const EditorAudio&) = delete;

    // Decodes the file and opens the device, paused at 0. False (with the
    // reason) when the file cannot be decoded; the clock still runs then.
    bool open(const std::string& path, std::string& why);

    void play();
    void pause();
    bool playing() const { return playing_; }
    // Jumps to a position in seconds (clamped to the music).
    void seek(double seconds);
    // Seconds from the start of the music; stands still while paused.
    double positionSeconds();
    double durationSeconds() const { return duration_; }
    bool hasSound() const { return device_ != 0; }

private:
    static void callback(void* self, std::uint8_t* stream, int bytes);
    double steadySeconds() const;

    std::vector<float> frames_;  // interleaved stereo
    std::uint32_t rate_ = 44100;
    double duration_ = 0.0;
    std::uint32_t device_ = 0;
    bool playing_ = false;

    // The device's read position (frames) and when the callback last moved it.
    std::atomic<std::uint64_t> cursor_{0};
    std::atomic<std::int64_t> stampNs_{0};
    std::uint32_t chunkFrames_ = 0;

    // The silent clock: position at the last play or seek and when that was.
    double anchorSeconds_ = 0.0;
    std::chrono::steady_clock::time_point anchorTime_{};
};

}  // namespace tolmero
