#include "tools/Mp4Fragments.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace tolmero {

FragmentTrim trimToWholeFragments(const std::filesystem::path& path) {
    FragmentTrim result;
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        result.error = "cannot read " + path.string() + ": " + ec.message();
        return result;
    }
    std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        result.error = "cannot read " + path.string();
        return result;
    }

    std::uint64_t at = 0;
    std::uint64_t keepUntil = 0;  // end of the last whole fragment
    bool inFragment = false;      // a moof box has been read, its mdat not yet
    while (at + 8 <= size) {
        unsigned char header[16];
        if (std::fseek(file.get(), static_cast<long>(at), SEEK_SET) != 0 ||
            std::fread(header, 1, 8, file.get()) != 8)
            break;
        std::uint64_t boxSize = (std::uint64_t(header[0]) << 24) | (std::uint64_t(header[1]) << 16) |
                                (std::uint64_t(header[2]) << 8) | header[3];
        std::uint64_t headerSize = 8;
        if (boxSize == 1) {
            if (at + 16 > size || std::fread(header + 8, 1, 8, file.get()) != 8) break;
            boxSize = 0;
            for (int i = 8; i < 16; ++i) boxSize = (boxSize << 8) | header[i];
            headerSize = 16;
        } else if (boxSize == 0) {
            boxSize = size - at;  // "to the end of the file": only whole if nothing follows
        }
        if (boxSize < headerSize || boxSize > size - at) break;  // cut short (or damaged) here
        const char* type = reinterpret_cast<const char*>(header + 4);
        if (std::memcmp(type, "moof", 4) == 0) {
            inFragment = true;
        } else if (std::memcmp(type, "mdat", 4) == 0 && inFragment) {
            inFragment = false;
            ++result.fragments;
            keepUntil = at + boxSize;
        } else if (!inFragment && result.fragments == 0) {
            keepUntil = at + boxSize;  // ftyp, moov and the like before the fragments
        }
        at += boxSize;
    }
    file.reset();

    result.ok = true;
    if (result.fragments == 0) {
        result.keptBytes = size;
        return result;
    }
    if (keepUntil < size) {
        std::filesystem::resize_file(path, keepUntil, ec);
        if (ec) {
            result.ok = false;
            result.error = "cannot truncate " + path.string() + ": " + ec.message();
            return result;
        }
    }
    result.keptBytes = keepUntil;
    result.droppedBytes = size - keepUntil;
    return result;
}

}  // namespace tolmero
