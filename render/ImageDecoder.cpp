#include "render/ImageDecoder.h"

#include <spng.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace tolmero {

using namespace gpu;

namespace {

// Larger images are refused before anything is allocated: a corrupt header
// must not ask for gigabytes. The GPU's own limit is checked at upload.
constexpr std::uint32_t kMaxImageEdge = 32768;
constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t(1) << 30;
// The most that deflate's longest matches can expand one compressed byte to.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// One image as WIC presents it: frames, each with a pixel format and a size,
// whose pixels can be copied out as they are or converted to 8-bit RGBA.
class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;
    virtual std::uint32_t frameCount() const = 0;
    virtual WicPixelFormat pixelFormat(std::uint32_t frame) const = 0;
    virtual void size(std::uint32_t frame, std::uint32_t& width, std::uint32_t& height) const = 0;
    // Copies the whole frame, rows of width x texel bytes, tightly packed;
    // `convert` asks for 8-bit RGBA instead of the frame's own format.
    // Returns an empty string on success, else what went wrong.
    virtual std::string copyPixels(std::uint32_t frame, bool convert, std::uint8_t* out, std::size_t bytes) = 0;
};

// 16-bit sample to 8 bits, rounded to the nearest step.
inline std::uint8_t roundTo8Bits(std::uint16_t value) {
    return static_cast<std::uint8_t>((std::uint32_t(value) * 255u + 32767u) / 65535u);
}

class PngDecoder final : public FrameDecoder {
public:
    // Reads the header; error() says why the bytes are no usable PNG. The
    // zlib stream's Adler-32 is not checked: the CRC-32 of every chunk, which
    // spng does check, already covers the same compressed bytes.
    explicit PngDecoder(std::span<const std::uint8_t> bytes)
        : ctx_(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32), &spng_ctx_free) {
        if (!ctx_) {
            error_ = "out of memory";
            return;
        }
        spng_set_image_limits(ctx_.get(), kMaxImageEdge, kMaxImageEdge);
        int status = spng_set_png_buffer(ctx_.get(), bytes.data(), bytes.size());
        if (status == 0) status = spng_get_ihdr(ctx_.get(), &ihdr_);
        if (status != 0) {
            error_ = std::string("PNG header: ") + spng_strerror(status);
            return;
        }
        // Deflate packs at most 1032 bytes into one, so a header that promises
        // more filtered rows than that times the whole file is a lie, refused
        // before its buffers are allocated.
        const std::uint64_t rowBytes = (std::uint64_t(ihdr_.width) * channels() * ihdr_.bit_depth + 7) / 8 + 1;
        if (rowBytes * ihdr_.height > kMaxDeflateRatio * bytes.size() + kMaxDeflateRatio) {
            error_ = "PNG header: " + std::to_string(ihdr_.width) + " x " + std::to_string(ihdr_.height) +
                     " texels cannot fit in a file of " + std::to_string(bytes.size()) + " bytes";
            return;
        }
        spng_trns trns{};
        hasTransparentColour_ = spng_get_trns(ctx_.get(), &trns) == 0;
        format_ = classify();
    }

    const std::string& error() const { return error_; }

    std::uint32_t frameCount() const override { return 1; }
    WicPixelFormat pixelFormat(std::uint32_t) const override { return format_; }
    void size(std::uint32_t, std::uint32_t& width, std::uint32_t& height) const override {
        width = ihdr_.width;
        height = ihdr_.height;
    }

    std::string copyPixels(std::uint32_t, bool convert, std::uint8_t* out, std::size_t bytes) override {
        if (!convert) return decode(directSpngFormat(), 0, out, bytes);
        if (ihdr_.bit_depth < 16) return decode(SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, out, bytes);
        // 16-bit sources: decode at full depth and round, rather than letting
        // the decoder drop the low byte.
        std::vector<std::uint16_t> wide(bytes);  // one 16-bit sample per output byte
        if (std::string e = decode(SPNG_FMT_RGBA16, SPNG_DECODE_TRNS, reinterpret_cast<std::uint8_t*>(wide.data()),
                                   wide.size() * sizeof(std::uint16_t));
            !e.empty())
            return e;
        for (std::size_t i = 0; i < bytes; ++i) out[i] = roundTo8Bits(wide[i]);
        return {};
    }

