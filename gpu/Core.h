// The Vulkan side of a device: instance, physical and logical device, the queue,
// command recording and submission, deferred destruction, memory, debug names
// and the device-wide caches. Every GPU object holds a reference on its Core, so
// the Vulkan device outlives the last object made from it.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gpu/D3D11Types.h"

namespace tolmero::gpu {
class ID3D11Device;
}

namespace tolmero::gpu::detail {

class PipelineCache;
class BufferHeap;

// Every pipeline stage the layer's commands use: what a barrier between any
// two commands must cover (named one by one rather than "all commands", which
// also stands for stages nothing here uses).
inline constexpr VkPipelineStageFlags2 kEveryStageUsed =
    VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT | VK_PIPELINE_STAGE_2_INDEX_INPUT_BIT |
    VK_PIPELINE_STAGE_2_VERTEX_SHADER_BIT | VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT |
    VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT | VK_PIPELINE_STAGE_2_LATE_FRAGMENT_TESTS_BIT |
    VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT | VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT |
    VK_PIPELINE_STAGE_2_COPY_BIT | VK_PIPELINE_STAGE_2_BLIT_BIT | VK_PIPELINE_STAGE_2_CLEAR_BIT;

// A zeroed Vulkan structure with its sType set.
template <class T>
T vkStruct(VkStructureType type) {
    T value{};
    value.sType = type;
    return value;
}

struct CoreOptions {
    bool validation = false;
    // With validation, the layer's optional checks: hazards between commands,
    // best practices (the vendor-specific ones come from the layer's own
    // settings, VK_LAYER_ENABLES), and GPU-assisted checks inside shaders.
    bool synchronizationValidation = false;
    bool bestPracticesValidation = false;
    bool gpuAssistedValidation = false;
    bool preferCpu = false;
    SDL_Window* window = nullptr;  // needs presentation support and the window's instance extensions
};

struct DeviceFeatures {
    bool debugUtils = false;
    bool validation = false;
    bool fillModeNonSolid = false;
    bool samplerAnisotropy = false;
    bool depthClamp = false;
    bool depthBiasClamp = false;
    bool independentBlend = false;
    bool fragmentStores = false;
    bool vertexStores = false;
    bool storageWriteWithoutFormat = false;
    bool storageReadWithoutFormat = false;
    bool timestamps = false;
    bool mirrorClampToEdge = false;
    float maxAnisotropy = 1.0f;
    float maxLodBias = 0.0f;
    float timestampPeriod = 1.0f;
    uint32_t timestampValidBits = 64;
};

// A host-visible buffer for uploads and readbacks.
struct StagingBuffer {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    void* mapped = nullptr;
};

// A range of the small-buffer heap (BufferHeap.h).
struct HeapRange {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    VkDeviceSize size = 0;
    void* mapped = nullptr;
    uint32_t page = 0;
    explicit operator bool() const { return buffer != VK_NULL_HANDLE; }
};

struct QuerySlot {
    VkQueryPool pool = VK_NULL_HANDLE;
    uint32_t index = 0;
};

class Core {
public:
    // Null with error and result set when no usable device exists.
    static Core* create(const CoreOptions& options, std::string& error, HRESULT& result);

    void addRef() { ++refs_; }
    void release();

    // --- Vulkan objects and properties
    VkInstance instance = VK_NULL_HANDLE;
    VkPhysicalDevice physical = VK_NULL_HANDLE;
    VkDevice device = VK_NULL_HANDLE;
    VkQueue queue = VK_NULL_HANDLE;
    uint32_t queueFamily = 0;
    VkSurfaceKHR surface = VK_NULL_HANDLE;  // of the window given at creation, if any
    VkPhysicalDeviceProperties properties{};
    VkPhysicalDeviceMemoryProperties memoryProperties{};
    DeviceFeatures features;
    std::string adapterName;
    std::string missingFeatures;
    D3D_FEATURE_LEVEL featureLevel = D3D_FEATURE_LEVEL_11_0;
    ID3D11Device* publicDevice = nullptr;  // while the device object lives
    bool deviceLost = false;

    PFN_vkCmdPushDescriptorSetKHR cmdPushDescriptorSet = nullptr;
    PFN_vkSetDebugUtilsObjectNameEXT setDebugUtilsObjectName = nullptr;

    // --- Recording and submission. Work is recorded into the open command
    // buffer of the current batch; serials number the batches.
    VkCommandBuffer commands() const { return recording_.commands; }
    uint64_t recordingSerial() const { return recording_.serial; }
    uint64_t completedSerial() const { return completed_; }
    // Counts one recorded operation; a large batch is submitted on its own.
    void countOperation();

    struct SubmitSync {
        VkSemaphore wait = VK_NULL_HANDLE;
        VkPipelineStageFlags2 waitStages = 0;
        VkSemaphore signal = VK_NULL_HANDLE;
    };
    // Submits the current batch and opens the next one.
    bool submit(const SubmitSync* sync = nullptr);
    // True once the batch with this serial has finished (never blocks).
    bool isComplete(uint64_t serial);
    // Submits the batch if it is still recording and waits for it, at most
    // timeoutNs; false on timeout or device loss.
    bool waitFor(uint64_t serial, uint64_t timeoutNs = UINT64_MAX);
    void waitIdle();

