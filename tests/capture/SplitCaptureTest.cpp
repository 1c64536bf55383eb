// A capture split into pieces of the frame grid: the frames on either side of
// a seam in the fire and in the logo's blow-away are, byte for byte, those of
// one long capture; scripts/capture-farm.sh with two jobs gives the frames and
// the sound of one capture, refuses to join with a hole, names a piece that
// failed with its host, retries, and resumes keeping what was finished.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace splitcapturetest {
namespace {

namespace fs = std::filesystem;

const std::string kTolmero = std::string(TOLMERO_BUILD_DIR) + "/tolmero";
const std::string kTrack = std::string(TOLMERO_BUILD_DIR) + "/track.flac";
const std::string kFarm = std::string(TOLMERO_SOURCE_DIR) + "/scripts/capture-farm.sh";

struct ProcessResult {
    int exitCode;
    std::string out;
};

ProcessResult run(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::vector<char> readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string quoted(const fs::path& path) {
    std::string text = "'";
    text += path.string();
    text += '\'';
    return text;
}

// The lines of `text` that contain `word`.
std::vector<std::string> linesWith(const std::string& text, const std::string& word) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find(word) != std::string::npos) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The decoded picture frame by frame (MD5 and time stamp of each), or the
// decoded sound as raw samples: what a player gets from the file.
std::string decodedFrames(const fs::path& video) {
    const ProcessResult md5 = run("ffmpeg -v error -i " + quoted(video) + " -map 0:v:0 -f framemd5 -");
    EXPECT_EQ(md5.exitCode, 0) << md5.out;
    std::string frames;
    for (const std::string& line : linesWith(md5.out, ","))
        if (line.front() != '#') frames += line + "\n";
    return frames;
}

std::vector<char> decodedSound(const fs::path& video, const fs::path& raw) {
    const ProcessResult decoded =
        run("ffmpeg -v error -y -i " + quoted(video) + " -map 0:a:0 -f f32le " + quoted(raw));
    EXPECT_EQ(decoded.exitCode, 0) << decoded.out;
    return readFile(raw);
}

class SplitCapture : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tolmero-split-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Grid frames `frames` captured in one process, raw frames into `raw`.
    ProcessResult capture(const std::string& frames, const fs::path& raw, const std::string& options) {
        return run("TOLMERO_CAPTURE_RAW_FRAMES=" + quoted(raw) + " " + kTolmero + " capture --frames " + frames +
                   " --out " + quoted(folder_ / (frames + ".mp4")) + " " + options);
    }

    // One long capture of [first, end) against a piece from `seam` on: the
    // piece, caught up on its own, must give the long one's frames from the
    // seam on, byte for byte.
    void expectSeamless(long first, long seam, long end, const std::string& options, std::size_t frameBytes) {
        const fs::path longRaw = folder_ / "long.rgba";
        const fs::path pieceRaw = folder_ / "piece.rgba";
        const ProcessResult whole = capture(std::to_string(first) + ":" + std::to_string(end), longRaw, options);
        ASSERT_EQ(whole.exitCode, 0) << whole.out;
        const ProcessResult piece = capture(std::to_string(seam) + ":" + std::to_string(end), pieceRaw, options);
        ASSERT_EQ(piece.exitCode, 0) << piece.out;
        const std::vector<char> longFrames = readFile(longRaw);
        const std::vector<char> pieceFrames = readFile(pieceRaw);
        ASSERT_EQ(longFrames.size(), static_cast<std::size_t>(end - first) * frameBytes);
        ASSERT_EQ(pieceFrames.size(), static_cast<std::size_t>(end - seam) * frameBytes);
        for (long k = seam; k < end; ++k) {
            const auto inLong = longFrames.begin() + (k - first) * frameBytes;
            const auto inPiece = pieceFrames.begin() + (k - seam) * frameBytes;
            EXPECT_TRUE(std::equal(inPiece, inPiece + frameBytes, inLong)) << "grid frame " << k << " differs";
        }
        // The frames move: the seam is not hidden in a still picture.
        const auto last = longFrames.end() - frameBytes;
        EXPECT_FALSE(std::equal(last - frameBytes, last, last)) << "the last two frames are the same";
    }

    fs::path folder_;
};

const std::string kSmall = "--fps 30 --resolution 160x90 --samples 1x1";
constexpr std::size_t kSmallFrame = 160 * 90 * 4;

TEST_F(SplitCapture, FramesAtASeamInTheFireAreThoseOfOneLongCapture) {
    // The fire catches at beat 289; grid frame 5006 at 30 fps is beat 292.0:
    // about fifty flame steps in, with every flame of the start still alive.
    expectSeamless(5003, 5006, 5009, kSmall, kSmallFrame);
}

