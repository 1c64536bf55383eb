#pragma once
// Which music file the production plays: the one named by --music, or else
// "track.flac" in the working directory, or else "track.flac" beside the
// executable (where the build puts it). The music's length sets the end of
// the production; without music the keyed timeline does, on a silent clock.

#include <filesystem>
#include <optional>
#include <string>

namespace tolmero {

inline constexpr const char* kMusicFileName = "track.flac";

struct MusicChoice {
    std::filesystem::path path;   // empty: no file was found
    std::optional<double> seconds;  // the music's length, when the file decodes
    std::string problem;          // why the file found cannot play (seconds empty)

    bool playable() const { return seconds.has_value(); }
};

// The folder of the running executable (empty if the system cannot say).
std::filesystem::path executableFolder();

// The file `--music` names (`explicitFile`, may be empty) or the first
// "track.flac" found in `workingFolder`, then in `programFolder`. A file named
// on the command line must exist and decode: otherwise nothing is returned
// and `error` says why (bad input). A default file that exists but does not
// decode is returned with its problem, so that the caller can say so and run
// silent.
std::optional<MusicChoice> chooseMusic(const std::string& explicitFile, const std::filesystem::path& workingFolder,
                                       const std::filesystem::path& programFolder, std::string& error);

// The same from the process's working directory and executable folder.
std::optional<MusicChoice> chooseMusic(const std::string& explicitFile, std::string& error);

// One line (without "tolmero: " or a line break) saying which file plays, or
// that none was found or it cannot play and the clock runs silent.
std::string describeMusic(const MusicChoice& music);

}  // namespace tolmero
