#include "gpu/Core.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_vulkan.h>

#include <algorithm>
#include <cstring>

#include "gpu/D3D11.h"
#include "gpu/BufferHeap.h"
#include "gpu/Debug.h"
#include "gpu/Pipelines.h"

namespace tolmero::gpu::detail {

namespace {

// A batch is submitted on its own once it holds this many operations, so that
// long stretches without Present (start-up work) neither grow one command
// buffer without bound nor keep released objects alive.
constexpr uint32_t kOperationsPerBatch = 256;
constexpr size_t kMaxBatchesInFlight = 8;
constexpr uint32_t kQueriesPerPool = 64;

VKAPI_ATTR VkBool32 VKAPI_CALL onDebugMessage(VkDebugUtilsMessageSeverityFlagBitsEXT severity,
                                              VkDebugUtilsMessageTypeFlagsEXT types,
                                              const VkDebugUtilsMessengerCallbackDataEXT* data, void* /*user*/) {
    if (severity >= VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT) {
        bool validation = (types & VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT) != 0;
        reportValidationMessage(validation ? "Vulkan validation: " : "Vulkan: ",
                                data && data->pMessage ? data->pMessage : "(no message)");
    }
    return VK_FALSE;
}

bool hasExtension(const std::vector<VkExtensionProperties>& list, const char* name) {
    for (const VkExtensionProperties& e : list)
        if (std::strcmp(e.extensionName, name) == 0) return true;
    return false;
}

std::vector<VkExtensionProperties> deviceExtensions(VkPhysicalDevice device) {
    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> list(count);
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, list.data());
    return list;
}

int typeRank(VkPhysicalDeviceType type, bool preferCpu) {
    switch (type) {
        case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU: return 4;
        case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU: return 3;
        case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU: return 2;  // usually a real GPU behind a hypervisor
        case VK_PHYSICAL_DEVICE_TYPE_CPU: return preferCpu ? 5 : 1;
        default: return 0;
    }
}

std::string versionString(uint32_t v) {
    return std::to_string(VK_API_VERSION_MAJOR(v)) + "." + std::to_string(VK_API_VERSION_MINOR(v)) + "." +
           std::to_string(VK_API_VERSION_PATCH(v));
}

// What a physical device offers, as far as device selection cares.
struct Candidate {
    VkPhysicalDevice device = VK_NULL_HANDLE;
    VkPhysicalDeviceProperties properties{};
    uint32_t queueFamily = 0;
    std::string missing;  // features that lower the feature level
    std::string unusable; // why it cannot be used at all (empty if usable)
};

std::string missingLevelFeatures(VkPhysicalDevice device, uint32_t queueFamily) {
    VkPhysicalDeviceFeatures f{};
    vkGetPhysicalDeviceFeatures(device, &f);
    VkPhysicalDeviceProperties p{};
    vkGetPhysicalDeviceProperties(device, &p);
    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, families.data());

    std::string missing;
    auto need = [&](bool present, const char* name) {
        if (present) return;
        if (!missing.empty()) missing += ' ';
        missing += name;
    };
    need(f.fillModeNonSolid, "fillModeNonSolid");
    need(f.samplerAnisotropy, "samplerAnisotropy");
    need(f.depthClamp, "depthClamp");
    need(f.depthBiasClamp, "depthBiasClamp");
    need(f.independentBlend, "independentBlend");
    need(f.fragmentStoresAndAtomics, "fragmentStoresAndAtomics");
    need(f.shaderStorageImageWriteWithoutFormat, "shaderStorageImageWriteWithoutFormat");
    need(p.limits.timestampComputeAndGraphics && families[queueFamily].timestampValidBits > 0, "timestamps");
    return missing;
}

}  // namespace

