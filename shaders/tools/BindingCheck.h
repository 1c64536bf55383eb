#pragma once

// Checks the descriptor bindings of a compiled program against the register
// scheme of the GPU layer: binding = class base + register, with b at 0,
// s at 16, t at 32 and u at 64. glslc places a resource declared without
// register(...) at binding 0 whatever its class, which reflection would read
// back as the wrong kind of resource.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolmero::spirv {

// One message per problem: a binding shared by several resources, or a
// resource whose binding lies outside its class's range. Empty when the
// bindings are sound.
std::vector<std::string> bindingProblems(std::span<const std::uint32_t> module);

}  // namespace tolmero::spirv
