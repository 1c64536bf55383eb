#pragma once
// Repair of a fragmented MP4 file that was cut short (a full disk, a killed
// encoder): the file is truncated after its last whole fragment, so that
// every frame left in it decodes.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tolmero {

struct FragmentTrim {
    bool ok = false;             // the file was read (and truncated where needed)
    int fragments = 0;           // whole fragments kept (a moof box and its mdat)
    std::uint64_t keptBytes = 0;
    std::uint64_t droppedBytes = 0;
    std::string error;
};

// Walks the top-level boxes of `path` (each a 32-bit size, or 1 and a 64-bit
// size, and a four-letter type) and truncates the file after the last mdat
// box that follows a moof box and is complete. Boxes before the first
// fragment (ftyp, moov) are kept as they are. A file without any whole
// fragment is left as it is and reports 0 fragments.
FragmentTrim trimToWholeFragments(const std::filesystem::path& path);

}  // namespace tolmero