const char* vkResultName(VkResult result) {
    switch (result) {
        case VK_SUCCESS: return "VK_SUCCESS";
        case VK_NOT_READY: return "VK_NOT_READY";
        case VK_TIMEOUT: return "VK_TIMEOUT";
        case VK_SUBOPTIMAL_KHR: return "VK_SUBOPTIMAL_KHR";
        case VK_ERROR_OUT_OF_HOST_MEMORY: return "VK_ERROR_OUT_OF_HOST_MEMORY";
        case VK_ERROR_OUT_OF_DEVICE_MEMORY: return "VK_ERROR_OUT_OF_DEVICE_MEMORY";
        case VK_ERROR_INITIALIZATION_FAILED: return "VK_ERROR_INITIALIZATION_FAILED";
        case VK_ERROR_DEVICE_LOST: return "VK_ERROR_DEVICE_LOST";
        case VK_ERROR_LAYER_NOT_PRESENT: return "VK_ERROR_LAYER_NOT_PRESENT";
        case VK_ERROR_EXTENSION_NOT_PRESENT: return "VK_ERROR_EXTENSION_NOT_PRESENT";
        case VK_ERROR_FEATURE_NOT_PRESENT: return "VK_ERROR_FEATURE_NOT_PRESENT";
        case VK_ERROR_INCOMPATIBLE_DRIVER: return "VK_ERROR_INCOMPATIBLE_DRIVER";
        case VK_ERROR_FORMAT_NOT_SUPPORTED: return "VK_ERROR_FORMAT_NOT_SUPPORTED";
        case VK_ERROR_SURFACE_LOST_KHR: return "VK_ERROR_SURFACE_LOST_KHR";
        case VK_ERROR_OUT_OF_DATE_KHR: return "VK_ERROR_OUT_OF_DATE_KHR";
        case VK_ERROR_NATIVE_WINDOW_IN_USE_KHR: return "VK_ERROR_NATIVE_WINDOW_IN_USE_KHR";
        default: return "VkResult error";
    }
}

HRESULT reportVk(VkResult result, const char* what) {
    debugOutput(std::string(what) + " failed: " + vkResultName(result));
    switch (result) {
        case VK_ERROR_OUT_OF_HOST_MEMORY:
        case VK_ERROR_OUT_OF_DEVICE_MEMORY: return E_OUTOFMEMORY;
        case VK_ERROR_DEVICE_LOST: return DXGI_ERROR_DEVICE_REMOVED;
        default: return E_FAIL;
    }
}

Core::Core() = default;

Core* Core::create(const CoreOptions& options, std::string& error, HRESULT& result) {
    Core* core = new Core();
    if (!core->initialize(options, error, result)) {
        core->release();
        return nullptr;
    }
    return core;
}

bool Core::initialize(const CoreOptions& options, std::string& error, HRESULT& result) {
    result = DXGI_ERROR_UNSUPPORTED;
    if (!createInstance(options, error)) return false;
    if (options.window && !SDL_Vulkan_CreateSurface(options.window, instance, &surface)) {
        error = std::string("the window's Vulkan surface could not be created: ") + SDL_GetError();
        return false;
    }
    if (!pickPhysicalDevice(options, error)) return false;
    if (!createDevice(error)) {
        result = E_FAIL;
        return false;
    }
    result = S_OK;
    return true;
}

