#pragma once

// A SPIR-V module as a list of instructions, with the operand kinds that
// SPIRV-Tools' parser reports, for the build's small SPIR-V passes.

#include <spirv-tools/libspirv.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolmero::spirv {

// The opcodes, enumerants and word positions the passes work with.
namespace op {
inline constexpr std::uint32_t Name = 5;
inline constexpr std::uint32_t MemberName = 6;
inline constexpr std::uint32_t Capability = 17;
inline constexpr std::uint32_t TypeImage = 25;
inline constexpr std::uint32_t TypeSampler = 26;
inline constexpr std::uint32_t TypeSampledImage = 27;
inline constexpr std::uint32_t TypeArray = 28;
inline constexpr std::uint32_t TypeRuntimeArray = 29;
inline constexpr std::uint32_t TypePointer = 32;
inline constexpr std::uint32_t Function = 54;
inline constexpr std::uint32_t Variable = 59;
inline constexpr std::uint32_t ImageTexelPointer = 60;
inline constexpr std::uint32_t Load = 61;
inline constexpr std::uint32_t AccessChain = 65;
inline constexpr std::uint32_t InBoundsAccessChain = 66;
inline constexpr std::uint32_t Decorate = 71;
inline constexpr std::uint32_t MemberDecorate = 72;
inline constexpr std::uint32_t CopyObject = 83;
inline constexpr std::uint32_t ImageRead = 98;
inline constexpr std::uint32_t ImageWrite = 99;
inline constexpr std::uint32_t ImageQueryFormat = 101;
inline constexpr std::uint32_t ImageQueryOrder = 102;
inline constexpr std::uint32_t ImageQuerySizeLod = 103;
inline constexpr std::uint32_t ImageQuerySize = 104;
inline constexpr std::uint32_t ImageQueryLevels = 106;
inline constexpr std::uint32_t ImageQuerySamples = 107;
inline constexpr std::uint32_t ImageSparseRead = 320;
inline constexpr std::uint32_t DecorateId = 332;
inline constexpr std::uint32_t DecorateString = 5632;
inline constexpr std::uint32_t MemberDecorateString = 5633;
}  // namespace op

inline constexpr std::uint32_t kStorageClassUniformConstant = 0;
inline constexpr std::uint32_t kStorageClassUniform = 2;
inline constexpr std::uint32_t kStorageClassStorageBuffer = 12;
inline constexpr std::uint32_t kDecorationBlock = 2;
inline constexpr std::uint32_t kDecorationBufferBlock = 3;
inline constexpr std::uint32_t kDecorationNonWritable = 24;
inline constexpr std::uint32_t kDecorationBinding = 33;
inline constexpr std::uint32_t kDecorationDescriptorSet = 34;
inline constexpr std::uint32_t kCapabilityStorageImageExtendedFormats = 49;

// Word positions inside instructions.
inline constexpr std::size_t kResultWord = 1;          // types: result id
inline constexpr std::size_t kResultTypeWord = 1;      // values: result type
inline constexpr std::size_t kPointerStorageWord = 2;  // OpTypePointer storage class
inline constexpr std::size_t kPointeeWord = 3;         // OpTypePointer pointee
inline constexpr std::size_t kElementWord = 2;         // OpTypeArray / OpTypeRuntimeArray element
inline constexpr std::size_t kVariableStorageWord = 3;
inline constexpr std::size_t kImageSampledWord = 7;    // 1 sampled, 2 storage image
inline constexpr std::size_t kImageFormatWord = 8;
inline constexpr std::size_t kOperandWord = 3;         // pointer of OpLoad, base of access chains
inline constexpr std::uint32_t kSampledStorageImage = 2;

struct Instruction {
    std::vector<std::uint32_t> words;
    std::vector<spv_parsed_operand_t> operands;  // as parsed; empty for instructions made here
    std::uint32_t resultId = 0;
    std::uint32_t typeId = 0;

    std::uint32_t opcode() const { return words[0] & 0xFFFFu; }
};

struct Module {
    std::vector<std::uint32_t> header;  // magic, version, generator, id bound, schema
    std::vector<Instruction> instructions;

    std::uint32_t newId() { return header[3]++; }
};

// Throws std::runtime_error for words that are not a SPIR-V module.
Module parseModule(std::span<const std::uint32_t> words);
std::vector<std::uint32_t> serialize(const Module& module);

Instruction makeInstruction(std::uint32_t opcode, std::vector<std::uint32_t> operandWords,
                            std::uint32_t resultId = 0);

// A literal string operand starting at word `firstWord`.
std::string literalString(const Instruction& instruction, std::size_t firstWord);

// Operand kinds that refer to another id (not the instruction's own result).
bool isIdReference(spv_operand_type_t type);

}  // namespace tolmero::spirv
