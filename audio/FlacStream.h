#pragma once

#include <FLAC/stream_decoder.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What STREAMINFO says about a FLAC file.
struct FlacInfo {
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    uint64_t totalFrames = 0;  // frames per channel ("total samples" in FLAC terms)

    double durationSeconds() const { return sampleRate ? double(totalFrames) / sampleRate : 0.0; }
};

// Streams a FLAC file as interleaved stereo float frames at the file's own
// sample rate. Any bit depth is scaled to [-1, 1); mono is copied to both
// sides, and of three or more channels the first two (front left and right)
// are kept.
//
// The output is exactly `totalFrames` long, whatever happens in the file:
// frames lost to corruption are replaced by silence at their place (each
// decoded frame is placed by its own sample number), and a file that ends
// early is padded with silence. The clock built on this stream therefore
// always runs to the duration STREAMINFO announced.
class FlacStream {
public:
    FlacStream() = default;
    ~FlacStream();
    FlacStream(const FlacStream&) = delete;
    FlacStream& operator=(const FlacStream&) = delete;

    // Reads the metadata and checks that the file really holds the frames it
    // announces (a seek to the last frame; a few frame decodes, so it stays
    // fast for long files). On failure returns false, says why in `why` and
    // leaves the stream closed.
    bool open(const std::string& path, std::string* why = nullptr);
    void close();
    bool isOpen() const { return decoder_ != nullptr; }

    const FlacInfo& info() const { return info_; }

    // Writes up to `maxFrames` stereo frames (2 floats each) to `out` and
    // returns how many; 0 once all `totalFrames` have been delivered.
    size_t read(float* out, size_t maxFrames);

    uint64_t framesDelivered() const { return delivered_; }
    // Decoder errors seen so far (lost sync, bad headers, CRC mismatches).
    uint64_t decodeErrors() const { return decodeErrors_; }

private:
    static FLAC__StreamDecoderWriteStatus onWrite(const FLAC__StreamDecoder*, const FLAC__Frame*,
                                                  const FLAC__int32* const buffer[], void* self);
    static void onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata*, void* self);
    static void onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self);
    void acceptFrame(const FLAC__Frame* frame, const FLAC__int32* const buffer[]);

    FLAC__StreamDecoder* decoder_ = nullptr;
    FlacInfo info_;
    bool haveStreamInfo_ = false;
    bool probing_ = false;          // decoded data is discarded while open() probes
    bool lastFrameCrcFailed_ = false;
    bool decoderFinished_ = false;  // end of file or an unrecoverable decoder state
    uint64_t decodeErrors_ = 0;

    // Frames decoded but not yet read: pending_[2 * i] for i in [pendingRead_, pendingEnd_).
    std::vector<float> pending_;
    size_t pendingRead_ = 0;
    size_t pendingEnd_ = 0;
    uint64_t pendingStart_ = 0;  // sample number of pending frame 0
    uint64_t delivered_ = 0;     // frames handed out by read()
};