bool Core::createInstance(const CoreOptions& options, std::string& error) {
    uint32_t loaderVersion = 0;
    if (vkEnumerateInstanceVersion(&loaderVersion) != VK_SUCCESS || loaderVersion < VK_API_VERSION_1_3) {
        error = "no Vulkan 1.3 loader is installed";
        return false;
    }

    uint32_t count = 0;
    vkEnumerateInstanceExtensionProperties(nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> available(count);
    vkEnumerateInstanceExtensionProperties(nullptr, &count, available.data());

    std::vector<const char*> extensions;
    features.debugUtils = hasExtension(available, VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    if (features.debugUtils) extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    if (options.window) {
        unsigned windowCount = 0;
        if (!SDL_Vulkan_GetInstanceExtensions(options.window, &windowCount, nullptr)) {
            error = std::string("the window has no Vulkan support: ") + SDL_GetError();
            return false;
        }
        std::vector<const char*> windowExtensions(windowCount);
        SDL_Vulkan_GetInstanceExtensions(options.window, &windowCount, windowExtensions.data());
        for (const char* e : windowExtensions) {
            if (std::find_if(extensions.begin(), extensions.end(),
                             [&](const char* x) { return std::strcmp(x, e) == 0; }) == extensions.end())
                extensions.push_back(e);
        }
    }

    std::vector<const char*> layers;
    if (options.validation) {
        uint32_t layerCount = 0;
        vkEnumerateInstanceLayerProperties(&layerCount, nullptr);
        std::vector<VkLayerProperties> layerList(layerCount);
        vkEnumerateInstanceLayerProperties(&layerCount, layerList.data());
        bool found = false;
        for (const VkLayerProperties& l : layerList)
            if (std::strcmp(l.layerName, "VK_LAYER_KHRONOS_validation") == 0) found = true;
        if (found && features.debugUtils) {
            layers.push_back("VK_LAYER_KHRONOS_validation");
            features.validation = true;
        } else {
            debugOutput("Validation requested, but VK_LAYER_KHRONOS_validation or VK_EXT_debug_utils is missing");
        }
    }

    auto app = vkStruct<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
    app.pApplicationName = "Tolmero";
    app.pEngineName = "Tolmero";
    app.apiVersion = VK_API_VERSION_1_3;

    auto messengerInfo = vkStruct<VkDebugUtilsMessengerCreateInfoEXT>(VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT);
    messengerInfo.messageSeverity =
        VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
    // Performance hints only when best practices are asked for: every image
    // lives in the GENERAL layout by design, which they flag on every copy.
    messengerInfo.messageType =
        VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT;
    if (options.bestPracticesValidation) messengerInfo.messageType |= VK_DEBUG_UTILS_MESSAGE_TYPE_PERFORMANCE_BIT_EXT;
    messengerInfo.pfnUserCallback = onDebugMessage;

    // The optional checks are slower, so each is asked for separately.
    std::vector<VkValidationFeatureEnableEXT> enables;
    if (options.synchronizationValidation) enables.push_back(VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT);
    if (options.bestPracticesValidation) enables.push_back(VK_VALIDATION_FEATURE_ENABLE_BEST_PRACTICES_EXT);
    if (options.gpuAssistedValidation) enables.push_back(VK_VALIDATION_FEATURE_ENABLE_GPU_ASSISTED_EXT);
    auto validationFeatures = vkStruct<VkValidationFeaturesEXT>(VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT);
    validationFeatures.enabledValidationFeatureCount = static_cast<uint32_t>(enables.size());
    validationFeatures.pEnabledValidationFeatures = enables.data();
    validationFeatures.pNext = &messengerInfo;
    bool synchronization = features.validation && !enables.empty();
    if (synchronization) extensions.push_back(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME);

    auto info = vkStruct<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
    info.pApplicationInfo = &app;
    info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    info.enabledLayerCount = static_cast<uint32_t>(layers.size());
    info.ppEnabledLayerNames = layers.data();
    if (features.validation)
        info.pNext = synchronization ? static_cast<const void*>(&validationFeatures) : &messengerInfo;

    VkResult r = vkCreateInstance(&info, nullptr, &instance);
    if (r != VK_SUCCESS) {
        error = std::string("the Vulkan instance could not be created: ") + vkResultName(r);
        instance = VK_NULL_HANDLE;
        return false;
    }
    if (features.validation) {
        auto createMessenger = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance, "vkCreateDebugUtilsMessengerEXT"));
        if (createMessenger) createMessenger(instance, &messengerInfo, nullptr, &messenger_);
    }
    setValidationActive(features.validation);
    if (features.debugUtils) {
        setDebugUtilsObjectName = reinterpret_cast<PFN_vkSetDebugUtilsObjectNameEXT>(
            vkGetInstanceProcAddr(instance, "vkSetDebugUtilsObjectNameEXT"));
    }
    return true;
}

bool Core::pickPhysicalDevice(const CoreOptions& options, std::string& error) {
    uint32_t count = 0;
    vkEnumeratePhysicalDevices(instance, &count, nullptr);
    std::vector<VkPhysicalDevice> devices(count);
    vkEnumeratePhysicalDevices(instance, &count, devices.data());

    std::vector<Candidate> candidates;
    for (VkPhysicalDevice device : devices) {
        Candidate c;
        c.device = device;
        vkGetPhysicalDeviceProperties(device, &c.properties);
        std::vector<VkExtensionProperties> extensions = deviceExtensions(device);

        auto f13 = vkStruct<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
        auto f2 = vkStruct<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
        if (c.properties.apiVersion >= VK_API_VERSION_1_3) {
            f2.pNext = &f13;
            vkGetPhysicalDeviceFeatures2(device, &f2);
        }

        uint32_t familyCount = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, nullptr);
        std::vector<VkQueueFamilyProperties> families(familyCount);
        vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, families.data());
        bool foundFamily = false;
        for (uint32_t i = 0; i < familyCount && !foundFamily; ++i) {
            VkQueueFlags need = VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT;
            if ((families[i].queueFlags & need) != need) continue;
            if (surface) {
                VkBool32 present = VK_FALSE;
                vkGetPhysicalDeviceSurfaceSupportKHR(device, i, surface, &present);
                if (!present) continue;
            }
            c.queueFamily = i;
            foundFamily = true;
        }

        if (c.properties.apiVersion < VK_API_VERSION_1_3)
            c.unusable = "Vulkan " + versionString(c.properties.apiVersion) + " only";
        else if (!f13.dynamicRendering || !f13.synchronization2)
            c.unusable = "no dynamicRendering or synchronization2";
        else if (!hasExtension(extensions, VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME))
            c.unusable = "no VK_KHR_push_descriptor";
        else if (surface && !hasExtension(extensions, VK_KHR_SWAPCHAIN_EXTENSION_NAME))
            c.unusable = "no VK_KHR_swapchain";
        else if (!foundFamily)
            c.unusable = surface ? "no graphics queue that can present to the window" : "no graphics queue";
        else
            c.missing = missingLevelFeatures(device, c.queueFamily);
        candidates.push_back(std::move(c));
    }

    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        if (!c.unusable.empty()) continue;
        if (!best) {
            best = &c;
            continue;
        }
        int rank = typeRank(c.properties.deviceType, options.preferCpu);
        int bestRank = typeRank(best->properties.deviceType, options.preferCpu);
        if (rank > bestRank || (rank == bestRank && c.missing.empty() && !best->missing.empty())) best = &c;
    }
    if (!best) {
        error = "no usable Vulkan device: Vulkan 1.3 with dynamic rendering, synchronization2 and "
                "VK_KHR_push_descriptor is needed";
        for (const Candidate& c : candidates) error += std::string("; ") + c.properties.deviceName + ": " + c.unusable;
        if (candidates.empty()) error += " (no Vulkan devices were found)";
        return false;
    }
    physical = best->device;
    properties = best->properties;
    queueFamily = best->queueFamily;
    missingFeatures = best->missing;
    featureLevel = missingFeatures.empty() ? D3D_FEATURE_LEVEL_11_0 : D3D_FEATURE_LEVEL_10_0;
    adapterName = properties.deviceName;
    vkGetPhysicalDeviceMemoryProperties(physical, &memoryProperties);
    return true;
}

