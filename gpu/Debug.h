// The debug channel and validation-message bookkeeping.
#pragma once

#include <string>
#include <string_view>

namespace tolmero::gpu::detail {

// Counts one warning or error of the validation layers or the loader and
// writes it to the debug channel after the prefix.
void reportValidationMessage(std::string_view prefix, std::string_view message);
void setLastCreationError(const std::string& message);
void setValidationActive(bool active);

// Counters of vulkanCreationCounts(), bumped where the calls are made.
enum class Creation { MemoryAllocation, Buffer, ImageView, BufferView, Pipeline };
void countCreation(Creation what);

}  // namespace tolmero::gpu::detail
