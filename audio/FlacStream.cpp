#include "audio/FlacStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

FlacStream::~FlacStream() { close(); }

void FlacStream::close() {
    if (decoder_) {
        FLAC__stream_decoder_finish(decoder_);
        FLAC__stream_decoder_delete(decoder_);
        decoder_ = nullptr;
    }
    info_ = FlacInfo{};
    haveStreamInfo_ = false;
    probing_ = false;
    lastFrameCrcFailed_ = false;
    decoderFinished_ = false;
    decodeErrors_ = 0;
    pending_.clear();
    pendingRead_ = pendingEnd_ = 0;
    pendingStart_ = 0;
    delivered_ = 0;
}

bool FlacStream::open(const std::string& path, std::string* why) {
    close();
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        close();
        return false;
    };

    decoder_ = FLAC__stream_decoder_new();
    if (!decoder_) return fail("out of memory");
    FLAC__stream_decoder_set_md5_checking(decoder_, false);
    const FLAC__StreamDecoderInitStatus status =
        FLAC__stream_decoder_init_file(decoder_, path.c_str(), &FlacStream::onWrite,
                                       &FlacStream::onMetadata, &FlacStream::onError, this);
    if (status != FLAC__STREAM_DECODER_INIT_STATUS_OK) return fail("cannot open the file");

    // A file that is not FLAC either ends here or runs into something that
    // looks like frame sync before any STREAMINFO block.
    if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder_) || !haveStreamInfo_)
        return fail("not a FLAC stream");
    if (info_.totalFrames == 0) return fail("the stream does not state its length");
    if (info_.sampleRate == 0 || info_.channels == 0) return fail("invalid STREAMINFO");

    // A truncated file announces more frames than it holds: the seek to the
    // last announced frame fails. Decoded data is thrown away meanwhile.
    probing_ = true;
    const bool lastFrameFound = FLAC__stream_decoder_seek_absolute(decoder_, info_.totalFrames - 1);
    probing_ = false;
    if (!lastFrameFound) return fail("the file holds fewer frames than it announces");
    // Back to the start; the seek decodes the first frame into pending_.
    pending_.clear();
    pendingRead_ = pendingEnd_ = 0;
    if (!FLAC__stream_decoder_seek_absolute(decoder_, 0)) return fail("cannot return to the start");
    decodeErrors_ = 0;
    return true;
}

void FlacStream::onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self) {
    auto* stream = static_cast<FlacStream*>(self);
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    const auto& si = metadata->data.stream_info;
    stream->info_.sampleRate = si.sample_rate;
    stream->info_.channels = si.channels;
    stream->info_.bitsPerSample = si.bits_per_sample;
    stream->info_.totalFrames = si.total_samples;
    stream->haveStreamInfo_ = true;
}

void FlacStream::onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* self) {
    auto* stream = static_cast<FlacStream*>(self);
    ++stream->decodeErrors_;
    if (status == FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH) stream->lastFrameCrcFailed_ = true;
}

FLAC__StreamDecoderWriteStatus FlacStream::onWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                   const FLAC__int32* const buffer[], void* self) {
    auto* stream = static_cast<FlacStream*>(self);
    if (!stream->probing_) stream->acceptFrame(frame, buffer);
    stream->lastFrameCrcFailed_ = false;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacStream::acceptFrame(const FLAC__Frame* frame, const FLAC__int32* const buffer[]) {
    // libFLAC always hands frames over numbered by their first sample.
    const uint64_t start = frame->header.number.sample_number;
    const uint32_t blockSize = frame->header.blocksize;
    const uint64_t expected = pendingStart_ + pendingEnd_;
    // libFLAC zero-fills a frame whose CRC fails, which keeps time when the
    // frame is where we expect it. A failed frame elsewhere is most likely a
    // false sync inside damaged data: its position cannot be trusted.
    if (lastFrameCrcFailed_ && start != expected) return;
    if (start >= info_.totalFrames || blockSize == 0) return;

    const uint32_t frames = uint32_t(std::min<uint64_t>(blockSize, info_.totalFrames - start));
    const uint32_t bits = frame->header.bits_per_sample ? frame->header.bits_per_sample : info_.bitsPerSample;
    const float scale = float(std::ldexp(1.0, -int(std::max(bits, 1u) - 1)));
    const FLAC__int32* left = buffer[0];
    const FLAC__int32* right = frame->header.channels > 1 ? buffer[1] : buffer[0];

    pending_.resize(size_t(frames) * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        pending_[2 * i] = float(left[i]) * scale;
        pending_[2 * i + 1] = float(right[i]) * scale;
    }
    pendingStart_ = start;
    pendingRead_ = 0;
    pendingEnd_ = frames;
}

size_t FlacStream::read(float* out, size_t maxFrames) {
    if (!decoder_) return 0;
    size_t written = 0;
    while (written < maxFrames && delivered_ < info_.totalFrames) {
        const size_t room = size_t(std::min<uint64_t>(maxFrames - written, info_.totalFrames - delivered_));
        if (pendingRead_ < pendingEnd_) {
            const uint64_t position = pendingStart_ + pendingRead_;
            if (position < delivered_) {  // overlaps what was already delivered
                pendingRead_ += size_t(std::min<uint64_t>(delivered_ - position, pendingEnd_ - pendingRead_));
                continue;
            }
            if (position > delivered_) {  // frames were lost before this one: silence in their place
                const size_t gap = size_t(std::min<uint64_t>(position - delivered_, room));
                std::memset(out + 2 * written, 0, gap * 2 * sizeof(float));
                written += gap;
                delivered_ += gap;
                continue;
            }
            const size_t count = std::min(room, pendingEnd_ - pendingRead_);
            std::memcpy(out + 2 * written, pending_.data() + 2 * pendingRead_, count * 2 * sizeof(float));
            pendingRead_ += count;
            written += count;
            delivered_ += count;
            continue;
        }
        if (decoderFinished_) {  // the file ended early: silence up to the announced length
            std::memset(out + 2 * written, 0, room * 2 * sizeof(float));
            written += room;
            delivered_ += room;
            continue;
        }
        const bool ok = FLAC__stream_decoder_process_single(decoder_);
        if (!ok || FLAC__stream_decoder_get_state(decoder_) >= FLAC__STREAM_DECODER_END_OF_STREAM) {
            decoderFinished_ = true;
        }
    }
    return written;
}