bool Core::createDevice(std::string& error) {
    VkPhysicalDeviceFeatures available{};
    vkGetPhysicalDeviceFeatures(physical, &available);
    auto available12 = vkStruct<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
    auto available2 = vkStruct<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
    available2.pNext = &available12;
    vkGetPhysicalDeviceFeatures2(physical, &available2);

    VkPhysicalDeviceFeatures enable{};
    enable.fillModeNonSolid = available.fillModeNonSolid;
    enable.samplerAnisotropy = available.samplerAnisotropy;
    enable.depthClamp = available.depthClamp;
    enable.depthBiasClamp = available.depthBiasClamp;
    enable.independentBlend = available.independentBlend;
    enable.fragmentStoresAndAtomics = available.fragmentStoresAndAtomics;
    enable.vertexPipelineStoresAndAtomics = available.vertexPipelineStoresAndAtomics;
    enable.shaderStorageImageWriteWithoutFormat = available.shaderStorageImageWriteWithoutFormat;
    enable.shaderStorageImageReadWithoutFormat = available.shaderStorageImageReadWithoutFormat;
    enable.imageCubeArray = available.imageCubeArray;

    features.fillModeNonSolid = enable.fillModeNonSolid;
    features.samplerAnisotropy = enable.samplerAnisotropy;
    features.depthClamp = enable.depthClamp;
    features.depthBiasClamp = enable.depthBiasClamp;
    features.independentBlend = enable.independentBlend;
    features.fragmentStores = enable.fragmentStoresAndAtomics;
    features.vertexStores = enable.vertexPipelineStoresAndAtomics;
    features.storageWriteWithoutFormat = enable.shaderStorageImageWriteWithoutFormat;
    features.storageReadWithoutFormat = enable.shaderStorageImageReadWithoutFormat;
    features.mirrorClampToEdge = available12.samplerMirrorClampToEdge;
    features.maxAnisotropy = properties.limits.maxSamplerAnisotropy;
    features.maxLodBias = properties.limits.maxSamplerLodBias;
    features.timestampPeriod = properties.limits.timestampPeriod > 0 ? properties.limits.timestampPeriod : 1.0f;

    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, families.data());
    features.timestampValidBits = families[queueFamily].timestampValidBits;
    features.timestamps = properties.limits.timestampComputeAndGraphics && features.timestampValidBits > 0;

    auto enable13 = vkStruct<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
    enable13.dynamicRendering = VK_TRUE;
    enable13.synchronization2 = VK_TRUE;
    auto enable12 = vkStruct<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
    enable12.samplerMirrorClampToEdge = available12.samplerMirrorClampToEdge;
    enable12.pNext = &enable13;
    auto enable2 = vkStruct<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
    enable2.features = enable;
    enable2.pNext = &enable12;

    std::vector<const char*> extensions = {VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};
    if (surface) extensions.push_back(VK_KHR_SWAPCHAIN_EXTENSION_NAME);

    float priority = 1.0f;
    auto queueInfo = vkStruct<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
    queueInfo.queueFamilyIndex = queueFamily;
    queueInfo.queueCount = 1;
    queueInfo.pQueuePriorities = &priority;

    auto info = vkStruct<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO);
    info.pNext = &enable2;
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queueInfo;
    info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    VkResult r = vkCreateDevice(physical, &info, nullptr, &device);
    if (r != VK_SUCCESS) {
        device = VK_NULL_HANDLE;
        error = std::string("the Vulkan device could not be created: ") + vkResultName(r);
        return false;
    }
    vkGetDeviceQueue(device, queueFamily, 0, &queue);
    cmdPushDescriptorSet =
        reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(vkGetDeviceProcAddr(device, "vkCmdPushDescriptorSetKHR"));
    if (!cmdPushDescriptorSet) {
        error = "vkCmdPushDescriptorSetKHR is missing";
        return false;
    }

    auto cacheInfo = vkStruct<VkPipelineCacheCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_CACHE_CREATE_INFO);
    vkCreatePipelineCache(device, &cacheInfo, nullptr, &vkPipelineCache_);
    pipelines_ = std::make_unique<PipelineCache>(*this);
    bufferHeap_ = std::make_unique<BufferHeap>(*this);
    if (!openBatch()) {
        error = "the first command buffer could not be opened";
        return false;
    }
    debugOutput("GPU: " + adapterName + " (Vulkan " + versionString(properties.apiVersion) + ")" +
                (features.validation ? ", validation on" : ""));
    return true;
}

