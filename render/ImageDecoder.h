#pragma once
// Image decoding: PNG or JPEG bytes become the pixels of one or more frames,
// in the format the upload takes (see ImageLoader.h). No GPU work here.
//
// The decoders are libspng (PNG) and libjpeg-turbo (JPEG). They are presented
// with the pixel-format rules of the Windows Imaging Component: each decoded
// frame reports the WIC pixel format it corresponds to; the formats of the
// direct table (kDirectPixelFormats) are uploaded as they are, in their DXGI
// format, and every other format is converted to 8-bit RGBA, which is
// R8G8B8A8_UNORM for a linear load and R8G8B8A8_UNORM_SRGB otherwise.
//
// What our decoders deliver, and the WIC format it stands for:
//
//   PNG 8-bit RGBA                      32bppRGBA  -> R8G8B8A8_UNORM (whatever `linear` says)
//   PNG 16-bit RGBA                     64bppRGBA  -> R16G16B16A16_UNORM
//   PNG 8-bit grey, JPEG grey           8bppGray   -> R8_UNORM
//   PNG 16-bit grey                     16bppGray  -> R16_UNORM
//   PNG 8-bit RGB, JPEG colour          24bppRGB / 24bppBGR  -> converted
//   PNG 16-bit RGB                      48bppRGB   -> converted (rounded to 8 bits)
//   PNG palette, 1/2/4-bit grey,        indexed, low-depth grey, grey with
//   grey + alpha, grey or RGB with a    alpha or with a transparent colour
//   transparent colour (tRNS)                      -> converted (tRNS applied)
//   JPEG CMYK / YCCK                    32bppCMYK  -> converted
//
// 16-bit samples become 8-bit ones by rounding to the nearest value
// (v * 255 / 65535); WIC's converter diffuses the rounding error instead, so
// single texels may differ from it by one step. No gamma chunk is applied.
//
// Bad data never ends the process: the result says what was wrong.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gpu/D3D11Types.h"

