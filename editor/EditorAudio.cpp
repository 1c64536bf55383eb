#include "editor/EditorAudio.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "audio/FlacStream.h"

namespace tolmero {

namespace {

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

EditorAudio::~EditorAudio() {
    if (device_) SDL_CloseAudioDevice(device_);
}

bool EditorAudio::open(const std::string& path, std::string& why) {
    FlacStream stream;
    if (!stream.open(path, &why)) return false;
    rate_ = stream.info().sampleRate;
    frames_.resize(static_cast<std::size_t>(stream.info().totalFrames) * 2);
    std::size_t done = 0;
    while (done * 2 < frames_.size()) {
        const std::size_t n = stream.read(frames_.data() + done * 2, frames_.size() / 2 - done);
        if (n == 0) break;
        done += n;
    }
    duration_ = static_cast<double>(frames_.size() / 2) / rate_;

    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(rate_);
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &EditorAudio::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        chunkFrames_ = have.samples;
    }
    anchorTime_ = std::chrono::steady_clock::now();
    return true;
}

void EditorAudio::callback(void* self, std::uint8_t* stream, int bytes) {
    auto* audio = static_cast<EditorAudio*>(self);
    auto* out = reinterpret_cast<float*>(stream);
    const std::size_t wanted = static_cast<std::size_t>(bytes) / (2 * sizeof(float));
    const std::uint64_t cursor = audio->cursor_.load();
    const std::size_t total = audio->frames_.size() / 2;
    const std::size_t from = std::min<std::size_t>(cursor, total);
    const std::size_t n = std::min(wanted, total - from);
    std::memcpy(out, audio->frames_.data() + from * 2, n * 2 * sizeof(float));
    std::memset(out + n * 2, 0, (wanted - n) * 2 * sizeof(float));
    // A seek between the load and this store wins: it set the cursor itself.
    std::uint64_t expected = cursor;
    audio->cursor_.compare_exchange_strong(expected, cursor + wanted);
    audio->stampNs_.store(nowNs());
}

double EditorAudio::steadySeconds() const {
    return anchorSeconds_ +
           (playing_ ? std::chrono::duration<double>(std::chrono::steady_clock::now() - anchorTime_).count() : 0.0);
}

void EditorAudio::play() {
    if (playing_) return;
    anchorTime_ = std::chrono::steady_clock::now();
    playing_ = true;
    if (device_) SDL_PauseAudioDevice(device_, 0);
}

void EditorAudio::pause() {
    if (!playing_) return;
    const double at = positionSeconds();
    playing_ = false;
    if (device_) SDL_PauseAudioDevice(device_, 1);
    seek(at);
}

void EditorAudio::seek(double seconds) {
    const double limit = duration_ > 0.0 ? duration_ : 1e9;
    seconds = std::clamp(seconds, 0.0, limit);
    if (device_) SDL_LockAudioDevice(device_);
    cursor_.store(static_cast<std::uint64_t>(seconds * rate_));
    stampNs_.store(0);
    if (device_) SDL_UnlockAudioDevice(device_);
    anchorSeconds_ = seconds;
    anchorTime_ = std::chrono::steady_clock::now();
}

double EditorAudio::positionSeconds() {
    if (!device_) return std::min(steadySeconds(), duration_ > 0.0 ? duration_ : 1e9);
    if (!playing_) return anchorSeconds_;
    const std::int64_t stamp = stampNs_.load();
    const std::uint64_t cursor = cursor_.load();
    if (stamp == 0) return anchorSeconds_;  // no callback since the last seek
    // The device still holds one chunk; interpolate since the callback, never
    // beyond the next one.
    const double played = (static_cast<double>(cursor) - chunkFrames_) / rate_;
    const double since = std::min(static_cast<double>(nowNs() - stamp) * 1e-9, double(chunkFrames_) / rate_);
    const double position = std::max(anchorSeconds_, played + since);
    return std::min(position, duration_);
}

}  // namespace tolmero