void Core::release() {
    if (--refs_ == 0) delete this;
}

Core::~Core() {
    if (device) {
        vkDeviceWaitIdle(device);
        while (!inFlight_.empty()) {
            finishBatch(inFlight_.front());
            inFlight_.pop_front();
        }
        if (recording_.commands) {
            vkEndCommandBuffer(recording_.commands);
            finishBatch(recording_);
        }
        pipelines_.reset();
        bufferHeap_.reset();
        for (auto& [key, sampler] : samplers_) vkDestroySampler(device, sampler, nullptr);
        for (VkQueryPool pool : queryPools_) vkDestroyQueryPool(device, pool, nullptr);
        for (Batch& b : spare_) vkDestroyFence(device, b.fence, nullptr);
        if (vkPipelineCache_) vkDestroyPipelineCache(device, vkPipelineCache_, nullptr);
        for (Batch& b : spare_) vkDestroyCommandPool(device, b.pool, nullptr);
        vkDestroyDevice(device, nullptr);
    }
    if (surface) vkDestroySurfaceKHR(instance, surface, nullptr);
    if (messenger_) {
        auto destroyMessenger = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance, "vkDestroyDebugUtilsMessengerEXT"));
        if (destroyMessenger) destroyMessenger(instance, messenger_, nullptr);
    }
    if (instance) vkDestroyInstance(instance, nullptr);
}

// --------------------------------------------------------------------------
// Batches

bool Core::openBatch() {
    Batch batch;
    if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
    } else {
        // A pool of its own per batch, reset whole when the batch has finished.
        auto poolInfo = vkStruct<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
        poolInfo.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
        poolInfo.queueFamilyIndex = queueFamily;
        if (vkCreateCommandPool(device, &poolInfo, nullptr, &batch.pool) != VK_SUCCESS) return false;
        auto alloc = vkStruct<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
        alloc.commandPool = batch.pool;
        alloc.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        alloc.commandBufferCount = 1;
        if (vkAllocateCommandBuffers(device, &alloc, &batch.commands) != VK_SUCCESS) return false;
        auto fenceInfo = vkStruct<VkFenceCreateInfo>(VK_STRUCTURE_TYPE_FENCE_CREATE_INFO);
        if (vkCreateFence(device, &fenceInfo, nullptr, &batch.fence) != VK_SUCCESS) return false;
    }
    batch.serial = ++lastSerial_;
    auto begin = vkStruct<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(batch.commands, &begin);
    recording_ = std::move(batch);
    operationsInBatch_ = 0;
    return true;
}

void Core::finishBatch(Batch& batch) {
    for (const Garbage& g : batch.garbage) destroy(g);
    batch.garbage.clear();
    for (const HeapRange& range : batch.heapGarbage) bufferHeap_->free(range);
    batch.heapGarbage.clear();
    vkResetFences(device, 1, &batch.fence);
    vkResetCommandPool(device, batch.pool, 0);
    spare_.push_back(std::move(batch));
}

void Core::countOperation() {
    if (++operationsInBatch_ >= kOperationsPerBatch) submit();
}

