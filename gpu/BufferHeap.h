// Small buffers in a few persistent host-visible allocations.
//
// The renderer makes its per-frame constant and structured buffers anew every
// frame and releases them at the frame's end. Each would otherwise cost a
// vkCreateBuffer and a vkAllocateMemory. The heap instead hands out ranges of
// a few large pages, each one VkBuffer in one mapped, host-coherent
// allocation: the buffer object takes the page's VkBuffer and an offset. A
// released range returns to the heap once every batch that may read it has
// finished, so frames in flight keep their data while the CPU fills the next
// frame's ranges. After the first frames every request fits a free range and
// no Vulkan object is created any more.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <vector>

#include "gpu/Core.h"

namespace tolmero::gpu::detail {

class BufferHeap {
public:
    // Buffers up to this size come from the heap (the largest constant buffer).
    static constexpr VkDeviceSize kMaxBufferBytes = 65536;

    using Range = HeapRange;

    explicit BufferHeap(Core& core);
    ~BufferHeap();
    BufferHeap(const BufferHeap&) = delete;
    BufferHeap& operator=(const BufferHeap&) = delete;

    // A range of at least `size` bytes, aligned for every kind of buffer
    // binding; empty when no page can be made (out of memory).
    Range allocate(VkDeviceSize size);
    // Returns a range at once: only when no batch can still use it.
    void free(const Range& range);

    VkDeviceSize pageBytes() const { return kPageBytes; }
    size_t pageCount() const { return pages_.size(); }

private:
    static constexpr VkDeviceSize kPageBytes = VkDeviceSize(4) << 20;

    struct FreeRange {
        VkDeviceSize offset;
        VkDeviceSize size;
    };
    struct Page {
        VkBuffer buffer = VK_NULL_HANDLE;
        VkDeviceMemory memory = VK_NULL_HANDLE;
        uint8_t* mapped = nullptr;
        std::vector<FreeRange> free;  // sorted by offset, neighbours merged
    };

    bool addPage();

    Core& core_;
    VkDeviceSize alignment_ = 256;
    std::vector<Page> pages_;
};

}  // namespace tolmero::gpu::detail