private:
    std::uint32_t channels() const {
        switch (ihdr_.color_type) {
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: return 4;
        case SPNG_COLOR_TYPE_TRUECOLOR: return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2;
        default: return 1;  // grey, palette
        }
    }

    WicPixelFormat classify() const {
        const int depth = ihdr_.bit_depth;
        switch (ihdr_.color_type) {
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            return depth == 16 ? WicPixelFormat::Format64bppRGBA : WicPixelFormat::Format32bppRGBA;
        case SPNG_COLOR_TYPE_GRAYSCALE:
            if (hasTransparentColour_) return WicPixelFormat::FormatTransparentColour;
            if (depth == 16) return WicPixelFormat::Format16bppGray;
            if (depth == 8) return WicPixelFormat::Format8bppGray;
            return WicPixelFormat::FormatLowDepthGray;
        case SPNG_COLOR_TYPE_TRUECOLOR:
            if (hasTransparentColour_) return WicPixelFormat::FormatTransparentColour;
            return depth == 16 ? WicPixelFormat::Format48bppRGB : WicPixelFormat::Format24bppRGB;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            return WicPixelFormat::FormatGrayAlpha;
        default:
            return WicPixelFormat::Format8bppIndexed;
        }
    }

    // The decoder's output format for a directly used WIC format.
    int directSpngFormat() const {
        switch (format_) {
        case WicPixelFormat::Format32bppRGBA: return SPNG_FMT_RGBA8;
        case WicPixelFormat::Format64bppRGBA: return SPNG_FMT_RGBA16;
        case WicPixelFormat::Format8bppGray: return SPNG_FMT_G8;
        default: return SPNG_FMT_PNG;  // 16-bit grey, host byte order
        }
    }

    std::string decode(int format, int flags, std::uint8_t* out, std::size_t bytes) {
        std::size_t needed = 0;
        int status = spng_decoded_image_size(ctx_.get(), format, &needed);
        if (status == 0 && needed != bytes) return "unexpected decoded size";
        if (status == 0) status = spng_decode_image(ctx_.get(), out, bytes, format, flags);
        if (status != 0) return std::string("PNG data: ") + spng_strerror(status);
        return {};
    }

    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx_;
    spng_ihdr ihdr_{};
    bool hasTransparentColour_ = false;
    WicPixelFormat format_ = WicPixelFormat::Format32bppRGBA;
    std::string error_;
};

