// scripts/check-layers.sh run on small trees written for each case: the
// dependencies it must report (one line each, with the file, the line and the
// two folders) and the ones it must let through.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct CheckResult {
    int exitCode = -1;
    std::string out;  // standard output: the reported lines
};

CheckResult checkLayers(const fs::path& root) {
    const std::string command =
        std::string("'") + TOLMERO_SOURCE_DIR + "/scripts/check-layers.sh' '" + root.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    CheckResult result;
    std::array<char, 4096> buffer;
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// A scratch tree with a layers file: `low` at the bottom, `peer` beside it,
// `mid` above both, `top` and its sub-folder `top/tool` above that.
class LayerCheck : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("tolmero_layers_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        write("scripts/layers.txt",
              "# lowest first\n"
              "low peer\n"
              "\n"
              "mid   # comment\n"
              "top\n"
              "top/tool\n");
        write("low/Low.h", "#pragma once\n");
        write("peer/Peer.h", "#pragma once\n");
        write("mid/Mid.h", "#pragma once\n#include \"low/Low.h\"\n");
        write("top/Top.cpp", "#include \"mid/Mid.h\"\n#include \"low/Low.h\"\n#include <vector>\n");
        write("top/tool/Tool.cpp", "#include \"top/Top.h\"\n");
        write("top/Top.h", "#pragma once\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }

    fs::path root_;
};

TEST_F(LayerCheck, LetsDependenciesDownTheLayersThrough) {
    write("mid/CMakeLists.txt",
          "add_library(mid_lib STATIC Mid.cpp)\n"
          "target_link_libraries(mid_lib PUBLIC low_lib PRIVATE Threads::Threads)\n");
    write("low/CMakeLists.txt", "add_library(low_lib STATIC Low.cpp)\n");
    write("top/tool/CMakeLists.txt",
          "add_executable(tool Tool.cpp ${CMAKE_SOURCE_DIR}/top/Top.cpp ../Top.cpp)\n"
          "target_link_libraries(tool PRIVATE mid_lib)\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "");
}

TEST_F(LayerCheck, ReportsIncludesUpwardsAndBetweenPeers) {
    write("low/Low.cpp", "#include \"low/Low.h\"\n\n#include \"mid/Mid.h\"\n");
    write("peer/Peer.cpp", "#include \"low/Low.h\"\n");
    write("top/Top.h", "#pragma once\n#  include \"top/tool/Tool.h\"\n");
    write("top/tool/Tool.h", "#pragma once\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "low/Low.cpp:3: low -> mid (#include \"mid/Mid.h\")\n"
              "peer/Peer.cpp:1: peer -> low (#include \"low/Low.h\")\n"
              "top/Top.h:2: top -> top/tool (#include \"top/tool/Tool.h\")\n");
}

TEST_F(LayerCheck, LooksAnIncludeUpBesideTheFileFirst) {
    // "mid/Mid.h" from top/tool/ is top/tool/mid/Mid.h, a file of the tool's own;
    // "peer/Peer.h" from low/ is low/peer/Peer.h only if that exists.
    write("top/tool/mid/Mid.h", "#pragma once\n");
    write("top/tool/Use.cpp", "#include \"mid/Mid.h\"\n");
    write("low/Use.cpp", "#include \"peer/Peer.h\"\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.out, "low/Use.cpp:1: low -> peer (#include \"peer/Peer.h\")\n");
}

TEST_F(LayerCheck, ReportsLinksAndSourcesUpwards) {
    write("low/CMakeLists.txt",
          "# target_link_libraries(low_lib PUBLIC mid_lib) in a comment is no link\n"
          "add_library(low_lib STATIC Low.cpp\n"
          "  ${CMAKE_SOURCE_DIR}/mid/Mid.cpp)\n"
          "target_link_libraries(low_lib\n"
          "  PUBLIC peer_lib\n"
          "  PRIVATE \"mid_lib\")\n"
          "target_sources(low_lib PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../top/Top.cpp)\n");
    write("peer/CMakeLists.txt", "add_library(peer_lib STATIC Peer.cpp)\n");
    write("mid/CMakeLists.txt", "add_library(mid_lib STATIC Mid.cpp)\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "low/CMakeLists.txt:3: low -> mid (${CMAKE_SOURCE_DIR}/mid/Mid.cpp)\n"
              "low/CMakeLists.txt:5: low -> peer (low_lib links peer_lib)\n"
              "low/CMakeLists.txt:6: low -> mid (low_lib links mid_lib)\n"
              "low/CMakeLists.txt:7: low -> top (${CMAKE_CURRENT_SOURCE_DIR}/../top/Top.cpp)\n");
}

TEST_F(LayerCheck, ALinkCountsForTheFolderThatDefinesTheTarget) {
    // The tool's target is defined in top/tool/ but linked from top/: still the
    // tool's link, so it may reach down to mid; top's own library may not link the tool.
    write("top/tool/CMakeLists.txt", "add_executable(tool Tool.cpp)\n");
    write("top/CMakeLists.txt",
          "add_library(top_lib STATIC Top.cpp)\n"
          "add_subdirectory(tool)\n"
          "target_link_libraries(tool PRIVATE top_lib)\n"
          "target_link_libraries(top_lib PRIVATE tool)\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.out, "top/CMakeLists.txt:4: top -> top/tool (top_lib links tool)\n");
}

TEST_F(LayerCheck, ReportsFoldersOutsideTheLayersAndLayersWithoutFolders) {
    write("extra/Extra.cpp", "#include \"low/Low.h\"\n");
    write("docs/notes.md", "no sources here\n");
    write("scripts/layers.txt", "low peer\nmid\ntop\ntop/tool\ngone\nmid\n");
    const CheckResult result = checkLayers(root_);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "extra/Extra.cpp: folder 'extra' has no layer in scripts/layers.txt\n"
              "scripts/layers.txt:5: no folder 'gone'\n"
              "scripts/layers.txt:6: 'mid' is already on line 2\n");
}

TEST(LayerCheckOfTheSources, EveryDependencyRunsDownTheLayers) {
    const CheckResult result = checkLayers(TOLMERO_SOURCE_DIR);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "");
}

}  // namespace
