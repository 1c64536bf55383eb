// `tolmero capture` and `tolmero bench --scene` run as programs, with the
// validation layers on: the video's frames, size, rate and sound as ffprobe
// and ffmpeg read them back, identical frames from two runs, the frame of a
// beat equal to the still of that beat, Ctrl-C finishing a playable file, and
// the refusals before anything is rendered.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <spng.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "audio/FlacStream.h"

extern char** environ;

namespace capturetest {
namespace {

namespace fs = std::filesystem;

const std::string kTolmero = std::string(TOLMERO_BUILD_DIR) + "/tolmero";
const std::string kTrack = std::string(TOLMERO_BUILD_DIR) + "/track.flac";

struct ProcessResult {
    int exitCode;
    std::string out;
};

// Runs a shell command line; standard output (and standard error when
// `withErrors`) come back.
ProcessResult run(const std::string& command, bool withErrors = true) {
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

ProcessResult runTolmero(const std::string& arguments, const std::string& prefix = "") {
    return run(prefix + " " + kTolmero + " " + arguments);
}

std::vector<char> readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

// ffprobe's view of each stream: field name to value, streams in file order.
std::vector<std::map<std::string, std::string>> probeStreams(const fs::path& video) {
    const ProcessResult probe =
        run("ffprobe -v error -count_frames -show_entries "
            "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames,start_time,duration,pix_fmt "
            "-of flat '" + video.string() + "'", false);
    std::vector<std::map<std::string, std::string>> streams;
    const std::regex line("streams\\.stream\\.([0-9]+)\\.([a-z_]+)=\"?([^\"\\n]*)\"?");
    for (std::sregex_iterator it(probe.out.begin(), probe.out.end(), line), end; it != end; ++it) {
        const std::size_t index = std::stoul((*it)[1]);
        if (streams.size() <= index) streams.resize(index + 1);
        streams[index][(*it)[2]] = (*it)[3];
    }
    return streams;
}

const std::map<std::string, std::string>* streamOf(const std::vector<std::map<std::string, std::string>>& streams,
                                                   const std::string& type) {
    for (const auto& stream : streams)
        if (stream.count("codec_type") && stream.at("codec_type") == type) return &stream;
    return nullptr;
}

// The video's sound as mono float samples at the music's rate, from the
// picture's time 0 on, as a player presents it (the encoder's priming samples
// carry negative time stamps and are not heard).
std::vector<float> decodedSound(const fs::path& video, unsigned rate) {
    const fs::path raw = fs::temp_directory_path() / "tolmero-capture-test-sound.f32";
    const ProcessResult decoded = run("ffmpeg -v error -y -copyts -i '" + video.string() +
                                      "' -map 0:a:0 -af atrim=start=0 -ac 1 -ar " +
                                      std::to_string(rate) + " -f f32le '" + raw.string() + "'");
    EXPECT_EQ(decoded.exitCode, 0) << decoded.out;
    const std::vector<char> bytes = readFile(raw);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    fs::remove(raw);
    return samples;
}

// `count` mono samples of the music from sample `first`.
std::vector<float> musicSamples(FlacStream& music, std::uint64_t first, std::size_t count) {
    std::vector<float> stereo(2 * 4096);
    std::uint64_t position = 0;
    std::vector<float> mono;
    while (mono.size() < count) {
        const std::size_t n = music.read(stereo.data(), 4096);
        if (n == 0) break;
        for (std::size_t i = 0; i < n && mono.size() < count; ++i, ++position)
            if (position >= first) mono.push_back((stereo[2 * i] + stereo[2 * i + 1]) / 2.0f);
    }
    return mono;
}

std::vector<unsigned char> decodePng(const fs::path& path, std::uint32_t& width, std::uint32_t& height) {
    const std::vector<char> png = readFile(path);
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(ctx.get(), png.data(), png.size());
    spng_ihdr header{};
    if (spng_get_ihdr(ctx.get(), &header) != 0) return {};
    width = header.width;
    height = header.height;
    std::size_t size = 0;
    spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size);
    std::vector<unsigned char> pixels(size);
    if (spng_decode_image(ctx.get(), pixels.data(), size, SPNG_FMT_RGBA8, 0) != 0) return {};
    return pixels;
}

bool mentionsValidation(const std::string& out) { return out.find("Vulkan validation") != std::string::npos; }

class CaptureCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tolmero-capture-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    // Stops a capture with `signal` after three frames; it must finish a
    // playable file and end with `exitCode`.
    void stopCaptureWith(int signal, int exitCode);
    fs::path folder_;
};

constexpr std::size_t kFrameBytes = 64 * 36 * 4;
const std::string kShortRange = "--from 10 --to 10.35 --fps 30 --resolution 64x36 --samples 1x1";

TEST_F(CaptureCommand, ShortCaptureHasItsFramesRateAndTheMusicOfItsBeats) {
    ASSERT_TRUE(fs::exists(kTrack)) << "the build composes the music first";
    const fs::path video = folder_ / "short.mp4";
    const fs::path raw = folder_ / "short.rgba";
    const ProcessResult capture =
        runTolmero("capture --out '" + video.string() + "' " + kShortRange,
                   "TOLMERO_CAPTURE_RAW_FRAMES='" + raw.string() + "'");
    ASSERT_EQ(capture.exitCode, 0) << capture.out;
    EXPECT_FALSE(mentionsValidation(capture.out)) << capture.out;

    // The progress bar redraws in place and ends complete; the profiler's
    // per-frame report does not scroll it away.
    EXPECT_NE(capture.out.find("\r[####################] 6/6 100%"), std::string::npos) << capture.out;
    EXPECT_NE(capture.out.find("frames/s"), std::string::npos);
    EXPECT_EQ(capture.out.find("Total "), std::string::npos) << capture.out;
    EXPECT_NE(capture.out.find("wrote 6 of 6 frames"), std::string::npos) << capture.out;
    EXPECT_EQ(fs::file_size(raw), 6 * kFrameBytes);

    const auto streams = probeStreams(video);
    const auto* picture = streamOf(streams, "video");
    const auto* sound = streamOf(streams, "audio");
    ASSERT_TRUE(picture && sound) << streams.size() << " streams";
    EXPECT_EQ(picture->at("codec_name"), "h264");
    EXPECT_EQ(picture->at("width"), "64");
    EXPECT_EQ(picture->at("height"), "36");
    EXPECT_EQ(picture->at("pix_fmt"), "yuv420p");
    EXPECT_EQ(picture->at("r_frame_rate"), "30/1");
    EXPECT_EQ(picture->at("nb_read_frames"), "6");
    EXPECT_NEAR(std::stod(picture->at("duration")), 0.2, 1e-6);
    EXPECT_EQ(sound->at("codec_name"), "aac");
    // Sound and picture start together and last as long, within the AAC
    // encoder's priming of 1024 samples, which is stamped before the picture's
    // first frame.
    const double primingSeconds = 1024.0 / 44100.0;
    EXPECT_DOUBLE_EQ(std::stod(picture->at("start_time")), 0.0);
    EXPECT_LE(std::stod(sound->at("start_time")), 0.0);
    EXPECT_GE(std::stod(sound->at("start_time")), -primingSeconds - 1e-3);
    EXPECT_NEAR(std::stod(sound->at("duration")), 0.2, 2 * primingSeconds);

    // The sound is the music from beat 10 (5.714 s): find the offset at which
    // the decoded sound matches the music best; it must be (almost) none.
    FlacStream music;
    ASSERT_TRUE(music.open(kTrack));
    const unsigned rate = music.info().sampleRate;
    const std::vector<float> heard = decodedSound(video, rate);
    ASSERT_GT(heard.size(), rate / 6) << "about 0.2 s of sound";
    const int maxLag = static_cast<int>(rate / 100);  // 10 ms either way
    const std::uint64_t start = static_cast<std::uint64_t>(std::llround(10.0 * 60.0 / 105.0 * rate));
    const std::size_t compared = heard.size() - 2048;  // the encoder's last frame fades
    const std::vector<float> reference = musicSamples(music, start - maxLag, compared + 2 * maxLag);
    ASSERT_EQ(reference.size(), compared + 2 * maxLag);
    double heardEnergy = 0.0;
    for (std::size_t i = 0; i < compared; ++i) heardEnergy += heard[i] * heard[i];
    ASSERT_GT(heardEnergy / compared, 1e-6) << "the music is audible at beat 10";
    int bestLag = 0;
    double best = -1.0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double dot = 0.0, energy = 0.0;
        for (std::size_t i = 0; i < compared; ++i) {
            const float r = reference[i + maxLag + lag];
            dot += heard[i] * r;
            energy += r * r;
        }
        const double correlation = dot / std::sqrt(heardEnergy * energy);
        if (correlation > best) best = correlation;
        if (correlation == best) bestLag = lag;
    }
    EXPECT_LE(std::abs(bestLag), 2) << "the sound is " << bestLag << " samples off the picture";
    EXPECT_GT(best, 0.9) << "the sound is the music";
}