class JpegDecoder final : public FrameDecoder {
public:
    explicit JpegDecoder(std::span<const std::uint8_t> bytes) : bytes_(bytes), tj_(tjInitDecompress(), &tjDestroy) {
        if (!tj_) {
            error_ = "the JPEG decoder could not start";
            return;
        }
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        if (tjDecompressHeader3(tj_.get(), bytes_.data(), static_cast<unsigned long>(bytes_.size()), &width, &height,
                                &subsampling, &colourspace) != 0) {
            error_ = std::string("JPEG header: ") + tjGetErrorStr2(tj_.get());
            return;
        }
        width_ = static_cast<std::uint32_t>(width);
        height_ = static_cast<std::uint32_t>(height);
        // Every 8 x 8 block takes at least one bit of the file, so a header
        // that promises more blocks than the file has bits is a lie, refused
        // before its buffers are allocated. (A file cut inside its scan still
        // decodes as far as it goes.)
        const std::uint64_t blocks = (std::uint64_t(width_) + 7) / 8 * ((std::uint64_t(height_) + 7) / 8);
        if (blocks > 8 * std::uint64_t(bytes.size())) {
            error_ = "JPEG header: " + std::to_string(width_) + " x " + std::to_string(height_) +
                     " texels cannot fit in a file of " + std::to_string(bytes.size()) + " bytes";
            return;
        }
        if (colourspace == TJCS_GRAY) format_ = WicPixelFormat::Format8bppGray;
        else if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) format_ = WicPixelFormat::Format32bppCMYK;
        else format_ = WicPixelFormat::Format24bppBGR;
    }

    const std::string& error() const { return error_; }

    std::uint32_t frameCount() const override { return 1; }
    WicPixelFormat pixelFormat(std::uint32_t) const override { return format_; }
    void size(std::uint32_t, std::uint32_t& width, std::uint32_t& height) const override {
        width = width_;
        height = height_;
    }

    std::string copyPixels(std::uint32_t, bool convert, std::uint8_t* out, std::size_t bytes) override {
        const std::size_t texels = std::size_t(width_) * height_;
        if (!convert) return decode(TJPF_GRAY, out, bytes);
        if (format_ == WicPixelFormat::Format8bppGray) {
            std::vector<std::uint8_t> grey(texels);
            if (std::string e = decode(TJPF_GRAY, grey.data(), grey.size()); !e.empty()) return e;
            for (std::size_t i = 0; i < texels; ++i) {
                out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = grey[i];
                out[4 * i + 3] = 255;
            }
            return {};
        }
        if (format_ == WicPixelFormat::Format32bppCMYK) {
            // The decoder hands CMYK over as stored: Adobe's inverted form, in
            // which 255 means no ink, so each colour is its value times K.
            if (std::string e = decode(TJPF_CMYK, out, bytes); !e.empty()) return e;
            for (std::size_t i = 0; i < texels; ++i) {
                std::uint8_t* p = out + 4 * i;
                const std::uint32_t k = p[3];
                for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * k + 127) / 255);
                p[3] = 255;
            }
            return {};
        }
        return decode(TJPF_RGBA, out, bytes);  // alpha comes out as 255
    }

private:
    std::string decode(int pixelFormat, std::uint8_t* out, std::size_t bytes) {
        if (bytes != std::size_t(width_) * height_ * tjPixelSize[pixelFormat]) return "unexpected decoded size";
        const int status = tjDecompress2(tj_.get(), bytes_.data(), static_cast<unsigned long>(bytes_.size()), out,
                                         static_cast<int>(width_), 0, static_cast<int>(height_), pixelFormat, 0);
        if (status != 0 && tjGetErrorCode(tj_.get()) != TJERR_WARNING)
            return std::string("JPEG data: ") + tjGetErrorStr2(tj_.get());
        // A warning (such as a truncated scan) leaves the pixels it could
        // decode; the image is used as WIC would use it.
        return {};
    }

    std::span<const std::uint8_t> bytes_;
    std::unique_ptr<void, int (*)(tjhandle)> tj_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    WicPixelFormat format_ = WicPixelFormat::Format24bppBGR;
    std::string error_;
};