namespace tolmero {

// WIC pixel formats, named as in the platform headers (GUID_WICPixelFormat...).
enum class WicPixelFormat {
    // The 17 formats used directly (see kDirectPixelFormats).
    Format128bppRGBAFloat,
    Format64bppRGBAHalf,
    Format64bppRGBA,
    Format32bppRGBA,
    Format32bppBGRA,
    Format32bppBGR,
    Format32bppRGBA1010102XR,
    Format32bppRGBA1010102,
    Format32bppRGBE,
    Format16bppBGRA5551,
    Format16bppBGR565,
    Format32bppGrayFloat,
    Format16bppGrayHalf,
    Format16bppGray,
    Format8bppGray,
    Format8bppAlpha,
    Format96bppRGBFloat,
    // Formats our decoders meet that have no direct DXGI format.
    Format24bppRGB,
    Format24bppBGR,
    Format48bppRGB,
    Format8bppIndexed,        // palette images of any bit depth
    FormatLowDepthGray,       // 1, 2 and 4-bit grey (BlackWhite, 2bppGray, 4bppGray)
    FormatGrayAlpha,          // grey with an alpha channel
    FormatTransparentColour,  // grey or RGB with a tRNS transparent colour
    Format32bppCMYK,
};

struct DirectPixelFormat {
    WicPixelFormat wic;
    gpu::DXGI_FORMAT dxgi;
};

// The WIC formats that map directly onto a DXGI format (17 rows).
inline constexpr DirectPixelFormat kDirectPixelFormats[] = {
    {WicPixelFormat::Format128bppRGBAFloat, gpu::DXGI_FORMAT_R32G32B32A32_FLOAT},
    {WicPixelFormat::Format64bppRGBAHalf, gpu::DXGI_FORMAT_R16G16B16A16_FLOAT},
    {WicPixelFormat::Format64bppRGBA, gpu::DXGI_FORMAT_R16G16B16A16_UNORM},
    {WicPixelFormat::Format32bppRGBA, gpu::DXGI_FORMAT_R8G8B8A8_UNORM},
    {WicPixelFormat::Format32bppBGRA, gpu::DXGI_FORMAT_B8G8R8A8_UNORM},
    {WicPixelFormat::Format32bppBGR, gpu::DXGI_FORMAT_B8G8R8X8_UNORM},
    {WicPixelFormat::Format32bppRGBA1010102XR, gpu::DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM},
    {WicPixelFormat::Format32bppRGBA1010102, gpu::DXGI_FORMAT_R10G10B10A2_UNORM},
    {WicPixelFormat::Format32bppRGBE, gpu::DXGI_FORMAT_R9G9B9E5_SHAREDEXP},
    {WicPixelFormat::Format16bppBGRA5551, gpu::DXGI_FORMAT_B5G5R5A1_UNORM},
    {WicPixelFormat::Format16bppBGR565, gpu::DXGI_FORMAT_B5G6R5_UNORM},
    {WicPixelFormat::Format32bppGrayFloat, gpu::DXGI_FORMAT_R32_FLOAT},
    {WicPixelFormat::Format16bppGrayHalf, gpu::DXGI_FORMAT_R16_FLOAT},
    {WicPixelFormat::Format16bppGray, gpu::DXGI_FORMAT_R16_UNORM},
    {WicPixelFormat::Format8bppGray, gpu::DXGI_FORMAT_R8_UNORM},
    {WicPixelFormat::Format8bppAlpha, gpu::DXGI_FORMAT_A8_UNORM},
    {WicPixelFormat::Format96bppRGBFloat, gpu::DXGI_FORMAT_R32G32B32_FLOAT},
};

// The DXGI format of a directly used WIC format; DXGI_FORMAT_UNKNOWN ("none")
// for a format that is converted.
gpu::DXGI_FORMAT directDxgiFormat(WicPixelFormat format);

// Bytes per texel by DXGI format number, for row pitches and buffer sizes:
// 16 for 1-4, 12 for 5-8, 8 for 9-22, 4 for 23-47, 67-69, 87-93 and 115,
// 2 for 48-59, 85, 86 and 114, 1 for 60-66 and 113; kNoTexelSize otherwise.
inline constexpr std::uint32_t kNoTexelSize = 0xFFFFFFFFu;
std::uint32_t bytesPerTexel(std::uint32_t dxgiFormat);

// Frame fill-in on a staging buffer of 4-byte texels holding frames of
// width x height one after another: every pixel of `frame` whose four bytes
// are all zero takes the four bytes of the same pixel of frame - 1. Frame 0
// and pixels with any non-zero byte are left as they are.
void fillInFrame(std::span<std::uint8_t> staging, std::uint32_t width, std::uint32_t height, std::uint32_t frame);

// An allocator whose resize leaves new bytes uninitialised: staging buffers
// of hundreds of megabytes are written by the decoder anyway.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using PixelBuffer = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// The decoded pixels of one image, as the upload takes them.
struct DecodedImage {
    gpu::DXGI_FORMAT format = gpu::DXGI_FORMAT_UNKNOWN;  // of every frame
    WicPixelFormat sourceFormat = WicPixelFormat::Format32bppRGBA;  // what frame 0 decoded as
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t texelBytes = 0;
    // width x height x texelBytes x frameCount bytes: the frames one after
    // another, rows tightly packed, top row first.
    PixelBuffer staging;
    std::string error;  // why the bytes could not be decoded; empty on success

    bool ok() const { return error.empty(); }
};

// Where a decode takes its staging buffer from: a plain allocation by
// default, a pool of reused buffers at start-up (ImagePrefetch.h).
using PixelBufferSource = PixelBuffer (*)(std::size_t bytes);
PixelBuffer newPixelBuffer(std::size_t bytes);

// Decodes PNG or JPEG bytes with the format rules above. Never throws for bad
// data: the result's error says what was wrong.
DecodedImage decodeImage(std::span<const std::uint8_t> bytes, bool linear,
                         PixelBufferSource buffers = newPixelBuffer);

// The size of the image's first frame from its header, without decoding the
// pixels; false for bytes that are neither a readable PNG nor JPEG header.
bool readImageSize(std::span<const std::uint8_t> bytes, std::uint32_t& width, std::uint32_t& height);

}  // namespace tolmero
