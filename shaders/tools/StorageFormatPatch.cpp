#include "shaders/tools/StorageFormatPatch.h"

#include "shaders/tools/SpirvModule.h"

#include <spirv-tools/libspirv.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace tolmero::spirv {

namespace {

struct FormatName {
    std::string_view name;
    std::uint32_t value;
    bool extended;  // needs the StorageImageExtendedFormats capability
};

constexpr std::array kFormats = {
    FormatName{"rgba32f", 1, false},       FormatName{"rgba16f", 2, false},
    FormatName{"r32f", 3, false},          FormatName{"rgba8", 4, false},
    FormatName{"rgba8_snorm", 5, false},   FormatName{"rg32f", 6, true},
    FormatName{"rg16f", 7, true},          FormatName{"r11f_g11f_b10f", 8, true},
    FormatName{"r16f", 9, true},           FormatName{"rgba16", 10, true},
    FormatName{"rgb10_a2", 11, true},      FormatName{"rg16", 12, true},
    FormatName{"rg8", 13, true},           FormatName{"r16", 14, true},
    FormatName{"r8", 15, true},            FormatName{"rgba16_snorm", 16, true},
    FormatName{"rg16_snorm", 17, true},    FormatName{"rg8_snorm", 18, true},
    FormatName{"r16_snorm", 19, true},     FormatName{"r8_snorm", 20, true},
    FormatName{"rgba32i", 21, false},      FormatName{"rgba16i", 22, false},
    FormatName{"rgba8i", 23, false},       FormatName{"r32i", 24, false},
    FormatName{"rg32i", 25, true},         FormatName{"rg16i", 26, true},
    FormatName{"rg8i", 27, true},          FormatName{"r16i", 28, true},
    FormatName{"r8i", 29, true},           FormatName{"rgba32ui", 30, false},
    FormatName{"rgba16ui", 31, false},     FormatName{"rgba8ui", 32, false},
    FormatName{"r32ui", 33, false},        FormatName{"rgb10_a2ui", 34, true},
    FormatName{"rg32ui", 35, true},        FormatName{"rg16ui", 36, true},
    FormatName{"rg8ui", 37, true},         FormatName{"r16ui", 38, true},
    FormatName{"r8ui", 39, true},
};

bool isExtendedFormat(std::uint32_t format) {
    return std::any_of(kFormats.begin(), kFormats.end(), [format](const FormatName& f) {
        return f.value == format && f.extended;
    });
}

bool targetsIdInWordOne(std::uint32_t opcode) {
    return opcode == op::Name || opcode == op::MemberName || opcode == op::Decorate ||
           opcode == op::MemberDecorate || opcode == op::DecorateId ||
           opcode == op::DecorateString || opcode == op::MemberDecorateString;
}

// Instructions that take a storage image as an operand and give back
// something other than the image; they need no change when the image's type
// is replaced by an equivalent one with another format.
bool consumesImage(std::uint32_t opcode) {
    switch (opcode) {
        case op::ImageTexelPointer:
        case op::ImageRead:
        case op::ImageWrite:
        case op::ImageQueryFormat:
        case op::ImageQueryOrder:
        case op::ImageQuerySizeLod:
        case op::ImageQuerySize:
        case op::ImageQueryLevels:
        case op::ImageQuerySamples:
        case op::ImageSparseRead:
            return true;
        default:
            return false;
    }
}

// Two non-aggregate types with the same operands are not allowed; a split or
// a format change can create such twins. Keeps the first of each and
// redirects every reference to the others. Needs parsed operand lists.
void mergeDuplicateTypes(Module& module) {
    for (;;) {
        std::map<std::vector<std::uint32_t>, std::uint32_t> seen;
        std::unordered_map<std::uint32_t, std::uint32_t> replacement;
        for (const Instruction& instruction : module.instructions) {
            const std::uint32_t opcode = instruction.opcode();
            if (opcode != op::TypeImage && opcode != op::TypeSampledImage) {
                continue;
            }
            std::vector<std::uint32_t> key{opcode};
            key.insert(key.end(), instruction.words.begin() + 2, instruction.words.end());
            const auto [it, inserted] = seen.emplace(std::move(key), instruction.resultId);
            if (!inserted) {
                replacement[instruction.resultId] = it->second;
            }
        }
        if (replacement.empty()) {
            return;
        }
        std::erase_if(module.instructions, [&](const Instruction& instruction) {
            return replacement.contains(instruction.resultId) ||
                   (targetsIdInWordOne(instruction.opcode()) &&
                    replacement.contains(instruction.words[1]));
        });
        for (Instruction& instruction : module.instructions) {
            for (const spv_parsed_operand_t& operand : instruction.operands) {
                if (!isIdReference(operand.type)) {
                    continue;
                }
                const auto it = replacement.find(instruction.words[operand.offset]);
                if (it != replacement.end()) {
                    instruction.words[operand.offset] = it->second;
                }
            }
            const auto type = replacement.find(instruction.typeId);
            if (type != replacement.end()) {
                instruction.typeId = type->second;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Applying the formats

class FormatPatcher {
public:
    explicit FormatPatcher(Module& module) : module_(module) {
        auto& instructions = module_.instructions;
        firstFunction_ = instructions.size();
        for (std::size_t i = 0; i < instructions.size(); ++i) {
            const Instruction& instruction = instructions[i];
            if (instruction.resultId != 0) {
                definition_[instruction.resultId] = i;
            }
            if (instruction.opcode() == op::Name) {
                idsByName_[literalString(instruction, 2)].push_back(instruction.words[1]);
            }
            if (instruction.opcode() == op::Function && firstFunction_ == instructions.size()) {
                firstFunction_ = i;
            }
        }
    }

    // Returns whether any variable was annotated (and the module changed).
    bool apply(const std::vector<StorageFormatAnnotation>& annotations) {
        resolve(annotations);
        if (formatOfVariable_.empty()) {
            return false;
        }
        // Every read-write texture variable, grouped by its image type, in module order.
        std::map<std::uint32_t, std::vector<std::size_t>> variablesOfImage;
        for (std::size_t i = 0; i < firstFunction_; ++i) {
            if (isResourceVariable(i)) {
                if (const std::uint32_t image = imageOfVariable(i); image != 0) {
                    variablesOfImage[image].push_back(i);
                }
            }
        }
        for (const auto& [image, variables] : variablesOfImage) {
            giveFormats(image, variables);
        }
        if (needsExtendedFormats_) {
            addExtendedFormatsCapability();
        }
        rebuild();
        return true;
    }

private:
    Instruction& at(std::uint32_t id) { return module_.instructions[definition_.at(id)]; }

    bool defined(std::uint32_t id) const { return definition_.contains(id); }

    std::uint32_t opcodeOf(std::uint32_t id) {
        return defined(id) ? at(id).opcode() : 0;
    }

    bool isResourceVariable(std::size_t index) const {
        const Instruction& instruction = module_.instructions[index];
        return instruction.opcode() == op::Variable &&
               instruction.words[kVariableStorageWord] == kStorageClassUniformConstant;
    }

    // The OpTypeImage behind a variable's pointer (through one array level), or 0.
    std::uint32_t imageOfVariable(std::size_t index) {
        std::uint32_t type = module_.instructions[index].words[kResultTypeWord];
        if (opcodeOf(type) != op::TypePointer) {
            return 0;
        }
        type = at(type).words[kPointeeWord];
        if (opcodeOf(type) == op::TypeArray || opcodeOf(type) == op::TypeRuntimeArray) {
            type = at(type).words[kElementWord];
        }
        return opcodeOf(type) == op::TypeImage ? type : 0;
    }

    void resolve(const std::vector<StorageFormatAnnotation>& annotations) {
        for (const StorageFormatAnnotation& annotation : annotations) {
            std::vector<std::size_t> matches;
            if (const auto it = idsByName_.find(annotation.variable); it != idsByName_.end()) {
                for (const std::uint32_t id : it->second) {
                    if (defined(id) && definition_.at(id) < firstFunction_ &&
                        isResourceVariable(definition_.at(id))) {
                        matches.push_back(definition_.at(id));
                    }
                }
            }
            if (matches.empty()) {
                continue;  // declared but never used: the compiler left it out
            }
            if (matches.size() > 1) {
                throw std::runtime_error(annotation.location + ": more than one resource is named '" +
                                         annotation.variable + "'");
            }
            const std::size_t index = matches.front();
            const std::uint32_t image = imageOfVariable(index);
            if (image == 0 || at(image).words[kImageSampledWord] != kSampledStorageImage) {
                throw std::runtime_error(annotation.location + ": '" + annotation.variable +
                                         "' is not a read-write texture");
            }
            const std::uint32_t variable = module_.instructions[index].resultId;
            if (formatOfVariable_.contains(variable)) {
                throw std::runtime_error(annotation.location + ": '" + annotation.variable +
                                         "' has two storage-format annotations");
            }
            formatOfVariable_[variable] = annotation.format;
            annotationOfVariable_[variable] = &annotation;
        }
    }

    // Gives the variables of one image type their formats: the type keeps the
    // format of its unannotated variables (or takes the first annotated one);
    // every other format gets a copy of the type.
    void giveFormats(std::uint32_t image, const std::vector<std::size_t>& variables) {
        const bool anyAnnotated = std::any_of(variables.begin(), variables.end(), [&](std::size_t i) {
            return formatOfVariable_.contains(module_.instructions[i].resultId);
        });
        if (!anyAnnotated) {
            return;
        }
        const std::size_t imageIndex = definition_.at(image);
        const std::uint32_t current = module_.instructions[imageIndex].words[kImageFormatWord];
        auto formatOf = [&](std::size_t variableIndex) {
            const auto it = formatOfVariable_.find(module_.instructions[variableIndex].resultId);
            return it == formatOfVariable_.end() ? current : it->second;
        };
        const bool anyUnannotated = std::any_of(variables.begin(), variables.end(), [&](std::size_t i) {
            return !formatOfVariable_.contains(module_.instructions[i].resultId);
        });
        const std::uint32_t kept = anyUnannotated ? current : formatOf(variables.front());
        setFormat(module_.instructions[imageIndex], kept);

        std::map<std::uint32_t, std::uint32_t> imageOfFormat{{kept, image}};
        for (const std::size_t variableIndex : variables) {
            const std::uint32_t format = formatOf(variableIndex);
            auto it = imageOfFormat.find(format);
            if (it == imageOfFormat.end()) {
                Instruction copy = module_.instructions[imageIndex];
                copy.operands.clear();
                copy.resultId = module_.newId();
                copy.words[kResultWord] = copy.resultId;
                setFormat(copy, format);
                it = imageOfFormat.emplace(format, copy.resultId).first;
                insertAfter_[imageIndex].push_back(std::move(copy));
            }
            if (it->second != image) {
                retypeVariable(variableIndex, image, it->second);
            }
        }
    }

    void setFormat(Instruction& image, std::uint32_t format) {
        image.words[kImageFormatWord] = format;
        needsExtendedFormats_ = needsExtendedFormats_ || isExtendedFormat(format);
    }

    // Points a variable at the new image type and retypes every value that
    // carries its image: its loads, access chains and copies.
    void retypeVariable(std::size_t variableIndex, std::uint32_t oldImage, std::uint32_t newImage) {
        Instruction& variable = module_.instructions[variableIndex];
        const StorageFormatAnnotation& annotation = *annotationOfVariable_.at(variable.resultId);
        std::unordered_map<std::uint32_t, std::uint32_t> typeMap{{oldImage, newImage}};
        variable.words[kResultTypeWord] =
            mappedType(variable.words[kResultTypeWord], typeMap, variableIndex);

        std::unordered_set<std::uint32_t> carriers{variable.resultId};
        for (std::size_t i = firstFunction_; i < module_.instructions.size(); ++i) {
            Instruction& instruction = module_.instructions[i];
            const bool usesCarrier = std::any_of(
                instruction.operands.begin(), instruction.operands.end(),
                [&](const spv_parsed_operand_t& operand) {
                    return isIdReference(operand.type) &&
                           carriers.contains(instruction.words[operand.offset]);
                });
            if (!usesCarrier) {
                continue;
            }
            const std::uint32_t opcode = instruction.opcode();
            const bool passesOn = opcode == op::Load || opcode == op::AccessChain ||
                                  opcode == op::InBoundsAccessChain || opcode == op::CopyObject;
            if (passesOn && carriers.contains(instruction.words[kOperandWord]) &&
                involvesType(instruction.typeId, oldImage)) {
                const std::uint32_t newType = mappedType(instruction.typeId, typeMap, variableIndex);
                instruction.words[kResultTypeWord] = newType;
                instruction.typeId = newType;
                carriers.insert(instruction.resultId);
            } else if (!consumesImage(opcode)) {
                throw std::runtime_error(
                    annotation.location + ": cannot give '" + annotation.variable +
                    "' a format of its own: its image is passed on by SPIR-V opcode " +
                    std::to_string(opcode) + ", which the format patch does not follow");
            }
        }
    }

    bool involvesType(std::uint32_t type, std::uint32_t image) {
        if (type == image) {
            return true;
        }
        const std::uint32_t opcode = opcodeOf(type);
        if (opcode == op::TypePointer) {
            return involvesType(at(type).words[kPointeeWord], image);
        }
        if (opcode == op::TypeArray || opcode == op::TypeRuntimeArray) {
            return involvesType(at(type).words[kElementWord], image);
        }
        return false;
    }

    // The counterpart of a pointer or array type over the old image, made on
    // first use and declared just before the variable being retyped (after
    // everything it refers to).
    std::uint32_t mappedType(std::uint32_t type, std::unordered_map<std::uint32_t, std::uint32_t>& typeMap,
                             std::size_t beforeIndex) {
        if (const auto it = typeMap.find(type); it != typeMap.end()) {
            return it->second;
        }
        const Instruction original = at(type);
        std::vector<std::uint32_t> operands(original.words.begin() + 2, original.words.end());
        if (original.opcode() == op::TypePointer) {
            operands[kPointeeWord - 2] = mappedType(original.words[kPointeeWord], typeMap, beforeIndex);
        } else if (original.opcode() == op::TypeArray || original.opcode() == op::TypeRuntimeArray) {
            operands[kElementWord - 2] = mappedType(original.words[kElementWord], typeMap, beforeIndex);
        } else {
            throw std::logic_error("type does not involve the image being split");
        }
        std::vector<std::uint32_t> key{original.opcode()};
        key.insert(key.end(), operands.begin(), operands.end());
        std::uint32_t& made = madeTypes_[key];
        if (made == 0) {
            made = module_.newId();
            operands.insert(operands.begin(), made);
            insertBefore_[beforeIndex].push_back(makeInstruction(original.opcode(), operands, made));
        }
        typeMap[type] = made;
        return made;
    }

    void addExtendedFormatsCapability() {
        std::size_t lastCapability = 0;
        for (std::size_t i = 0; i < module_.instructions.size(); ++i) {
            const Instruction& instruction = module_.instructions[i];
            if (instruction.opcode() == op::Capability) {
                if (instruction.words[1] == kCapabilityStorageImageExtendedFormats) {
                    return;
                }
                lastCapability = i;
            }
        }
        insertAfter_[lastCapability].push_back(
            makeInstruction(op::Capability, {kCapabilityStorageImageExtendedFormats}));
    }

    void rebuild() {
        std::vector<Instruction> rebuilt;
        for (std::size_t i = 0; i < module_.instructions.size(); ++i) {
            for (Instruction& instruction : insertBefore_[i]) {
                rebuilt.push_back(std::move(instruction));
            }
            rebuilt.push_back(std::move(module_.instructions[i]));
            for (Instruction& instruction : insertAfter_[i]) {
                rebuilt.push_back(std::move(instruction));
            }
        }
        module_.instructions = std::move(rebuilt);
    }

    Module& module_;
    std::size_t firstFunction_ = 0;
    std::unordered_map<std::uint32_t, std::size_t> definition_;
    std::map<std::string, std::vector<std::uint32_t>> idsByName_;
    std::unordered_map<std::uint32_t, std::uint32_t> formatOfVariable_;
    std::unordered_map<std::uint32_t, const StorageFormatAnnotation*> annotationOfVariable_;
    std::map<std::vector<std::uint32_t>, std::uint32_t> madeTypes_;
    std::map<std::size_t, std::vector<Instruction>> insertBefore_;
    std::map<std::size_t, std::vector<Instruction>> insertAfter_;
    bool needsExtendedFormats_ = false;
};

// ---------------------------------------------------------------------------
// Reading the annotations

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void collectAnnotations(const std::filesystem::path& file,
                        const std::vector<std::filesystem::path>& includeDirs,
                        std::set<std::filesystem::path>& visited,
                        std::vector<StorageFormatAnnotation>& annotations) {
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(file);
    if (!visited.insert(canonical).second) {
        return;
    }
    const std::string text = readFile(file);
    for (StorageFormatAnnotation& annotation : parseStorageFormatAnnotations(text, file.string())) {
        annotations.push_back(std::move(annotation));
    }
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, include)) {
            continue;
        }
        std::vector<std::filesystem::path> candidates{file.parent_path() / match[1].str()};
        for (const std::filesystem::path& dir : includeDirs) {
            candidates.push_back(dir / match[1].str());
        }
        for (const std::filesystem::path& candidate : candidates) {
            if (std::filesystem::is_regular_file(candidate)) {
                collectAnnotations(candidate, includeDirs, visited, annotations);
                break;
            }
        }
        // An include that is not found is the compiler's error to report.
    }
}

}  // namespace

std::optional<std::uint32_t> imageFormatFromName(std::string_view name) {
    for (const FormatName& format : kFormats) {
        if (format.name == name) {
            return format.value;
        }
    }
    return std::nullopt;
}

std::vector<StorageFormatAnnotation> parseStorageFormatAnnotations(std::string_view text,
                                                                   const std::string& fileName) {
    static const std::regex annotation(R"(//.*\bstorage-format\s*:\s*([A-Za-z0-9_]*))");
    static const std::regex declaration(
        R"(^\s*(?:globallycoherent\s+)?(\w+)\s*<[^>]*>\s*(\w+)\s*(?:\[\s*\d*\s*\]\s*)?(?::\s*register\s*\([^)]*\)\s*)?;\s*$)");
    std::vector<StorageFormatAnnotation> annotations;
    std::istringstream lines{std::string(text)};
    int lineNumber = 0;
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        std::smatch found;
        if (!std::regex_search(line, found, annotation)) {
            continue;
        }
        const std::string location = fileName + ":" + std::to_string(lineNumber);
        const std::string code = line.substr(0, line.find("//"));
        std::smatch declared;
        if (!std::regex_match(code, declared, declaration)) {
            throw std::runtime_error(location +
                                     ": a storage-format annotation must be the trailing comment of "
                                     "a read-write texture declaration such as "
                                     "'RWTexture2D<float4> name : register(u0); // storage-format: rgba8'");
        }
        if (declared[1].str().rfind("RWTexture", 0) != 0) {
            throw std::runtime_error(location + ": storage-format is given for '" + declared[2].str() +
                                     "', a " + declared[1].str() + ", which is not a read-write texture");
        }
        const std::string formatName = found[1].str();
        const std::optional<std::uint32_t> format = imageFormatFromName(formatName);
        if (!format) {
            throw std::runtime_error(location + ": unknown storage format '" + formatName +
                                     "' (use a GLSL layout name such as rgba8, rgba16f, r32f)");
        }
        annotations.push_back(StorageFormatAnnotation{declared[2].str(), formatName, *format, location});
    }
    return annotations;
}

std::vector<StorageFormatAnnotation> readStorageFormatAnnotations(
    const std::filesystem::path& source, const std::vector<std::filesystem::path>& includeDirs) {
    std::vector<StorageFormatAnnotation> annotations;
    std::set<std::filesystem::path> visited;
    collectAnnotations(source, includeDirs, visited, annotations);
    return annotations;
}

std::vector<std::uint32_t> applyStorageFormats(std::span<const std::uint32_t> words,
                                               const std::vector<StorageFormatAnnotation>& annotations) {
    Module module = parseModule(words);
    if (annotations.empty() || !FormatPatcher(module).apply(annotations)) {
        return {words.begin(), words.end()};
    }
    // Re-read so that the types made above have parsed operands too.
    Module patched = parseModule(serialize(module));
    mergeDuplicateTypes(patched);
    return serialize(patched);
}

}  // namespace tolmero::spirv