TEST_F(SplitCapture, FramesAtASeamInTheLogosBlowAwayAreThoseOfOneLongCapture) {
    // Grid frame 1029 at 30 fps is beat 60.0, the logo blowing away.
    expectSeamless(1026, 1029, 1032, kSmall, kSmallFrame);
}

TEST_F(SplitCapture, PrintFramesGivesTheGridOfABeatRangeWithoutADevice) {
    const ProcessResult grid = run(kTolmero + " capture --print-frames --from 288 --to 300 --fps 30");
    EXPECT_EQ(grid.exitCode, 0) << grid.out;
    EXPECT_EQ(grid.out, "4938:5143\n");
    for (const std::string& bad : {std::string("--frames 5:5"), std::string("--frames 0:100000 --fps 30"),
                                   std::string("--frames -100:10"), std::string("--frames x"),
                                   std::string("--frames 0:10 --from 3")}) {
        const ProcessResult refused =
            run(kTolmero + " capture --out " + quoted(folder_ / "never.mp4") + " " + bad + " --resolution 64x36");
        EXPECT_EQ(refused.exitCode, 2) << bad << ": " << refused.out;
        EXPECT_EQ(linesWith(refused.out, "").size(), 1u) << bad << ": " << refused.out;
    }
    EXPECT_FALSE(fs::exists(folder_ / "never.mp4"));
}

// The farm script on this machine with two jobs: beats 10 to 13.5 at 15
// frames a second in pieces of 10 frames (30 frames, 3 pieces), lossless, so
// that the decoded frames of the join and of one capture can be compared too.
class CaptureFarm : public SplitCapture {
protected:
    const std::string range_ = "--from 10 --to 13.5 --fps 15 --resolution 64x36 --samples 1x1 --crf 0";
    // The farm's runs go without the validation layers, which the other
    // captures here have on: they only slow the pieces down.
    std::string farm(const std::string& options) {
        return "cd " + quoted(folder_) + " && env -u TOLMERO_VALIDATION " + kFarm + " --tolmero " + kTolmero +
               " --music " + kTrack + " " + range_ + " --chunk-frames 10 " + options;
    }
};

TEST_F(CaptureFarm, TwoJobsGiveTheFramesAndSoundOfOneCaptureAndAHoleIsNotJoined) {
    ASSERT_TRUE(fs::exists(kTrack)) << "the build composes the music first";
    const ProcessResult grid = run(kTolmero + " capture --print-frames " + range_);
    ASSERT_EQ(grid.out, "86:116\n") << grid.out;

    const ProcessResult farmed = run(farm("-j 2 --out joined.mp4 --keep-chunks --raw-frames"));
    ASSERT_EQ(farmed.exitCode, 0) << farmed.out;
    EXPECT_EQ(linesWith(farmed.out, " done on host ").size(), 3u) << farmed.out;
    const fs::path continuousRaw = folder_ / "continuous.rgba";
    const ProcessResult continuous =
        run("env -u TOLMERO_VALIDATION TOLMERO_CAPTURE_RAW_FRAMES=" + quoted(continuousRaw) + " " + kTolmero +
            " capture --frames 86:116 " +
            range_.substr(range_.find("--fps")) + " --music " + kTrack + " --out " +
            quoted(folder_ / "continuous.mp4"));
    ASSERT_EQ(continuous.exitCode, 0) << continuous.out;

    // The raw frames before encoding, the decoded frames with their time
    // stamps, and the decoded sound: all the same.
    const std::vector<char> raw = readFile(continuousRaw);
    ASSERT_EQ(raw.size(), 30u * 64 * 36 * 4);
    EXPECT_TRUE(readFile(folder_ / "joined.mp4.rgba") == raw);
    const std::string frames = decodedFrames(folder_ / "continuous.mp4");
    EXPECT_EQ(linesWith(frames, ",").size(), 30u) << frames;
    EXPECT_EQ(decodedFrames(folder_ / "joined.mp4"), frames);
    const std::vector<char> sound = decodedSound(folder_ / "continuous.mp4", folder_ / "continuous.f32");
    EXPECT_GT(sound.size(), 44100u * 4 * 19 / 10) << "two seconds of sound";
    EXPECT_TRUE(decodedSound(folder_ / "joined.mp4", folder_ / "joined.f32") == sound);

    // A missing piece: the join refuses in one line that names it, and writes nothing.
    const fs::path chunks = folder_ / "joined.mp4.chunks";
    const fs::path middle = chunks / "chunk-00000096-00000106.mp4";
    ASSERT_TRUE(fs::exists(middle));
    fs::remove(middle);
    fs::remove(folder_ / "joined.mp4");
    const ProcessResult holey = run(farm("--join-only --out joined.mp4 --keep-chunks"));
    EXPECT_EQ(holey.exitCode, 1) << holey.out;
    EXPECT_EQ(linesWith(holey.out, "cannot join").size(), 1u) << holey.out;
    EXPECT_NE(holey.out.find("chunk-00000096-00000106 (frames 96:106) is missing"), std::string::npos) << holey.out;
    EXPECT_FALSE(fs::exists(folder_ / "joined.mp4"));

    // A rerun renders only the missing piece and keeps the others as they were.
    struct stat before {};
    ASSERT_EQ(::stat((chunks / "chunk-00000086-00000096.mp4").c_str(), &before), 0);
    const ProcessResult resumed = run(farm("-j 2 --out joined.mp4"));
    ASSERT_EQ(resumed.exitCode, 0) << resumed.out;
    EXPECT_NE(resumed.out.find("2 already done, 1 to render"), std::string::npos) << resumed.out;
    EXPECT_EQ(linesWith(resumed.out, " done on host ").size(), 1u) << resumed.out;
    EXPECT_EQ(decodedFrames(folder_ / "joined.mp4"), frames);
    EXPECT_FALSE(fs::exists(chunks)) << "the pieces go once joined";
}

