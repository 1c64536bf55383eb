#include "audio/MusicPlayer.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Device buffer size in frames: a power of two (drivers such as SDL's dummy
// driver pace themselves by the power-of-two buffer they allocate, so any
// other size would make them run slow) of about 46 ms, long enough that a
// busy machine does not starve the device.
uint16_t deviceChunkFrames(uint32_t sampleRate) {
    uint32_t frames = 256;
    while (frames < 16384 && frames * 2 <= sampleRate / 16) frames *= 2;
    return uint16_t(frames);
}

}  // namespace

MusicPlayer::~MusicPlayer() { release(); }

void MusicPlayer::open(const std::string& path) {
    release();

    std::string why;
    const bool decodable = stream_.open(path, &why);
    std::fputs(decodable ? "Sound succesfully rendered!\n" : "mp3 rendering failed :(\n", stdout);
    std::fflush(stdout);

    if (!decodable) {
        std::fprintf(stderr, "music: %s: %s; running a silent clock of %.3f s\n", path.c_str(),
                     why.c_str(), kFallbackSeconds);
        output_ = Output::SilentClock;
        duration_ = kFallbackSeconds;
        return;
    }

    duration_ = stream_.info().durationSeconds();
    sampleRate_ = stream_.info().sampleRate;
    if (!openDevice(sampleRate_)) {
        std::fprintf(stderr, "music: no audio device (%s); running a silent clock of %.3f s\n",
                     SDL_GetError(), duration_);
        stream_.close();
        output_ = Output::SilentClock;
        return;
    }

    output_ = Output::Device;
    ring_.assign(kRingFrames * 2, 0.0f);
    stopDecoder_.store(false);
    decodeDone_.store(false);
    decoder_ = std::thread(&MusicPlayer::decodeLoop, this);
}

bool MusicPlayer::openDevice(uint32_t sampleRate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    audioSubsystem_ = true;

    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = int(sampleRate);
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = deviceChunkFrames(sampleRate);
    want.callback = &MusicPlayer::audioCallback;
    want.userdata = this;
    // No allowed changes: SDL converts rate, format and buffering to the
    // device's needs, so the callback always sees the file's rate.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystem_ = false;
        return false;
    }
    device_ = device;
    latencyFrames_ = have.samples;
    return true;
}

void MusicPlayer::play() {
    if (output_ == Output::None || started_) return;
    started_ = true;
    startTime_ = std::chrono::steady_clock::now();
    if (output_ == Output::Device) SDL_PauseAudioDevice(device_, 0);
}

bool MusicPlayer::isPlaying() {
    if (output_ == Output::None) return false;
    return positionSeconds() < duration_;
}

double MusicPlayer::positionSeconds() {
    if (!started_) return 0.0;
    double seconds = 0.0;
    if (output_ == Output::Device) {
        seconds = deviceSeconds();
    } else if (output_ == Output::SilentClock) {
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime_).count();
    }
    seconds = std::clamp(seconds, 0.0, duration_);
    seconds = std::max(seconds, lastPosition_);
    lastPosition_ = seconds;
    return seconds;
}

double MusicPlayer::deviceSeconds() const {
    uint64_t frames = 0;
    uint64_t chunk = 0;
    int64_t stamp = 0;
    for (;;) {
        const uint64_t before = clockSequence_.load();
        if (before & 1) continue;
        frames = clockFrames_.load();
        stamp = clockStampNs_.load();
        chunk = clockChunk_.load();
        if (clockSequence_.load() == before) break;
    }
    if (frames == 0) return 0.0;
    // The callback's buffer plays out over the next `chunk` frames; the next
    // callback will report `frames + chunk`, which the interpolation must not pass.
    const double since = double(steadyNanoseconds() - stamp) * 1e-9 * sampleRate_;
    const double played = double(frames) - double(latencyFrames_) + std::clamp(since, 0.0, double(chunk));
    return played / sampleRate_;
}

