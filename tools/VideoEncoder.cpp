#include "tools/VideoEncoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace tolmero {
namespace {

std::string decimal(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// ffmpeg reads "name:rest" as a protocol and "-name" as an option; the file
// protocol prefix makes every path a plain file path.
std::string ffmpegFile(const std::filesystem::path& path) { return "file:" + path.string(); }

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> encoderArguments(const EncoderSettings& settings) {
    const bool withAudio = !settings.audio.empty();
    std::vector<std::string> args = {
        "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        // The frames: raw RGBA on standard input.
        "-f", "rawvideo", "-pix_fmt", "rgba",
        "-video_size", std::to_string(settings.width) + "x" + std::to_string(settings.height),
        "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
    if (withAudio && settings.audioStartSeconds >= 0.0) {
        // Seeking on the input decodes from the exact sample of `from`.
        args.insert(args.end(), {"-ss", decimal(settings.audioStartSeconds), "-i", ffmpegFile(settings.audio)});
    } else if (withAudio) {
        args.insert(args.end(), {"-i", ffmpegFile(settings.audio)});
    }
    args.insert(args.end(), {"-map", "0:v:0"});
    if (withAudio) args.insert(args.end(), {"-map", "1:a:0"});
    // The frames are sRGB; convert them with the BT.709 matrix and say so, so
    // that players show the colours the renderer made.
    args.insert(args.end(), {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                             "-c:v", "libx264", "-preset", "medium", "-crf", std::to_string(settings.crf),
                             "-pix_fmt", "yuv420p", "-colorspace", "bt709", "-color_primaries", "bt709",
                             "-color_trc", "bt709", "-color_range", "tv"});
    // A key frame every two seconds.
    args.insert(args.end(), {"-g", std::to_string(2 * settings.fps)});
    if (withAudio) {
        // Frames before beat 0 have no music yet: the sound starts after them.
        if (settings.audioStartSeconds < 0.0) {
            const long delayMs = std::lround(-settings.audioStartSeconds * 1000.0);
            args.insert(args.end(), {"-af", "adelay=delays=" + std::to_string(delayMs) + ":all=1"});
        }
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    }
    args.insert(args.end(), {"-t", decimal(settings.durationSeconds)});
    // A capture stopped early has fewer frames than planned: the sound ends
    // with the last frame.
    if (withAudio) args.push_back("-shortest");
    // Fragmented MP4 with fragments of at most a second: the index travels
    // with every fragment, so a file cut short (a full disk, a killed
    // encoder) still plays up to its last whole fragment. The header waits
    // for the first fragment, so that it can hold the edit list that starts
    // the picture at 0 despite the encoder's frame reordering; the sound's
    // encoder priming keeps its negative time stamps.
    args.insert(args.end(), {"-movflags", "+frag_keyframe+delay_moov+default_base_moof", "-frag_duration",
                             std::to_string(kFragmentMicroseconds), "-f", "mp4", ffmpegFile(settings.output)});
    return args;
}

std::optional<std::string> findProgram(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (isExecutableFile(name)) return name;
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    if (!path) return std::nullopt;
    std::string_view rest(path);
    while (true) {
        const std::size_t colon = rest.find(':');
        // An empty entry means the current folder.
        const std::string_view folder = rest.substr(0, colon);
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? std::string_view(".") : folder) / name;
        if (isExecutableFile(candidate.string())) return candidate.string();
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

VideoEncoder::~VideoEncoder() {
    if (pipe_ >= 0) ::close(pipe_);
    pipe_ = -1;
    if (pid_ > 0) {
        std::string ignored;
        waitForExit(ignored);
    }
}

bool VideoEncoder::start(const EncoderSettings& settings, std::string& error) {
    const auto program = findProgram(settings.program);
    if (!program) {
        error = "the " + settings.program + " program was not found on PATH; it encodes the video (Debian: apt-get install ffmpeg)";
        return false;
    }
    frameBytes_ = static_cast<std::size_t>(settings.width) * settings.height * 4;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    // Room for a whole frame (as far as the system allows), so that rendering
    // goes on while ffmpeg encodes the previous frame.
    ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(std::min<std::size_t>(frameBytes_, 1u << 20)));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    // A process group of its own: the terminal's Ctrl-C goes to our group
    // only, and we end ffmpeg's input in order. Signals we ignore or catch go
    // back to their defaults in the child.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGPIPE, SIGTERM, SIGQUIT, SIGHUP}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);

    const std::vector<std::string> args = encoderArguments(settings);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program->c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const int spawned = posix_spawn(&pid_, program->c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[0]);
    if (spawned != 0) {
        pid_ = -1;
        ::close(fds[1]);
        error = "cannot start " + *program + ": " + std::strerror(spawned);
        return false;
    }
    pipe_ = fds[1];
    return true;
}

bool VideoEncoder::writeFrame(std::span<const std::uint8_t> rgba, std::string& error) {
    if (pipe_ < 0) {
        error = "the encoder is not running";
        return false;
    }
    if (rgba.size() != frameBytes_) {
        error = "a frame of " + std::to_string(rgba.size()) + " bytes where the encoder takes " +
                std::to_string(frameBytes_);
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    std::size_t written = 0;
    while (written < rgba.size()) {
        const ssize_t n = ::write(pipe_, rgba.data() + written, rgba.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int why = errno;
            ::close(pipe_);
            pipe_ = -1;
            std::string exitReason;
            waitForExit(exitReason);
            error = why == EPIPE ? "ffmpeg stopped taking frames" : std::string("cannot write to ffmpeg: ") + std::strerror(why);
            if (!exitReason.empty()) error += " (" + exitReason + ")";
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    waitingSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

bool VideoEncoder::finish(std::string& error) {
    if (pipe_ >= 0) ::close(pipe_);
    pipe_ = -1;
    if (pid_ <= 0) {
        error = "the encoder is not running";
        return false;
    }
    return waitForExit(error);
}

bool VideoEncoder::waitForExit(std::string& error) {
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, 0);
    } while (result < 0 && errno == EINTR);
    pid_ = -1;
    if (result < 0) {
        error = std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status)) {
        error = "ffmpeg ended with exit status " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        error = "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    } else {
        error = "ffmpeg ended abnormally";
    }
    return false;
}

}  // namespace tolmero