TEST_F(CaptureCommand, FramesAreTheStillsOfTheirBeatsAndRepeatExactly) {
    // Twice the same range: the second by a copy of the program in a folder
    // without the music (neither there nor beside the program), which gives
    // a silent video with a warning and the very same frames.
    const fs::path firstRaw = folder_ / "first.rgba";
    const fs::path secondRaw = folder_ / "second.rgba";
    const ProcessResult first =
        runTolmero("capture --out '" + (folder_ / "first.mp4").string() + "' " + kShortRange,
                   "TOLMERO_CAPTURE_RAW_FRAMES='" + firstRaw.string() + "'");
    ASSERT_EQ(first.exitCode, 0) << first.out;
    fs::copy_file(kTolmero, folder_ / "tolmero");
    const ProcessResult second =
        run("cd '" + folder_.string() + "' && TOLMERO_CAPTURE_RAW_FRAMES='" + secondRaw.string() +
            "' ./tolmero capture --out second.mp4 " + kShortRange);
    ASSERT_EQ(second.exitCode, 0) << second.out;
    EXPECT_NE(second.out.find("no music: track.flac is neither in the working directory nor beside the program; the "
                              "clock runs silent; the video will have no sound"),
              std::string::npos)
        << second.out;
    const std::vector<char> frames = readFile(firstRaw);
    ASSERT_EQ(frames.size(), 6 * kFrameBytes);
    EXPECT_TRUE(frames == readFile(secondRaw)) << "two captures of one range give identical frames";
    const auto streams = probeStreams(folder_ / "second.mp4");
    EXPECT_EQ(streamOf(streams, "audio"), nullptr);
    ASSERT_NE(streamOf(streams, "video"), nullptr);
    EXPECT_EQ(streamOf(streams, "video")->at("nb_read_frames"), "6");

    // The first frame is the still of beat 10, colour byte for colour byte
    // (a still is opaque; the raw frames keep the back buffer's alpha).
    const fs::path still = folder_ / "still.png";
    const ProcessResult render =
        runTolmero("render --beat 10 --resolution 64x36 --samples 1x1 --out '" + still.string() + "'");
    ASSERT_EQ(render.exitCode, 0) << render.out;
    std::uint32_t width = 0, height = 0;
    const std::vector<unsigned char> pixels = decodePng(still, width, height);
    ASSERT_EQ(pixels.size(), kFrameBytes);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < kFrameBytes; ++i)
        if (i % 4 != 3 && pixels[i] != static_cast<unsigned char>(frames[i])) ++differing;
    EXPECT_EQ(differing, 0u);
    // ...and the next frames move on: the camera flies.
    EXPECT_FALSE(std::equal(frames.begin(), frames.begin() + kFrameBytes, frames.end() - kFrameBytes));
}

