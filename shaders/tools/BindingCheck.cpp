#include "shaders/tools/BindingCheck.h"

#include "shaders/tools/SpirvModule.h"

#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>

namespace tolmero::spirv {

namespace {

struct RegisterClass {
    char letter;
    std::uint32_t firstBinding;
    std::uint32_t lastBinding;
};

constexpr RegisterClass kConstantBuffers{'b', 0, 15};
constexpr RegisterClass kSamplers{'s', 16, 31};
constexpr RegisterClass kShaderResources{'t', 32, 63};
constexpr RegisterClass kUnorderedAccess{'u', 64, std::numeric_limits<std::uint32_t>::max()};

class Bindings {
public:
    explicit Bindings(const Module& module) {
        for (const Instruction& instruction : module.instructions) {
            if (instruction.resultId != 0) {
                definitions_[instruction.resultId] = &instruction;
            }
            const std::uint32_t opcode = instruction.opcode();
            if (opcode == op::Name) {
                names_[instruction.words[1]] = literalString(instruction, 2);
            } else if (opcode == op::Decorate && instruction.words.size() >= 3) {
                const std::uint32_t target = instruction.words[1];
                const std::uint32_t decoration = instruction.words[2];
                decorations_[target].insert(decoration);
                if (decoration == kDecorationDescriptorSet && instruction.words.size() >= 4) {
                    set_[target] = instruction.words[3];
                } else if (decoration == kDecorationBinding && instruction.words.size() >= 4) {
                    binding_[target] = instruction.words[3];
                }
            } else if (opcode == op::MemberDecorate && instruction.words.size() >= 4 &&
                       instruction.words[3] == kDecorationNonWritable) {
                nonWritableMembers_[instruction.words[1]].insert(instruction.words[2]);
            }
        }
    }

    std::vector<std::string> problems() const {
        std::vector<std::string> messages;
        std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::uint32_t>> users;
        for (const auto& [id, binding] : binding_) {
            const auto set = set_.find(id);
            users[{set == set_.end() ? 0 : set->second, binding}].push_back(id);
            const std::optional<RegisterClass> kind = registerClassOf(id);
            if (kind && (binding < kind->firstBinding || binding > kind->lastBinding)) {
                std::ostringstream message;
                message << "'" << nameOf(id) << "' is a " << kind->letter
                        << " resource but has binding " << binding << ", outside the "
                        << kind->letter << " range starting at " << kind->firstBinding;
                messages.push_back(message.str());
            }
        }
        for (const auto& [slot, ids] : users) {
            if (ids.size() < 2) {
                continue;
            }
            std::string message = "descriptor set " + std::to_string(slot.first) + " binding " +
                                  std::to_string(slot.second) + " is shared by";
            for (std::size_t i = 0; i < ids.size(); ++i) {
                message += i == 0 ? " '" : ", '";
                message += nameOf(ids[i]);
                message += "'";
            }
            messages.push_back(message);
        }
        return messages;
    }

private:
    const Instruction* definition(std::uint32_t id) const {
        const auto it = definitions_.find(id);
        return it == definitions_.end() ? nullptr : it->second;
    }

    bool decorated(std::uint32_t id, std::uint32_t decoration) const {
        const auto it = decorations_.find(id);
        return it != decorations_.end() && it->second.contains(decoration);
    }

    // A buffer block whose members are all read-only is a shader resource (t);
    // a writable one is an unordered access view (u).
    bool readOnlyBlock(std::uint32_t variable, const Instruction& block) const {
        if (decorated(variable, kDecorationNonWritable)) {
            return true;
        }
        const auto it = nonWritableMembers_.find(block.resultId);
        const std::size_t members = block.words.size() - 2;
        return it != nonWritableMembers_.end() && it->second.size() == members;
    }

    std::optional<RegisterClass> registerClassOf(std::uint32_t variable) const {
        const Instruction* instruction = definition(variable);
        if (instruction == nullptr || instruction->opcode() != op::Variable) {
            return std::nullopt;
        }
        const Instruction* pointer = definition(instruction->words[kResultTypeWord]);
        if (pointer == nullptr || pointer->opcode() != op::TypePointer) {
            return std::nullopt;
        }
        const Instruction* pointee = definition(pointer->words[kPointeeWord]);
        while (pointee != nullptr &&
               (pointee->opcode() == op::TypeArray || pointee->opcode() == op::TypeRuntimeArray)) {
            pointee = definition(pointee->words[kElementWord]);
        }
        if (pointee == nullptr) {
            return std::nullopt;
        }
        switch (instruction->words[kVariableStorageWord]) {
            case kStorageClassUniformConstant:
                if (pointee->opcode() == op::TypeSampler) {
                    return kSamplers;
                }
                if (pointee->opcode() == op::TypeImage) {
                    return pointee->words[kImageSampledWord] == kSampledStorageImage ? kUnorderedAccess
                                                                                     : kShaderResources;
                }
                if (pointee->opcode() == op::TypeSampledImage) {
                    return kShaderResources;
                }
                return std::nullopt;
            case kStorageClassUniform:
                if (decorated(pointee->resultId, kDecorationBlock)) {
                    return kConstantBuffers;
                }
                if (decorated(pointee->resultId, kDecorationBufferBlock)) {
                    return readOnlyBlock(variable, *pointee) ? kShaderResources : kUnorderedAccess;
                }
                return std::nullopt;
            case kStorageClassStorageBuffer:
                return readOnlyBlock(variable, *pointee) ? kShaderResources : kUnorderedAccess;
            default:
                return std::nullopt;
        }
    }

    // Constant buffers come out as unnamed variables of a named block type.
    std::string nameOf(std::uint32_t id) const {
        if (const auto it = names_.find(id); it != names_.end() && !it->second.empty()) {
            return it->second;
        }
        const Instruction* variable = definition(id);
        const Instruction* pointer = variable ? definition(variable->words[kResultTypeWord]) : nullptr;
        if (pointer != nullptr && pointer->opcode() == op::TypePointer) {
            const auto block = names_.find(pointer->words[kPointeeWord]);
            if (block != names_.end() && !block->second.empty()) {
                return block->second;
            }
        }
        std::string unnamed = "%";
        unnamed += std::to_string(id);
        return unnamed;
    }

    std::unordered_map<std::uint32_t, const Instruction*> definitions_;
    std::unordered_map<std::uint32_t, std::string> names_;
    std::unordered_map<std::uint32_t, std::set<std::uint32_t>> decorations_;
    std::unordered_map<std::uint32_t, std::set<std::uint32_t>> nonWritableMembers_;
    std::map<std::uint32_t, std::uint32_t> set_;
    std::map<std::uint32_t, std::uint32_t> binding_;
};

}  // namespace

std::vector<std::string> bindingProblems(std::span<const std::uint32_t> words) {
    const Module module = parseModule(words);
    return Bindings(module).problems();
}

}  // namespace tolmero::spirv
