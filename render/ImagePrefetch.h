#pragma once
// Decoding embedded images ahead of their loads, for start-up speed.
//
// The start-up loads many large images one after another, and each load
// decodes on the CPU before it records its GPU work. prefetchImages hands a
// list of names to one worker thread that decodes them in order while the
// loads of earlier images record and run their GPU work. loadImageTexture
// takes a prefetched image instead of decoding it again; the GPU operations
// and their order are exactly those of loads without prefetching. The worker
// touches no GPU object and no renderer state: it only turns bytes into
// pixels.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "render/ImageLoader.h"

namespace tolmero {

// Queues the named embedded images (for loads with this `linear`) behind any
// queued before. At most `maxBytesAhead` decoded bytes wait for their loads at
// any time; the worker pauses until loads have taken enough of them. Names
// that are not embedded are skipped (their load reports them). An unknown name
// is a programming error (std::out_of_range from the registry).
void prefetchImages(const std::vector<std::string>& names, bool linear,
                    std::size_t maxBytesAhead = std::size_t(384) << 20);

// Stops the worker and frees every decoded image that no load has taken, and
// the kept pixel buffers.
void cancelImagePrefetch();

// Pixel buffers of a prefetched batch: from prefetchImages until
// cancelImagePrefetch, the buffers of uploaded images are kept (a few, up to
// a few hundred megabytes) and reused by later decodes, since large buffers
// otherwise come fresh from the system each time and every page of them
// costs a fault. Outside a batch these are plain allocations and frees.
PixelBuffer takePixelBuffer(std::size_t bytes);
void recyclePixelBuffer(PixelBuffer&& buffer);

// For loadImageTexture: the prefetched pixels of (name, linear), waiting for
// the worker if it is decoding them right now. Nothing when the name was not
// queued, or when the worker has not started on it yet (the load then decodes
// it itself, and the worker skips it).
std::optional<DecodedImage> takePrefetchedImage(const std::string& name, bool linear);

}  // namespace tolmero
