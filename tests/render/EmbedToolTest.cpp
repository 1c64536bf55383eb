// Runs the embedding tool on a scratch folder, assembles its output into a
// shared object and reads the assets back through the symbols it defines.

#include "render/ResourceTable.h"
#include "render/ShaderContainer.h"
#include "tests/render/TestFiles.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

namespace tolmero {
namespace {

struct Record {
    std::uint32_t id;
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t size;
};

struct EmbeddedObject {
    void* handle = nullptr;
    const std::uint8_t* base = nullptr;
    const Record* records = nullptr;
    std::uint64_t count = 0;

    ~EmbeddedObject() {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    std::vector<std::uint8_t> bytesOf(std::uint32_t id) const {
        for (std::uint64_t i = 0; i < count; ++i) {
            if (records[i].id == id) {
                return {base + records[i].offset, base + records[i].offset + records[i].size};
            }
        }
        return {};
    }
};

class EmbedTool : public ::testing::Test {
protected:
    // The scratch path holds a quote, a backslash and blanks, which the
    // assembler strings have to escape.
    test::ScratchDir dir{"tolmero embed \"q\" \\ x"};
    std::filesystem::path shaders = dir.path() / "shaders";
    std::filesystem::path images = dir.path() / "assets";
    std::filesystem::path assembly = dir.path() / "out" / "Embedded.S";

    int embed() {
        return test::runProgram({TOLMERO_EMBED_TOOL, "--shaders", shaders.string(), "--images",
                                 images.string(), "--out", assembly.string()});
    }

    void load(EmbeddedObject& object) {
        const std::string library = (dir.path() / "embedded.so").string();
        ASSERT_EQ(test::runProgram({TOLMERO_C_COMPILER, "-shared", "-o", library, assembly.string()}), 0);
        object.handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(object.handle, nullptr) << dlerror();
        object.base = static_cast<const std::uint8_t*>(dlsym(object.handle, "tolmero_embedded_base"));
        object.records = static_cast<const Record*>(dlsym(object.handle, "tolmero_embedded_records"));
        const auto* count = static_cast<const std::uint64_t*>(dlsym(object.handle, "tolmero_embedded_record_count"));
        ASSERT_TRUE(object.base != nullptr && object.records != nullptr && count != nullptr);
        object.count = *count;
    }
};

TEST_F(EmbedTool, EmbedsTheTableAssetsThatExistUnderTheirIds) {
    const ResourceRegistry registry;
    const std::string glyph = "cache/fonts/Arial ' 64 4096.png";
    const std::string photo = "sprites/miljoo/maasto/vesi/vesi002.jpg";
    const std::vector<std::uint8_t> container = makeShaderContainer(std::vector<std::uint8_t>(52, 0x5A));
    std::filesystem::create_directories(shaders);
    std::ofstream(shaders / "BlitVertex.cso", std::ios::binary)
        .write(reinterpret_cast<const char*>(container.data()), static_cast<std::streamsize>(container.size()));
    test::writeText(images / glyph, "glyph bytes");
    test::writeText(images / photo, std::string("jpeg\0bytes", 10));
    test::writeText(images / "sprites/not-in-the-table.png", "ignored");
    test::writeText(shaders / "NotAProgram.cso", "ignored");

    ASSERT_EQ(embed(), 0);
    EmbeddedObject object;
    ASSERT_NO_FATAL_FAILURE(load(object));
    ASSERT_EQ(object.count, 3u);
    std::set<std::pair<std::uint32_t, std::uint32_t>> idsAndTypes;
    for (std::uint64_t i = 0; i < object.count; ++i) {
        idsAndTypes.emplace(object.records[i].id, object.records[i].type);
    }
    const std::set<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {303u, 256u},
        {static_cast<std::uint32_t>(registry.resourceId(glyph)), 257u},
        {static_cast<std::uint32_t>(registry.resourceId(photo)), 257u},
    };
    EXPECT_EQ(idsAndTypes, expected);
    EXPECT_EQ(object.bytesOf(303), container);
    EXPECT_EQ(object.bytesOf(static_cast<std::uint32_t>(registry.resourceId(glyph))),
              test::readBytes(images / glyph));
    EXPECT_EQ(object.bytesOf(static_cast<std::uint32_t>(registry.resourceId(photo))),
              test::readBytes(images / photo));
}

TEST_F(EmbedTool, LeavesAnUnchangedOutputUntouched) {
    test::writeText(images / "sprites/dither.png", "dither");
    ASSERT_EQ(embed(), 0);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(assembly, old);
    ASSERT_EQ(embed(), 0);
    EXPECT_EQ(std::filesystem::last_write_time(assembly), old);

    std::filesystem::remove(images / "sprites/dither.png");
    ASSERT_EQ(embed(), 0);
    EXPECT_NE(std::filesystem::last_write_time(assembly), old);
    EmbeddedObject object;
    ASSERT_NO_FATAL_FAILURE(load(object));
    EXPECT_EQ(object.count, 0u);
}

TEST_F(EmbedTool, RejectsAShaderContainerShorterThanItsHeader) {
    test::writeText(shaders / "SkyPixel.cso", "short");
    EXPECT_NE(embed(), 0);
}

}  // namespace
}  // namespace tolmero