TEST_F(CaptureCommand, CtrlCAndSigtermFinishAPlayableFileOfTheFramesCaptured) {
    for (const auto& [signal, exitCode] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        stopCaptureWith(signal, exitCode);
    }
}

void CaptureCommand::stopCaptureWith(int signal, int exitCode) {
    const fs::path video = folder_ / "stopped.mp4";
    const fs::path log = folder_ / "stopped.log";
    // The program in a process group of its own, signalled as a terminal
    // signals its foreground group.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const std::vector<std::string> args = {kTolmero, "capture", "--out", video.string(), "--from", "10", "--to",
                                           "20", "--fps", "30", "--resolution", "64x36", "--samples", "1x1"};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, kTolmero.c_str(), &actions, &attributes, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    // Whatever fails below, the program does not outlive the test.
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
                ::killpg(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } reaper{pid};

    // Beats 10 to 20 at 30 fps: 10 x 60 / 105 x 30 = 171.4, so 172 frames.
    // Wait until three are done, then Ctrl-C.
    const std::regex progress("\\] ([0-9]+)/172");
    bool started = false;
    for (int tries = 0; tries < 1200 && !started; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::vector<char> bytes = readFile(log);
        const std::string text(bytes.begin(), bytes.end());
        for (std::sregex_iterator it(text.begin(), text.end(), progress), end; it != end; ++it)
            started = started || std::stoi((*it)[1]) >= 3;
    }
    ASSERT_TRUE(started) << "no progress within two minutes";
    ::killpg(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    reaper.pid = -1;
    const std::vector<char> bytes = readFile(log);
    const std::string out(bytes.begin(), bytes.end());
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), exitCode) << out;
    EXPECT_NE(out.find("interrupted"), std::string::npos) << out;

    const auto streams = probeStreams(video);
    const auto* picture = streamOf(streams, "video");
    const auto* sound = streamOf(streams, "audio");
    ASSERT_TRUE(picture && sound) << out;
    const int frames = std::stoi(picture->at("nb_read_frames"));
    EXPECT_GE(frames, 3);
    EXPECT_LT(frames, 172);
    EXPECT_NE(out.find("wrote " + std::to_string(frames) + " of 172 frames"), std::string::npos) << out;
    // The sound ends with the last frame, not with the planned range.
    EXPECT_NEAR(std::stod(sound->at("duration")), frames / 30.0, 0.05);
    const ProcessResult decode = run("ffmpeg -v error -i '" + video.string() + "' -f null -");
    EXPECT_EQ(decode.exitCode, 0) << decode.out;
    EXPECT_EQ(decode.out, "") << "the whole file decodes without complaint";
}

