// Runs build/tolmero as a user would, on the X display of the test (Xvfb):
// the setup dialog, the production's window, Escape and the end of the music.
// Every wait is bounded, and a program that outlives its test is killed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Output of a shell command (xdotool, sox), trimmed of its last newline.
std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 512> buffer;
        while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// A working folder with a music file of the given length (a quiet tone).
fs::path workingFolder(const std::string& name, double musicSeconds) {
    const fs::path folder = fs::temp_directory_path() / ("tolmero-e2e-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string command = "sox -n -r 44100 -c 2 -b 16 '" + (folder / "track.flac").string() +
                                "' synth " + std::to_string(musicSeconds) + " sine 220 vol 0.1 2>&1";
    shell(command);
    return folder;
}

const fs::path kBuiltProgram = fs::path(TOLMERO_BUILD_DIR) / "tolmero";

// A copy of the program in `folder`, away from the build's track.flac.
fs::path copyOfProgram(const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(kBuiltProgram, folder / "tolmero", fs::copy_options::overwrite_existing);
    return folder / "tolmero";
}

class Program {
public:
    Program(const fs::path& folder, std::vector<std::string> arguments, const fs::path& program = kBuiltProgram)
        : folder_(folder) {
        std::vector<std::string> argv{program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (auto& argument : argv) pointers.push_back(argument.data());
        pointers.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (folder / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, (folder / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        const fs::path previous = fs::current_path();
        fs::current_path(folder);  // "track.flac" is read from the working folder
        posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
        fs::current_path(previous);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~Program() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void signal(int number) { kill(pid_, number); }

    // Waits up to `limit` for the program to end; its exit code, or -1.
    int waitForExit(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(100ms);
        }
        return -1;
    }

    std::string out() const { return readFile(folder_ / "stdout.txt"); }
    std::string err() const { return readFile(folder_ / "stderr.txt"); }

private:
    fs::path folder_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

// The X window id of the visible window with exactly this title, waiting up
// to `seconds`; empty if none appeared.
std::string findWindow(const std::string& title, int seconds) {
    for (int tries = 0; tries < seconds * 5; ++tries) {
        const std::string id = shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null | head -n 1");
        if (!id.empty()) return id;
        std::this_thread::sleep_for(200ms);
    }
    return "";
}

void keys(const std::string& window, const std::string& sequence) {
    shell("xdotool windowfocus --sync " + window + " key --delay 50 " + sequence);
}

void type(const std::string& window, const std::string& text) {
    shell("xdotool windowfocus --sync " + window + " type --delay 50 '" + text + "'");
}

TEST(Program, EscapeInTheDialogExitsWithoutAWindow) {
    const fs::path folder = workingFolder("cancel", 2.0);
    Program program(folder, {});
    const std::string dialog = findWindow("QELM", 30);
    ASSERT_FALSE(dialog.empty()) << program.err();
    keys(dialog, "Escape");
    EXPECT_EQ(program.waitForExit(30s), 0) << program.err();
    EXPECT_EQ(program.err().find("tolmero: playing"), std::string::npos) << program.err();
    EXPECT_EQ(program.out(), "");  // the music was never opened
}

TEST(Program, EnterStartsFullScreenAtTheDialogDefaultsAndEscapeEndsTheRun) {
    const fs::path folder = workingFolder("defaults", 60.0);
    Program program(folder, {});
    const std::string dialog = findWindow("QELM", 30);
    ASSERT_FALSE(dialog.empty()) << program.err();
    keys(dialog, "Return");
    const std::string window = findWindow("Tolmero", 60);
    ASSERT_FALSE(window.empty()) << program.err();
    keys(window, "Escape");  // taken by the first message pump, after start-up
    EXPECT_EQ(program.waitForExit(300s), 0) << program.err();
    EXPECT_NE(program.err().find("tolmero: playing 1920x1080 full screen with 4x4 supersampling (render size 7680x4320)"),
              std::string::npos)
        << program.err();
    EXPECT_NE(program.out().find("Sound succesfully rendered!"), std::string::npos);
}

TEST(Program, TypedResolutionAndUncheckedBoxGiveAWindowOfThatSize) {
    const fs::path folder = workingFolder("typed", 60.0);
    Program program(folder, {});
    const std::string dialog = findWindow("QELM", 30);
    ASSERT_FALSE(dialog.empty()) << program.err();
    // The resolution field has the focus first: replace its text, then the
    // samples field, then clear the full-screen box.
    keys(dialog, "ctrl+a");
    type(dialog, "2560x1440");
    keys(dialog, "Tab Tab ctrl+a");
    type(dialog, "1x1");
    keys(dialog, "Tab Tab space Return");
    const std::string window = findWindow("Tolmero", 60);
    ASSERT_FALSE(window.empty()) << program.err();
    const std::string geometry = shell("xdotool getwindowgeometry " + window);
    keys(window, "Escape");
    EXPECT_EQ(program.waitForExit(300s), 0) << program.err();
    EXPECT_NE(program.err().find("tolmero: playing 2560x1440 windowed with 1x1 supersampling"), std::string::npos)
        << program.err();
    EXPECT_NE(geometry.find("Geometry: 2560x1440"), std::string::npos) << geometry;
}

TEST(Program, AShortMusicFileEndsTheRunByItself) {
    const fs::path folder = workingFolder("short", 1.5);
    Program program(folder, {"play", "--resolution", "160x90", "--samples", "1x1"});
    EXPECT_EQ(program.waitForExit(300s), 0) << program.err();
    EXPECT_NE(program.out().find("Sound succesfully rendered!"), std::string::npos);
}

TEST(Program, EscapeDuringTheRunEndsIt) {
    const fs::path folder = workingFolder("escape", 120.0);
    Program program(folder, {"play", "--resolution", "160x90", "--samples", "1x1"});
    const std::string window = findWindow("Tolmero", 60);
    ASSERT_FALSE(window.empty()) << program.err();
    std::this_thread::sleep_for(20s);  // well into the frame loop
    keys(window, "Escape");
    EXPECT_EQ(program.waitForExit(120s), 0) << program.err();
}

TEST(Program, MissingMusicRunsOnASilentClockAndSaysSo) {
    // Neither the working folder nor the program's own folder holds the music.
    const fs::path folder = workingFolder("nomusic", 1.0);
    fs::remove(folder / "track.flac");
    const fs::path program = copyOfProgram(folder / "bin");
    Program run(folder, {"play", "--resolution", "160x90", "--samples", "1x1"}, program);
    const std::string window = findWindow("Tolmero", 60);
    ASSERT_FALSE(window.empty()) << run.err();
    keys(window, "Escape");
    EXPECT_EQ(run.waitForExit(120s), 0) << run.err();
    EXPECT_NE(run.out().find("mp3 rendering failed :("), std::string::npos) << run.out();
    EXPECT_NE(run.err().find("tolmero: no music: track.flac is neither in the working directory nor beside the "
                             "program; the clock runs silent"),
              std::string::npos)
        << run.err();
}

TEST(Program, MusicIsFoundBesideTheProgramOrWhereMusicNamesIt) {
    // Run from a folder without music: the short file beside the program plays
    // and ends the run.
    const fs::path folder = workingFolder("beside", 1.5);
    const fs::path program = copyOfProgram(folder / "bin");
    fs::rename(folder / "track.flac", folder / "bin" / "track.flac");
    Program beside(folder, {"play", "--resolution", "160x90", "--samples", "1x1"}, program);
    EXPECT_EQ(beside.waitForExit(300s), 0) << beside.err();
    EXPECT_NE(beside.err().find("tolmero: music: " + (folder / "bin" / "track.flac").string() + " (1.5 s)"),
              std::string::npos)
        << beside.err();

    // --music names another file, which wins over both.
    fs::copy_file(folder / "bin" / "track.flac", folder / "other.flac");
    Program named(folder, {"play", "--music", "other.flac", "--resolution", "160x90", "--samples", "1x1"});
    EXPECT_EQ(named.waitForExit(300s), 0) << named.err();
    EXPECT_NE(named.err().find("tolmero: music: " + (folder / "other.flac").string()), std::string::npos)
        << named.err();

    // A named file that is not music is refused before any window opens.
    Program refused(folder, {"play", "--music", "bin/tolmero"});
    EXPECT_EQ(refused.waitForExit(30s), 2) << refused.err();
    EXPECT_NE(refused.err().find("cannot be played"), std::string::npos) << refused.err();
}

TEST(Program, SigtermAndCtrlCEndTheRunAsEscapeDoes) {
    for (const int signal : {SIGTERM, SIGINT}) {
        const fs::path folder = workingFolder("signal" + std::to_string(signal), 120.0);
        Program program(folder, {"play", "--resolution", "160x90", "--samples", "1x1"});
        const std::string window = findWindow("Tolmero", 60);
        ASSERT_FALSE(window.empty()) << program.err();
        std::this_thread::sleep_for(5s);
        program.signal(signal);
        EXPECT_EQ(program.waitForExit(120s), 0) << "signal " << signal << ": " << program.err();
    }
}

}  // namespace