bool Core::submit(const SubmitSync* sync) {
    vkEndCommandBuffer(recording_.commands);

    auto commandInfo = vkStruct<VkCommandBufferSubmitInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_SUBMIT_INFO);
    commandInfo.commandBuffer = recording_.commands;
    auto waitInfo = vkStruct<VkSemaphoreSubmitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO);
    auto signalInfo = vkStruct<VkSemaphoreSubmitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO);
    auto info = vkStruct<VkSubmitInfo2>(VK_STRUCTURE_TYPE_SUBMIT_INFO_2);
    info.commandBufferInfoCount = 1;
    info.pCommandBufferInfos = &commandInfo;
    if (sync && sync->wait) {
        waitInfo.semaphore = sync->wait;
        waitInfo.stageMask = sync->waitStages;
        info.waitSemaphoreInfoCount = 1;
        info.pWaitSemaphoreInfos = &waitInfo;
    }
    if (sync && sync->signal) {
        signalInfo.semaphore = sync->signal;
        signalInfo.stageMask = kEveryStageUsed;
        info.signalSemaphoreInfoCount = 1;
        info.pSignalSemaphoreInfos = &signalInfo;
    }
    VkResult r = deviceLost ? VK_ERROR_DEVICE_LOST : vkQueueSubmit2(queue, 1, &info, recording_.fence);
    if (r != VK_SUCCESS) {
        if (!deviceLost) reportVk(r, "vkQueueSubmit2");
        deviceLost = true;
        // Nothing will signal the fence: finish the batch here.
        vkDeviceWaitIdle(device);
        completed_ = recording_.serial;
        finishBatch(recording_);
    } else {
        inFlight_.push_back(std::move(recording_));
    }
    recording_ = Batch{};
    bool opened = openBatch();
    while (inFlight_.size() > kMaxBatchesInFlight) waitFor(inFlight_.front().serial);
    return r == VK_SUCCESS && opened;
}

bool Core::isComplete(uint64_t serial) {
    if (serial <= completed_) return true;
    if (serial >= recording_.serial) return false;
    while (!inFlight_.empty()) {
        VkResult r = vkGetFenceStatus(device, inFlight_.front().fence);
        if (r == VK_NOT_READY) break;
        if (r != VK_SUCCESS) deviceLost = true;
        completed_ = inFlight_.front().serial;
        finishBatch(inFlight_.front());
        inFlight_.pop_front();
    }
    return serial <= completed_;
}

bool Core::waitFor(uint64_t serial, uint64_t timeoutNs) {
    if (serial >= recording_.serial) submit();
    while (completed_ < serial && !inFlight_.empty()) {
        VkResult r = vkWaitForFences(device, 1, &inFlight_.front().fence, VK_TRUE, timeoutNs);
        if (r == VK_TIMEOUT) return false;
        if (r != VK_SUCCESS) deviceLost = true;
        completed_ = inFlight_.front().serial;
        finishBatch(inFlight_.front());
        inFlight_.pop_front();
    }
    return completed_ >= serial;
}

void Core::waitIdle() { waitFor(recording_.serial); }

void Core::fullBarrier() {
    auto barrier = vkStruct<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
    barrier.srcStageMask = kEveryStageUsed;
    barrier.srcAccessMask = VK_ACCESS_2_MEMORY_WRITE_BIT;
    barrier.dstStageMask = kEveryStageUsed | VK_PIPELINE_STAGE_2_HOST_BIT;
    barrier.dstAccessMask = VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT | VK_ACCESS_2_HOST_READ_BIT;
    auto dependency = vkStruct<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.memoryBarrierCount = 1;
    dependency.pMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(recording_.commands, &dependency);
}

void Core::initImageLayout(VkImage image, VkImageAspectFlags aspects, uint32_t mipLevels, uint32_t layers) {
    auto barrier = vkStruct<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = VK_PIPELINE_STAGE_2_NONE;
    barrier.srcAccessMask = VK_ACCESS_2_NONE;
    barrier.dstStageMask = kEveryStageUsed;
    barrier.dstAccessMask = VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    barrier.newLayout = VK_IMAGE_LAYOUT_GENERAL;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {aspects, 0, mipLevels, 0, layers};
    auto dependency = vkStruct<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.imageMemoryBarrierCount = 1;
    dependency.pImageMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(recording_.commands, &dependency);
}

// --------------------------------------------------------------------------
// Destruction

void Core::retire(VkObjectType type, uint64_t handle) {
    if (handle) recording_.garbage.push_back({type, handle});
}

void Core::retireHeapRange(const HeapRange& range) {
    if (range) recording_.heapGarbage.push_back(range);
}