TEST_F(CaptureFarm, AFailedPieceIsNamedWithItsHostAndRetried) {
    // A program that fails the piece 96:106 on its first try only.
    const fs::path flaky = folder_ / "flaky-tolmero";
    std::ofstream(flaky) << "#!/bin/sh\n"
                            "case \" $* \" in *' --frames 96:106 '*)\n"
                            "  if [ ! -e '" + (folder_ / "tried").string() + "' ]; then\n"
                            "    touch '" + (folder_ / "tried").string() + "'; echo 'no device on this host' >&2; exit 1\n"
                            "  fi;;\n"
                            "esac\n"
                            "exec " + kTolmero + " \"$@\"\n";
    fs::permissions(flaky, fs::perms::owner_all);
    const std::string withFlaky = "--tolmero " + flaky.string();

    const ProcessResult failed = run(farm("-j 2 --retries 0 --out once.mp4 " + withFlaky));
    EXPECT_EQ(failed.exitCode, 1) << failed.out;
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const auto named = linesWith(failed.out, "failed on host " + std::string(host));
    ASSERT_EQ(named.size(), 1u) << failed.out;
    EXPECT_NE(named[0].find("chunk-00000096-00000106 (frames 96:106)"), std::string::npos) << failed.out;
    // ...and the final line names it as the piece that failed on every try.
    EXPECT_EQ(linesWith(failed.out, "1 of 3 pieces failed on every try: chunk-00000096-00000106").size(), 1u);
    EXPECT_EQ(linesWith(failed.out, "no device on this host").size(), 1u) << failed.out;
    EXPECT_FALSE(fs::exists(folder_ / "once.mp4"));

    // With a retry, the same command (the other pieces kept) finishes.
    fs::remove(folder_ / "tried");
    const ProcessResult retried = run(farm("-j 2 --retries 1 --out once.mp4 " + withFlaky));
    EXPECT_EQ(retried.exitCode, 0) << retried.out;
    EXPECT_NE(retried.out.find("2 already done, 1 to render"), std::string::npos) << retried.out;
    EXPECT_TRUE(fs::exists(folder_ / "once.mp4"));
    EXPECT_TRUE(fs::exists(folder_ / "tried")) << "the first try failed";
}

TEST_F(CaptureFarm, AnUnreachableHostIsNamed) {
    // An ssh that reaches no host: GNU Parallel's own probes and every piece fail.
    const fs::path ssh = folder_ / "no-ssh";
    std::ofstream(ssh) << "#!/bin/sh\necho 'ssh: connect to host: Connection refused' >&2\nexit 255\n";
    fs::permissions(ssh, fs::perms::owner_all);
    std::ofstream(folder_ / "hosts") << "1/render07\n";
    const ProcessResult failed =
        run("PARALLEL_SSH=" + quoted(ssh) + " " + farm("--sshloginfile hosts --retries 0 --out none.mp4"));
    EXPECT_EQ(failed.exitCode, 1) << failed.out;
    EXPECT_EQ(linesWith(failed.out, "3 of 3 pieces failed on every try: chunk-00000086-00000096 (host render07)").size(),
              1u)
        << failed.out;
    EXPECT_FALSE(fs::exists(folder_ / "none.mp4"));
}

}  // namespace
}  // namespace splitcapturetest