void MusicPlayer::publishClock(uint64_t framesOut, uint64_t chunkFrames) {
    const uint64_t sequence = clockSequence_.load();
    clockSequence_.store(sequence + 1);
    clockFrames_.store(framesOut);
    clockStampNs_.store(steadyNanoseconds());
    clockChunk_.store(chunkFrames);
    clockSequence_.store(sequence + 2);
}

void MusicPlayer::audioCallback(void* self, uint8_t* stream, int bytes) {
    static_cast<MusicPlayer*>(self)->fillDevice(reinterpret_cast<float*>(stream),
                                                size_t(bytes) / (2 * sizeof(float)));
}

void MusicPlayer::fillDevice(float* out, size_t frames) {
    // Read the end flag first: once it is set, everything decoded is in the ring.
    const bool done = decodeDone_.load(std::memory_order_acquire);
    const uint64_t written = ringWritten_.load(std::memory_order_acquire);
    const uint64_t read = ringRead_.load(std::memory_order_relaxed);
    const size_t available = size_t(std::min<uint64_t>(written - read, frames));

    size_t copied = 0;
    while (copied < available) {
        const size_t at = size_t((read + copied) % kRingFrames);
        const size_t run = std::min(available - copied, kRingFrames - at);
        std::memcpy(out + 2 * copied, ring_.data() + 2 * at, run * 2 * sizeof(float));
        copied += run;
    }
    ringRead_.store(read + available, std::memory_order_release);

    if (available < frames) {
        std::memset(out + 2 * available, 0, (frames - available) * 2 * sizeof(float));
        if (!done) underrunFrames_.fetch_add(frames - available);
    }
    framesOut_ += frames;
    publishClock(framesOut_, frames);
}

bool MusicPlayer::pushToRing(const float* frames, size_t count) {
    while (count > 0) {
        const uint64_t written = ringWritten_.load(std::memory_order_relaxed);
        const uint64_t read = ringRead_.load(std::memory_order_acquire);
        const size_t space = kRingFrames - size_t(written - read);
        if (space == 0) {
            if (stopDecoder_.load()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        const size_t at = size_t(written % kRingFrames);
        const size_t run = std::min({count, space, kRingFrames - at});
        std::memcpy(ring_.data() + 2 * at, frames, run * 2 * sizeof(float));
        ringWritten_.store(written + run, std::memory_order_release);
        frames += 2 * run;
        count -= run;
    }
    return true;
}

void MusicPlayer::decodeLoop() {
    std::vector<float> chunk(kDecodeChunkFrames * 2);
    uint64_t framesToDrop = 0;
    while (!stopDecoder_.load()) {
        const size_t count = stream_.read(chunk.data(), kDecodeChunkFrames);
        if (count == 0) break;
        framesToDrop += underrunFrames_.exchange(0);
        const size_t dropped = size_t(std::min<uint64_t>(framesToDrop, count));
        framesToDrop -= dropped;
        if (!pushToRing(chunk.data() + 2 * dropped, count - dropped)) break;
    }
    decodeDone_.store(true, std::memory_order_release);
}

void MusicPlayer::release() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // returns after the last callback
        device_ = 0;
    }
    if (decoder_.joinable()) {
        stopDecoder_.store(true);
        decoder_.join();
    }
    stream_.close();
    if (audioSubsystem_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystem_ = false;
    }
    output_ = Output::None;
    duration_ = 0.0;
    started_ = false;
    lastPosition_ = 0.0;
    sampleRate_ = 0;
    latencyFrames_ = 0;
    ring_.clear();
    ring_.shrink_to_fit();
    ringWritten_.store(0);
    ringRead_.store(0);
    underrunFrames_.store(0);
    decodeDone_.store(false);
    stopDecoder_.store(false);
    framesOut_ = 0;
    clockSequence_.store(0);
    clockFrames_.store(0);
    clockStampNs_.store(0);
    clockChunk_.store(0);
}
