#include "gpu/Debug.h"

#include <cstdio>
#include <string>

#include "gpu/D3D11.h"

namespace tolmero::gpu {

namespace {
std::function<void(std::string_view)>& sink() {
    static std::function<void(std::string_view)> s;
    return s;
}
UINT validationMessages = 0;
bool validationIsActive = false;
VulkanCreationCounts creations;
std::string& creationError() {
    static std::string s;
    return s;
}
}  // namespace

void debugOutput(std::string_view line) {
    // One line per message: embedded line breaks become spaces.
    std::string text(line);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    if (sink()) {
        sink()(text);
        return;
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void setDebugOutput(std::function<void(std::string_view)> newSink) { sink() = std::move(newSink); }

UINT validationMessageCount() { return validationMessages; }

bool validationActive() { return validationIsActive; }

const char* lastCreationError() { return creationError().c_str(); }

VulkanCreationCounts vulkanCreationCounts() { return creations; }

namespace detail {

void reportValidationMessage(std::string_view prefix, std::string_view message) {
    ++validationMessages;
    debugOutput(std::string(prefix) + std::string(message));
}

void setLastCreationError(const std::string& message) { creationError() = message; }

void setValidationActive(bool active) { validationIsActive = active; }

void countCreation(Creation what) {
    switch (what) {
        case Creation::MemoryAllocation: ++creations.memoryAllocations; break;
        case Creation::Buffer: ++creations.buffers; break;
        case Creation::ImageView: ++creations.imageViews; break;
        case Creation::BufferView: ++creations.bufferViews; break;
        case Creation::Pipeline: ++creations.pipelines; break;
    }
}

}  // namespace detail

}  // namespace tolmero::gpu
