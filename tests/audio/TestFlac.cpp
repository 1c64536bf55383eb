#include "TestFlac.h"

#include <FLAC/stream_encoder.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

int32_t testSample(const TestSignal& signal, uint64_t frame, uint32_t channel) {
    const double hz = channel == 0 ? signal.hz : signal.hz * 1.5;
    const double fullScale = std::ldexp(1.0, int(signal.bitsPerSample) - 1) - 1.0;
    const double value = signal.amplitude * std::sin(2.0 * std::numbers::pi * hz * double(frame) / signal.sampleRate);
    return int32_t(std::lround(value * fullScale));
}

bool writeTestFlac(const std::string& path, const TestSignal& signal) {
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    bool ok = encoder && FLAC__stream_encoder_set_channels(encoder, signal.channels) &&
              FLAC__stream_encoder_set_bits_per_sample(encoder, signal.bitsPerSample) &&
              FLAC__stream_encoder_set_sample_rate(encoder, signal.sampleRate) &&
              FLAC__stream_encoder_set_compression_level(encoder, 5) &&
              FLAC__stream_encoder_init_file(encoder, path.c_str(), nullptr, nullptr) ==
                  FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    std::vector<FLAC__int32> block;
    for (uint64_t start = 0; ok && start < signal.frames; start += 4096) {
        const uint64_t count = std::min<uint64_t>(4096, signal.frames - start);
        block.resize(count * signal.channels);
        for (uint64_t i = 0; i < count; ++i)
            for (uint32_t c = 0; c < signal.channels; ++c)
                block[i * signal.channels + c] = testSample(signal, start + i, c);
        ok = FLAC__stream_encoder_process_interleaved(encoder, block.data(), unsigned(count));
    }
    if (encoder) {
        ok = FLAC__stream_encoder_finish(encoder) && ok;
        FLAC__stream_encoder_delete(encoder);
    }
    return ok;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolmero-audio-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
