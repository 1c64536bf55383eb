#include "shaders/tools/SpirvModule.h"

#include <memory>
#include <stdexcept>

namespace tolmero::spirv {

Instruction makeInstruction(std::uint32_t opcode, std::vector<std::uint32_t> operandWords,
                            std::uint32_t resultId) {
    Instruction instruction;
    instruction.words.push_back((static_cast<std::uint32_t>(operandWords.size() + 1) << 16) | opcode);
    instruction.words.insert(instruction.words.end(), operandWords.begin(), operandWords.end());
    instruction.resultId = resultId;
    return instruction;
}

Module parseModule(std::span<const std::uint32_t> words) {
    if (words.size() < 5) {
        throw std::runtime_error("not a SPIR-V module: only " + std::to_string(words.size()) + " words");
    }
    Module module;
    module.header.assign(words.begin(), words.begin() + 5);

    std::unique_ptr<spv_context_t, void (*)(spv_context)> context(
        spvContextCreate(SPV_ENV_UNIVERSAL_1_6), spvContextDestroy);
    auto onInstruction = [](void* user, const spv_parsed_instruction_t* parsed) -> spv_result_t {
        Instruction instruction;
        instruction.words.assign(parsed->words, parsed->words + parsed->num_words);
        instruction.operands.assign(parsed->operands, parsed->operands + parsed->num_operands);
        instruction.resultId = parsed->result_id;
        instruction.typeId = parsed->type_id;
        static_cast<Module*>(user)->instructions.push_back(std::move(instruction));
        return SPV_SUCCESS;
    };
    spv_diagnostic diagnostic = nullptr;
    const spv_result_t result = spvBinaryParse(context.get(), &module, words.data(), words.size(),
                                               nullptr, onInstruction, &diagnostic);
    const std::string message = diagnostic != nullptr ? diagnostic->error : "";
    spvDiagnosticDestroy(diagnostic);
    if (result != SPV_SUCCESS) {
        throw std::runtime_error("cannot parse SPIR-V: " + message);
    }
    return module;
}

std::vector<std::uint32_t> serialize(const Module& module) {
    std::vector<std::uint32_t> words = module.header;
    for (const Instruction& instruction : module.instructions) {
        words.insert(words.end(), instruction.words.begin(), instruction.words.end());
    }
    return words;
}

std::string literalString(const Instruction& instruction, std::size_t firstWord) {
    std::string text;
    for (std::size_t w = firstWord; w < instruction.words.size(); ++w) {
        for (int b = 0; b < 4; ++b) {
            const char c = static_cast<char>((instruction.words[w] >> (8 * b)) & 0xFFu);
            if (c == '\0') {
                return text;
            }
            text += c;
        }
    }
    return text;
}

bool isIdReference(spv_operand_type_t type) {
    return type == SPV_OPERAND_TYPE_ID || type == SPV_OPERAND_TYPE_TYPE_ID ||
           type == SPV_OPERAND_TYPE_MEMORY_SEMANTICS_ID || type == SPV_OPERAND_TYPE_SCOPE_ID;
}

}  // namespace tolmero::spirv