TEST_F(CaptureCommand, RefusesBadInputBeforeRendering) {
    const std::string out = (folder_ / "never.mp4").string();
    struct Case {
        std::string arguments;
        std::string prefix;
        int exitCode;
        std::string says;
    };
    const std::string small = " --resolution 64x36 --samples 1x1";
    for (const Case& bad : std::vector<Case>{
             {"capture --out " + out + " --fps 0" + small, "", 2, "frame rate"},
             {"capture --out " + out + " --fps -30" + small, "", 2, "frame rate"},
             {"capture --out " + out + " --from 20 --to 10" + small, "", 2, "empty"},
             {"capture --out " + out + " --from -3 --to 10" + small, "", 2, "outside"},
             {"capture --out " + out + " --from 500 --to 600" + small, "", 2, "outside"},
             {"capture --out " + out + " --music /nonexistent.flac" + small, "", 2, "does not exist"},
             {"capture --out " + out + " --music " + kTolmero + small, "", 2, "cannot be played"},
             {"render --beat 1e30 --out " + out + small, "", 2, "outside the production"},
             {"render --beat 5000 --out " + out + small, "", 2, "outside the production"},
             {"render --beat nan --out " + out + small, "", 2, "invalid beat"},
             {"render --beat 10 --out /nonexistent-folder/x.png" + small, "", 1, "cannot write"},
             {"render --beat 10 --out " + folder_.string() + small, "", 1, "folder"},
             {"bench --beat 1e9" + small, "", 2, "outside the production"},
             {"bench --beat -100" + small, "", 2, "outside the production"},
             {"dump-randoms --out /nonexistent-folder/x.f32", "", 1, "cannot write"},
             {"capture --out " + out + " --to 1000" + small, "", 2, "outside"},
             {"capture --out " + out + " --from ten" + small, "", 2, "invalid beat"},
             {"capture --out " + out + " --crf 52" + small, "", 2, "crf"},
             {"capture --out " + out + " --resolution 65x36 --samples 1x1", "", 2, "even"},
             {"capture --out " + out + " --resolution 0x36", "", 2, "resolution"},
             {"capture --out /nonexistent-folder/x.mp4" + small, "", 1, "cannot write"},
             {"capture --out " + folder_.string() + small, "", 1, "folder"},
             {"capture --out " + out + small, "PATH=/nonexistent", 1, "ffmpeg"},
             {"bench --scene 4", "", 2, "scene"},
             {"bench --scene 1 --beat 30", "", 2, "excludes"},
         }) {
        const ProcessResult run = runTolmero(bad.arguments, bad.prefix);
        EXPECT_EQ(run.exitCode, bad.exitCode) << bad.arguments << ": " << run.out;
        EXPECT_EQ(lineCount(run.out), 1) << bad.arguments << ": " << run.out;
        EXPECT_NE(run.out.find(bad.says), std::string::npos) << bad.arguments << ": " << run.out;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CaptureCommand, AFullDiskEndsWithAClearMessageAndAPlayableFile) {
    // The file size limit stands in for a full disk: ffmpeg dies on the write
    // that passes it, half way through a fragment. Lossless frames at ten a
    // second fill a fragment of a second in about 110 KB.
    const fs::path video = folder_ / "full.mp4";
    const ProcessResult capture =
        runTolmero("capture --out '" + video.string() +
                       "' --from 10 --to 40 --fps 10 --crf 0 --resolution 160x90 --samples 1x1",
                   "MESA_SHADER_CACHE_DISABLE=true prlimit --fsize=250000");
    EXPECT_EQ(capture.exitCode, 1) << capture.out;
    EXPECT_NE(capture.out.find("ffmpeg stopped taking frames"), std::string::npos) << capture.out;
    EXPECT_NE(capture.out.find("File size limit exceeded"), std::string::npos) << capture.out;
    EXPECT_NE(capture.out.find("whole fragments (of at most a second each) encoded before, and plays"),
              std::string::npos)
        << capture.out;
    const auto streams = probeStreams(video);
    const auto* picture = streamOf(streams, "video");
    ASSERT_NE(picture, nullptr) << capture.out;
    EXPECT_GE(std::stoi(picture->at("nb_read_frames")), 10);
    const ProcessResult decode = run("ffmpeg -v error -i '" + video.string() + "' -f null -");
    EXPECT_EQ(decode.exitCode, 0) << decode.out;
    EXPECT_EQ(decode.out, "") << "what is left decodes without complaint";
}

TEST(BenchCommand, SceneJsonHasTheDocumentedShapeAndThatScenesPasses) {
    const ProcessResult bench = runTolmero("bench --scene 2 --frames 2 --resolution 64x36 --samples 1x1 --json");
    ASSERT_EQ(bench.exitCode, 0) << bench.out;
    EXPECT_FALSE(mentionsValidation(bench.out)) << bench.out;
    // The object is the one line that starts with '{'.
    std::string json;
    for (std::size_t start = 0; start < bench.out.size();) {
        const std::size_t end = bench.out.find('\n', start);
        const std::string line = bench.out.substr(start, end - start);
        if (!line.empty() && line.front() == '{') json = line;
        start = end == std::string::npos ? bench.out.size() : end + 1;
    }
    ASSERT_FALSE(json.empty()) << bench.out;
    const std::string number = "-?[0-9.eE+-]+";
    const std::string spread = "\\{\"median\":" + number + ",\"p90\":" + number + "\\}";
    const std::regex shape("\\{\"device\":\"[^\"]+\",\"frames\":2,\"cpuFrameMs\":" + spread + ",\"endFrameMs\":" + spread +
                           ",\"sections\":\\{(\"[^\"]+\":" + spread + ",?)+\\},\"vulkanCreationsPerFrame\":\\{.*\\}\\}");
    EXPECT_TRUE(std::regex_match(json, shape)) << json;
    // Scene 2 is the landscape alone: terrain and sprites, no scene passes.
    for (const char* section : {"\"terrain\":", "\"sprites\":", "\"bloom\":"})
        EXPECT_NE(json.find(section), std::string::npos) << section << " in " << json;
    for (const char* section : {"\"water\":", "\"machines\":", "\"stump\":", "\"draw particles\":"})
        EXPECT_EQ(json.find(section), std::string::npos) << section << " in " << json;
}

}  // namespace
}  // namespace capturetest
