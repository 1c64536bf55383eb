#include "FlacWriter.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace music {

bool writeFlac(const std::string& path, const StereoBuffer& mix, std::string* error) {
    const uint64_t frames = mix.frames();
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    if (!encoder) {
        *error = "out of memory";
        return false;
    }
    FLAC__StreamMetadata* seekTable = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
    bool ok = seekTable &&
              FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(seekTable, 10 * kSampleRate,
                                                                                        frames) &&
              FLAC__metadata_object_seektable_template_sort(seekTable, true);
    ok = ok && FLAC__stream_encoder_set_channels(encoder, 2) &&
         FLAC__stream_encoder_set_bits_per_sample(encoder, 16) &&
         FLAC__stream_encoder_set_sample_rate(encoder, kSampleRate) &&
         FLAC__stream_encoder_set_compression_level(encoder, 5) &&
         FLAC__stream_encoder_set_total_samples_estimate(encoder, frames) &&
         FLAC__stream_encoder_set_metadata(encoder, &seekTable, 1);
    if (!ok) {
        *error = "cannot configure the FLAC encoder";
    } else if (FLAC__stream_encoder_init_file(encoder, path.c_str(), nullptr, nullptr) !=
               FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        *error = "cannot create " + path;
        ok = false;
    }

    Rng dither(0x5EEDu);
    std::vector<FLAC__int32> block;
    constexpr uint64_t kBlockFrames = 8192;
    for (uint64_t start = 0; ok && start < frames; start += kBlockFrames) {
        const uint64_t count = std::min(kBlockFrames, frames - start);
        block.resize(size_t(count) * 2);
        for (uint64_t i = 0; i < count; ++i) {
            for (int side = 0; side < 2; ++side) {
                const float sample = (side ? mix.right : mix.left)[size_t(start + i)];
                const float noise = dither.uniform() - dither.uniform();  // triangular, +-1 LSB
                const long value = std::lround(double(sample) * 32767.0 + noise);
                block[size_t(2 * i + side)] = FLAC__int32(std::clamp(value, -32768L, 32767L));
            }
        }
        if (!FLAC__stream_encoder_process_interleaved(encoder, block.data(), unsigned(count))) {
            *error = FLAC__StreamEncoderStateString[FLAC__stream_encoder_get_state(encoder)];
            ok = false;
        }
    }
    if (!FLAC__stream_encoder_finish(encoder) && ok) {
        *error = "cannot finish " + path;
        ok = false;
    }
    FLAC__stream_encoder_delete(encoder);
    if (seekTable) FLAC__metadata_object_delete(seekTable);
    return ok;
}

}  // namespace music