    // One memory barrier between everything before and everything after,
    // host reads included (so that mapped and read-back memory is current once
    // the batch's fence has signalled).
    void fullBarrier();
    // Records the move of a new image from UNDEFINED to GENERAL.
    void initImageLayout(VkImage image, VkImageAspectFlags aspects, uint32_t mipLevels, uint32_t layers);

    // --- Deferred destruction: the object is destroyed when every batch that
    // may use it has finished.
    void retire(VkObjectType type, uint64_t handle);
    void retire(VkBuffer h) { retire(VK_OBJECT_TYPE_BUFFER, reinterpret_cast<uint64_t>(h)); }
    void retire(VkImage h) { retire(VK_OBJECT_TYPE_IMAGE, reinterpret_cast<uint64_t>(h)); }
    void retire(VkImageView h) { retire(VK_OBJECT_TYPE_IMAGE_VIEW, reinterpret_cast<uint64_t>(h)); }
    void retire(VkBufferView h) { retire(VK_OBJECT_TYPE_BUFFER_VIEW, reinterpret_cast<uint64_t>(h)); }
    void retire(VkDeviceMemory h) { retire(VK_OBJECT_TYPE_DEVICE_MEMORY, reinterpret_cast<uint64_t>(h)); }
    void retire(VkShaderModule h) { retire(VK_OBJECT_TYPE_SHADER_MODULE, reinterpret_cast<uint64_t>(h)); }
    void retire(VkPipeline h) { retire(VK_OBJECT_TYPE_PIPELINE, reinterpret_cast<uint64_t>(h)); }
    void retire(VkPipelineLayout h) { retire(VK_OBJECT_TYPE_PIPELINE_LAYOUT, reinterpret_cast<uint64_t>(h)); }
    void retire(VkDescriptorSetLayout h) {
        retire(VK_OBJECT_TYPE_DESCRIPTOR_SET_LAYOUT, reinterpret_cast<uint64_t>(h));
    }
    // A range of the small-buffer heap goes back to the heap once the batch
    // being recorded has finished.
    void retireHeapRange(const struct HeapRange& range);

    // --- Memory: one allocation per resource, except small buffers, which
    // share the pages of the small-buffer heap.
    BufferHeap& bufferHeap() { return *bufferHeap_; }
    // Picks a memory type with `required` properties, preferring `preferred`.
    VkResult allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags required,
                      VkMemoryPropertyFlags preferred, VkDeviceMemory* memory, VkMemoryPropertyFlags* actual);
    VkResult createStaging(VkDeviceSize size, bool readback, StagingBuffer& out);
    void destroyStaging(StagingBuffer& staging);  // immediately; only when the GPU is done with it
    void retireStaging(StagingBuffer& staging);   // after the current batch

    // --- Debug names (VK_EXT_debug_utils).
    void name(VkObjectType type, uint64_t handle, const char* name);

    // --- Device-wide caches.
    // Small dense ids for distinct state descriptions, so that pipelines are
    // shared by equal states however often they are re-created.
    uint32_t internState(char kind, const void* bytes, size_t size);
    VkSampler sampler(const D3D11_SAMPLER_DESC& desc);
    QuerySlot allocateQuery();
    void freeQuery(const QuerySlot& slot);
    PipelineCache& pipelines() { return *pipelines_; }
    VkPipelineCache vkPipelineCache() const { return vkPipelineCache_; }

    uint64_t nextObjectId() { return ++objectIds_; }

private:
    Core();
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    bool initialize(const CoreOptions& options, std::string& error, HRESULT& result);
    bool createInstance(const CoreOptions& options, std::string& error);
    bool pickPhysicalDevice(const CoreOptions& options, std::string& error);
    bool createDevice(std::string& error);

    struct Garbage {
        VkObjectType type;
        uint64_t handle;
    };
    struct Batch {
        VkCommandPool pool = VK_NULL_HANDLE;
        VkCommandBuffer commands = VK_NULL_HANDLE;
        VkFence fence = VK_NULL_HANDLE;
        uint64_t serial = 0;
        std::vector<Garbage> garbage;
        std::vector<HeapRange> heapGarbage;
    };
    bool openBatch();
    void finishBatch(Batch& batch);  // destroys its garbage, recycles it
    void destroy(const Garbage& g);

    uint32_t refs_ = 1;
    VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
    Batch recording_;
    std::deque<Batch> inFlight_;
    std::vector<Batch> spare_;
    uint64_t completed_ = 0;
    uint64_t lastSerial_ = 0;
    uint32_t operationsInBatch_ = 0;

    std::map<std::string, uint32_t> states_;
    std::map<std::string, VkSampler> samplers_;
    std::vector<VkQueryPool> queryPools_;
    std::vector<QuerySlot> freeQueries_;
    std::unique_ptr<PipelineCache> pipelines_;
    std::unique_ptr<BufferHeap> bufferHeap_;
    VkPipelineCache vkPipelineCache_ = VK_NULL_HANDLE;
    uint64_t objectIds_ = 0;
};

// Writes "<what> failed: <VkResult>" to the debug channel and maps the result.
HRESULT reportVk(VkResult result, const char* what);
const char* vkResultName(VkResult result);

}  // namespace tolmero::gpu::detail
