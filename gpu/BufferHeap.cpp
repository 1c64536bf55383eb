#include "gpu/BufferHeap.h"

#include <algorithm>

#include "gpu/Debug.h"

namespace tolmero::gpu::detail {

BufferHeap::BufferHeap(Core& core) : core_(core) {
    const VkPhysicalDeviceLimits& limits = core.properties.limits;
    alignment_ = std::max<VkDeviceSize>({16, limits.minUniformBufferOffsetAlignment,
                                         limits.minStorageBufferOffsetAlignment, limits.minTexelBufferOffsetAlignment});
}

BufferHeap::~BufferHeap() {
    for (Page& page : pages_) {
        vkDestroyBuffer(core_.device, page.buffer, nullptr);
        vkFreeMemory(core_.device, page.memory, nullptr);
    }
}

bool BufferHeap::addPage() {
    Page page;
    auto info = vkStruct<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    info.size = kPageBytes;
    info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT |
                 VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_STORAGE_BUFFER_BIT |
                 VK_BUFFER_USAGE_UNIFORM_TEXEL_BUFFER_BIT | VK_BUFFER_USAGE_STORAGE_TEXEL_BUFFER_BIT |
                 VK_BUFFER_USAGE_INDEX_BUFFER_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT |
                 VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    countCreation(Creation::Buffer);
    if (vkCreateBuffer(core_.device, &info, nullptr, &page.buffer) != VK_SUCCESS) return false;
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(core_.device, page.buffer, &requirements);
    // Host-visible and coherent, and on the device where it can be both
    // (integrated GPUs, or a discrete one's window onto its own memory).
    const VkMemoryPropertyFlags required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    void* mapped = nullptr;
    if (core_.allocate(requirements, required, required | VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &page.memory, nullptr) !=
            VK_SUCCESS ||
        vkBindBufferMemory(core_.device, page.buffer, page.memory, 0) != VK_SUCCESS ||
        vkMapMemory(core_.device, page.memory, 0, VK_WHOLE_SIZE, 0, &mapped) != VK_SUCCESS) {
        vkDestroyBuffer(core_.device, page.buffer, nullptr);
        if (page.memory) vkFreeMemory(core_.device, page.memory, nullptr);
        return false;
    }
    page.mapped = static_cast<uint8_t*>(mapped);
    page.free.push_back({0, kPageBytes});
    core_.name(VK_OBJECT_TYPE_BUFFER, reinterpret_cast<uint64_t>(page.buffer), "Small-buffer heap page");
    pages_.push_back(std::move(page));
    return true;
}

BufferHeap::Range BufferHeap::allocate(VkDeviceSize size) {
    const VkDeviceSize rounded = (std::max<VkDeviceSize>(size, 1) + alignment_ - 1) / alignment_ * alignment_;
    if (rounded > kPageBytes) return {};
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (uint32_t p = 0; p < pages_.size(); ++p) {
            Page& page = pages_[p];
            for (size_t i = 0; i < page.free.size(); ++i) {
                FreeRange& gap = page.free[i];
                if (gap.size < rounded) continue;
                Range range{page.buffer, gap.offset, rounded, page.mapped + gap.offset, p};
                gap.offset += rounded;
                gap.size -= rounded;
                if (gap.size == 0) page.free.erase(page.free.begin() + static_cast<std::ptrdiff_t>(i));
                return range;
            }
        }
        if (attempt == 0 && !addPage()) return {};
    }
    return {};
}

void BufferHeap::free(const Range& range) {
    if (!range || range.page >= pages_.size()) return;
    std::vector<FreeRange>& gaps = pages_[range.page].free;
    auto next = std::lower_bound(gaps.begin(), gaps.end(), range.offset,
                                 [](const FreeRange& gap, VkDeviceSize offset) { return gap.offset < offset; });
    next = gaps.insert(next, {range.offset, range.size});
    // Merge with the following and the preceding gap.
    if (next + 1 != gaps.end() && next->offset + next->size == (next + 1)->offset) {
        next->size += (next + 1)->size;
        gaps.erase(next + 1);
    }
    if (next != gaps.begin() && (next - 1)->offset + (next - 1)->size == next->offset) {
        (next - 1)->size += next->size;
        gaps.erase(next);
    }
}

}  // namespace tolmero::gpu::detail
