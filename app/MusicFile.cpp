#include "app/MusicFile.h"

#include <unistd.h>

#include <cstdio>
#include <system_error>

#include "audio/FlacStream.h"

namespace tolmero {
namespace {

namespace fs = std::filesystem;

// The length of a FLAC file that decodes, or nothing with the reason.
std::optional<double> musicLength(const fs::path& path, std::string& why) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        why = "it is a folder";
        return std::nullopt;
    }
    FlacStream stream;
    if (!stream.open(path.string(), &why)) return std::nullopt;
    const double seconds = stream.info().durationSeconds();
    if (!(seconds > 0.0)) {
        why = "it holds no music";
        return std::nullopt;
    }
    return seconds;
}

MusicChoice examine(const fs::path& path) {
    MusicChoice choice;
    std::error_code ec;
    choice.path = fs::absolute(path, ec);
    if (ec) choice.path = path;
    choice.seconds = musicLength(choice.path, choice.problem);
    return choice;
}

}  // namespace

fs::path executableFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : program.parent_path();
}

std::optional<MusicChoice> chooseMusic(const std::string& explicitFile, const fs::path& workingFolder,
                                       const fs::path& programFolder, std::string& error) {
    std::error_code ec;
    if (!explicitFile.empty()) {
        const fs::path named = fs::path(explicitFile).is_absolute() ? fs::path(explicitFile)
                                                                    : workingFolder / explicitFile;
        if (!fs::exists(named, ec)) {
            error = "the music file " + explicitFile + " does not exist";
            return std::nullopt;
        }
        MusicChoice choice = examine(named);
        if (!choice.playable()) {
            error = "the music file " + explicitFile + " cannot be played: " + choice.problem;
            return std::nullopt;
        }
        return choice;
    }
    for (const fs::path& folder : {workingFolder, programFolder}) {
        if (folder.empty()) continue;
        const fs::path candidate = folder / kMusicFileName;
        if (fs::exists(candidate, ec)) return examine(candidate);
    }
    return MusicChoice{};
}

std::optional<MusicChoice> chooseMusic(const std::string& explicitFile, std::string& error) {
    std::error_code ec;
    const fs::path working = fs::current_path(ec);
    return chooseMusic(explicitFile, ec ? fs::path(".") : working, executableFolder(), error);
}

std::string describeMusic(const MusicChoice& music) {
    if (music.path.empty()) {
        return std::string("no music: ") + kMusicFileName +
               " is neither in the working directory nor beside the program; the clock runs silent";
    }
    if (!music.playable()) {
        return "music " + music.path.string() + " cannot be played (" + music.problem + "); the clock runs silent";
    }
    char length[32];
    std::snprintf(length, sizeof length, "%.1f", *music.seconds);
    return "music: " + music.path.string() + " (" + length + " s)";
}

}  // namespace tolmero