void Core::destroy(const Garbage& g) {
    switch (g.type) {
        case VK_OBJECT_TYPE_BUFFER: vkDestroyBuffer(device, reinterpret_cast<VkBuffer>(g.handle), nullptr); break;
        case VK_OBJECT_TYPE_IMAGE: vkDestroyImage(device, reinterpret_cast<VkImage>(g.handle), nullptr); break;
        case VK_OBJECT_TYPE_IMAGE_VIEW:
            vkDestroyImageView(device, reinterpret_cast<VkImageView>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_BUFFER_VIEW:
            vkDestroyBufferView(device, reinterpret_cast<VkBufferView>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_DEVICE_MEMORY:
            vkFreeMemory(device, reinterpret_cast<VkDeviceMemory>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_SHADER_MODULE:
            vkDestroyShaderModule(device, reinterpret_cast<VkShaderModule>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_PIPELINE:
            vkDestroyPipeline(device, reinterpret_cast<VkPipeline>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_PIPELINE_LAYOUT:
            vkDestroyPipelineLayout(device, reinterpret_cast<VkPipelineLayout>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_DESCRIPTOR_SET_LAYOUT:
            vkDestroyDescriptorSetLayout(device, reinterpret_cast<VkDescriptorSetLayout>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_SEMAPHORE:
            vkDestroySemaphore(device, reinterpret_cast<VkSemaphore>(g.handle), nullptr);
            break;
        case VK_OBJECT_TYPE_SWAPCHAIN_KHR:
            vkDestroySwapchainKHR(device, reinterpret_cast<VkSwapchainKHR>(g.handle), nullptr);
            break;
        default: break;
    }
}

// --------------------------------------------------------------------------
// Memory

VkResult Core::allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags required,
                        VkMemoryPropertyFlags preferred, VkDeviceMemory* memory, VkMemoryPropertyFlags* actual) {
    int chosen = -1;
    for (uint32_t i = 0; i < memoryProperties.memoryTypeCount; ++i) {
        if (!(requirements.memoryTypeBits & (1u << i))) continue;
        VkMemoryPropertyFlags flags = memoryProperties.memoryTypes[i].propertyFlags;
        if ((flags & required) != required) continue;
        if (chosen < 0) chosen = static_cast<int>(i);
        if ((flags & preferred) == preferred) {
            chosen = static_cast<int>(i);
            break;
        }
    }
    if (chosen < 0) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
    auto info = vkStruct<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    info.allocationSize = requirements.size;
    info.memoryTypeIndex = static_cast<uint32_t>(chosen);
    if (actual) *actual = memoryProperties.memoryTypes[chosen].propertyFlags;
    countCreation(Creation::MemoryAllocation);
    return vkAllocateMemory(device, &info, nullptr, memory);
}

VkResult Core::createStaging(VkDeviceSize size, bool readback, StagingBuffer& out) {
    auto info = vkStruct<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    info.size = std::max<VkDeviceSize>(size, 4);
    info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    countCreation(Creation::Buffer);
    VkResult r = vkCreateBuffer(device, &info, nullptr, &out.buffer);
    if (r != VK_SUCCESS) return r;
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(device, out.buffer, &req);
    VkMemoryPropertyFlags required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    VkMemoryPropertyFlags preferred = readback ? required | VK_MEMORY_PROPERTY_HOST_CACHED_BIT : required;
    if ((r = allocate(req, required, preferred, &out.memory, nullptr)) != VK_SUCCESS ||
        (r = vkBindBufferMemory(device, out.buffer, out.memory, 0)) != VK_SUCCESS ||
        (r = vkMapMemory(device, out.memory, 0, VK_WHOLE_SIZE, 0, &out.mapped)) != VK_SUCCESS) {
        destroyStaging(out);
        return r;
    }
    return VK_SUCCESS;
}

void Core::destroyStaging(StagingBuffer& staging) {
    if (staging.buffer) vkDestroyBuffer(device, staging.buffer, nullptr);
    if (staging.memory) vkFreeMemory(device, staging.memory, nullptr);
    staging = StagingBuffer{};
}

void Core::retireStaging(StagingBuffer& staging) {
    retire(staging.buffer);
    retire(staging.memory);
    staging = StagingBuffer{};
}

void Core::name(VkObjectType type, uint64_t handle, const char* text) {
    if (!setDebugUtilsObjectName || !handle || !text) return;
    auto info = vkStruct<VkDebugUtilsObjectNameInfoEXT>(VK_STRUCTURE_TYPE_DEBUG_UTILS_OBJECT_NAME_INFO_EXT);
    info.objectType = type;
    info.objectHandle = handle;
    info.pObjectName = text;
    setDebugUtilsObjectName(device, &info);
}

// --------------------------------------------------------------------------
// Caches

uint32_t Core::internState(char kind, const void* bytes, size_t size) {
    std::string key(1, kind);
    key.append(static_cast<const char*>(bytes), size);
    auto [it, inserted] = states_.emplace(std::move(key), static_cast<uint32_t>(states_.size() + 1));
    return it->second;
}

VkSampler Core::sampler(const D3D11_SAMPLER_DESC& desc) {
    std::string key(reinterpret_cast<const char*>(&desc), sizeof(desc));
    auto it = samplers_.find(key);
    if (it != samplers_.end()) return it->second;

    auto filterOf = [](bool linear) { return linear ? VK_FILTER_LINEAR : VK_FILTER_NEAREST; };
    auto addressOf = [this](D3D11_TEXTURE_ADDRESS_MODE mode) {
        switch (mode) {
            case D3D11_TEXTURE_ADDRESS_MIRROR: return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
            case D3D11_TEXTURE_ADDRESS_CLAMP: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
            case D3D11_TEXTURE_ADDRESS_BORDER: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER;
            case D3D11_TEXTURE_ADDRESS_MIRROR_ONCE:
                return features.mirrorClampToEdge ? VK_SAMPLER_ADDRESS_MODE_MIRROR_CLAMP_TO_EDGE
                                                  : VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
            default: return VK_SAMPLER_ADDRESS_MODE_REPEAT;
        }
    };
    UINT filter = desc.Filter;
    bool anisotropic = (filter & 0x40) != 0;
    auto info = vkStruct<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
    info.magFilter = filterOf(anisotropic || (filter & 0x4));
    info.minFilter = filterOf(anisotropic || (filter & 0x10));
    info.mipmapMode = (anisotropic || (filter & 0x1)) ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST;
    info.addressModeU = addressOf(desc.AddressU);
    info.addressModeV = addressOf(desc.AddressV);
    info.addressModeW = addressOf(desc.AddressW);
    info.mipLodBias = std::clamp(desc.MipLODBias, -features.maxLodBias, features.maxLodBias);
    info.anisotropyEnable = anisotropic && features.samplerAnisotropy && desc.MaxAnisotropy > 1;
    info.maxAnisotropy = std::clamp(static_cast<float>(desc.MaxAnisotropy), 1.0f, features.maxAnisotropy);
    info.compareEnable = (filter & 0x80) != 0;
    info.compareOp = static_cast<VkCompareOp>(std::clamp<UINT>(desc.ComparisonFunc, 1, 8) - 1);
    info.minLod = desc.MinLOD;
    info.maxLod = desc.MaxLOD >= 1000.0f ? VK_LOD_CLAMP_NONE : desc.MaxLOD;
    // Vulkan has three fixed border colours; take the nearest.
    const FLOAT* b = desc.BorderColor;
    if (b[3] < 0.5f)
        info.borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    else if (b[0] + b[1] + b[2] > 1.5f)
        info.borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE;
    else
        info.borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK;
    VkSampler sampler = VK_NULL_HANDLE;
    VkResult r = vkCreateSampler(device, &info, nullptr, &sampler);
    if (r != VK_SUCCESS) {
        reportVk(r, "vkCreateSampler");
        return VK_NULL_HANDLE;
    }
    samplers_.emplace(std::move(key), sampler);
    return sampler;
}

QuerySlot Core::allocateQuery() {
    if (freeQueries_.empty()) {
        auto info = vkStruct<VkQueryPoolCreateInfo>(VK_STRUCTURE_TYPE_QUERY_POOL_CREATE_INFO);
        info.queryType = VK_QUERY_TYPE_TIMESTAMP;
        info.queryCount = kQueriesPerPool;
        VkQueryPool pool = VK_NULL_HANDLE;
        VkResult r = vkCreateQueryPool(device, &info, nullptr, &pool);
        if (r != VK_SUCCESS) {
            reportVk(r, "vkCreateQueryPool");
            return {};
        }
        queryPools_.push_back(pool);
        for (uint32_t i = kQueriesPerPool; i-- > 0;) freeQueries_.push_back({pool, i});
    }
    QuerySlot slot = freeQueries_.back();
    freeQueries_.pop_back();
    return slot;
}

void Core::freeQuery(const QuerySlot& slot) {
    // A query slot may still be written by a batch in flight; it is reset before
    // each reuse by the End that records into it, which is ordered after.
    if (slot.pool) freeQueries_.push_back(slot);
}

}  // namespace tolmero::gpu::detail