bool isPng(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

bool isJpeg(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

DecodedImage failed(std::string why) {
    DecodedImage image;
    image.error = std::move(why);
    return image;
}

// The loading steps over any decoder: formats, staging buffer, pixel copies
// and the fill-in of later frames.
DecodedImage decodeFrames(FrameDecoder& decoder, bool linear, PixelBufferSource buffers) {
    DecodedImage image;
    const std::uint32_t frames = decoder.frameCount();
    if (frames == 0) return failed("the image has no frames");

    // A slice format that changes from frame to frame cannot share one
    // texture: then every frame is converted to 8-bit RGBA.
    image.sourceFormat = decoder.pixelFormat(0);
    bool convert = directDxgiFormat(image.sourceFormat) == DXGI_FORMAT_UNKNOWN;
    for (std::uint32_t i = 1; i < frames && !convert; ++i)
        convert = decoder.pixelFormat(i) != image.sourceFormat;
    image.format = convert ? (linear ? DXGI_FORMAT_R8G8B8A8_UNORM : DXGI_FORMAT_R8G8B8A8_UNORM_SRGB)
                           : directDxgiFormat(image.sourceFormat);
    image.texelBytes = bytesPerTexel(image.format);

    decoder.size(0, image.width, image.height);
    if (image.width == 0 || image.height == 0) return failed("the image has no pixels");
    if (image.width > kMaxImageEdge || image.height > kMaxImageEdge)
        return failed("the image is larger than " + std::to_string(kMaxImageEdge) + " texels on a side");
    const std::size_t frameBytes = std::size_t(image.width) * image.height * image.texelBytes;
    if (std::uint64_t(frameBytes) * frames > kMaxDecodedBytes) return failed("the decoded image would be too large");
    image.frameCount = frames;
    image.staging = buffers(frameBytes * frames);

    for (std::uint32_t i = 0; i < frames; ++i) {
        // Slices share one size: a frame of another size cannot be one.
        std::uint32_t w = 0, h = 0;
        decoder.size(i, w, h);
        if (w != image.width || h != image.height)
            return failed("frame " + std::to_string(i) + " is not as large as frame 0");
        std::uint8_t* slice = image.staging.data() + i * frameBytes;
        if (std::string e = decoder.copyPixels(i, convert, slice, frameBytes); !e.empty()) return failed(e);
        if (i > 0 && (image.format == DXGI_FORMAT_R8G8B8A8_UNORM || image.format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB))
            fillInFrame(image.staging, image.width, image.height, i);
    }
    return image;
}

}  // namespace

DXGI_FORMAT directDxgiFormat(WicPixelFormat format) {
    for (const DirectPixelFormat& row : kDirectPixelFormats)
        if (row.wic == format) return row.dxgi;
    return DXGI_FORMAT_UNKNOWN;
}

std::uint32_t bytesPerTexel(std::uint32_t f) {
    if (f >= 1 && f <= 4) return 16;
    if (f >= 5 && f <= 8) return 12;
    if (f >= 9 && f <= 22) return 8;
    if ((f >= 23 && f <= 47) || (f >= 67 && f <= 69) || (f >= 87 && f <= 93) || f == 115) return 4;
    if ((f >= 48 && f <= 59) || f == 85 || f == 86 || f == 114) return 2;
    if ((f >= 60 && f <= 66) || f == 113) return 1;
    return kNoTexelSize;
}

void fillInFrame(std::span<std::uint8_t> staging, std::uint32_t width, std::uint32_t height, std::uint32_t frame) {
    if (frame == 0) return;
    const std::size_t frameBytes = std::size_t(width) * height * 4;
    if (staging.size() < (std::size_t(frame) + 1) * frameBytes) return;
    std::uint8_t* current = staging.data() + frame * frameBytes;
    const std::uint8_t* previous = current - frameBytes;
    for (std::size_t p = 0; p < frameBytes; p += 4) {
        if ((current[p] | current[p + 1] | current[p + 2] | current[p + 3]) == 0)
            std::memcpy(current + p, previous + p, 4);
    }
}

PixelBuffer newPixelBuffer(std::size_t bytes) { return PixelBuffer(bytes); }

DecodedImage decodeImage(std::span<const std::uint8_t> bytes, bool linear, PixelBufferSource buffers) {
    if (isPng(bytes)) {
        PngDecoder decoder(bytes);
        if (!decoder.error().empty()) return failed(decoder.error());
        return decodeFrames(decoder, linear, buffers);
    }
    if (isJpeg(bytes)) {
        JpegDecoder decoder(bytes);
        if (!decoder.error().empty()) return failed(decoder.error());
        return decodeFrames(decoder, linear, buffers);
    }
    return failed("neither a PNG nor a JPEG file");
}

bool readImageSize(std::span<const std::uint8_t> bytes, std::uint32_t& width, std::uint32_t& height) {
    if (isPng(bytes)) {
        PngDecoder decoder(bytes);
        if (!decoder.error().empty()) return false;
        decoder.size(0, width, height);
        return true;
    }
    if (isJpeg(bytes)) {
        JpegDecoder decoder(bytes);
        if (!decoder.error().empty()) return false;
        decoder.size(0, width, height);
        return true;
    }
    return false;
}

}  // namespace tolmero
