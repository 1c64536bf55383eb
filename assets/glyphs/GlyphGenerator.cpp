// Writes the 127 glyph bitmaps as "<out>/cache/fonts/<family> <glyph name> 64 4096.png",
// and on request a contact sheet of all of them with their measured boxes.
//
//   tolmero_glyph_generator --out DIR [--contact-sheet FILE.png]
//
// Fails (exit status 1) when a glyph's ink leaves its measured box, since the
// text renderer would then cut the glyph off.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/glyphs/GlyphImages.h"
#include "text/FontMeasure.h"
#include "text/GlyphTable.h"

namespace fs = std::filesystem;
using namespace tolmero;

namespace {

// Writes bytes unless the file already holds exactly them, so that unchanged
// images keep their time stamps and nothing downstream rebuilds.
void writeIfChanged(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            if (old == bytes) return;
        }
    }
    fs::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

// 16 x 8 grid of the bitmaps at twice their size on a dark grey ground, each
// with its measured box as a thin frame (cyan for text, orange for emoji).
std::vector<std::uint8_t> contactSheet(const std::vector<GreyImage>& images, const GlyphTable& table) {
    constexpr int columns = 16, rows = 8, scale = 2, gap = 6;
    constexpr int tile = kGlyphImageSize * scale;
    constexpr int width = columns * tile + (columns + 1) * gap;
    constexpr int height = rows * tile + (rows + 1) * gap;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3, 48);
    auto put = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        p[0] = r, p[1] = g, p[2] = b;
    };
    const auto& glyphs = glyphList();
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const int ox = gap + (slice % columns) * (tile + gap);
        const int oy = gap + (slice / columns) * (tile + gap);
        for (int y = 0; y < tile; ++y)
            for (int x = 0; x < tile; ++x) {
                std::uint8_t v = images[slice].at(x / scale, y / scale);
                put(ox + x, oy + y, v, v, v);
            }
        const GlyphInfo& info = table.at(glyphs[slice]);
        const bool emoji = isEmojiSlice(slice);
        const std::uint8_t r = emoji ? 255 : 0, g = emoji ? 150 : 200, b = emoji ? 0 : 255;
        const int x0 = std::clamp(static_cast<int>(info.left * tile), 0, tile - 1);
        const int x1 = std::clamp(static_cast<int>(info.right * tile + 0.5f) - 1, 0, tile - 1);
        for (int y = 0; y < tile; ++y) put(ox + x0, oy + y, r, g, b), put(ox + x1, oy + y, r, g, b);
        for (int x = x0; x <= x1; ++x) put(ox + x, oy, r, g, b), put(ox + x, oy + tile - 1, r, g, b);
    }
    return encodeRgbPng(width, height, rgb);
}

int run(int argc, char** argv) {
    fs::path outDir, sheet;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--out" || arg == "--contact-sheet") && i + 1 < argc) {
            (arg == "--out" ? outDir : sheet) = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s --out DIR [--contact-sheet FILE.png]\n", argv[0]);
            return 2;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: %s --out DIR [--contact-sheet FILE.png]\n", argv[0]);
        return 2;
    }

    FontMeasure measure;
    for (std::string_view family : {kTextFontFamily, kEmojiFontFamily}) {
        const ResolvedFont& font = measure.resolve(family);
        if (font.file.empty()) {
            std::fprintf(stderr, "no font found for \"%s\"\n", font.requestedFamily.c_str());
            return 1;
        }
        if (font.fallback)
            std::fprintf(stderr, "warning: \"%s\" is not installed; using %s (%s)\n",
                         font.requestedFamily.c_str(), font.family.c_str(), font.file.c_str());
    }

    const GlyphTable table = buildGlyphTable(measure);
    const auto& glyphs = glyphList();
    fs::create_directories(outDir / "cache" / "fonts");
    std::vector<GreyImage> images;
    int failures = 0;
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::string_view family = glyphFamily(slice);
        GreyImage image = renderGlyphImage(measure, slice, family);
        const InkSpan ink = inkColumns(image);
        const InkSpan box = boxColumns(table.at(glyphs[slice]), kGlyphImageSize);
        const std::string name = glyphFileName(slice);
        if (ink.end == 0 || ink.begin < box.begin || ink.end > box.end) {
            std::fprintf(stderr, "%s: ink in columns [%d, %d) outside its box [%d, %d)\n",
                         name.c_str(), ink.begin, ink.end, box.begin, box.end);
            ++failures;
        }
        writeIfChanged(outDir / name, encodeGreyAsRgbPng(image));
        images.push_back(std::move(image));
    }
    if (!sheet.empty()) {
        if (sheet.has_parent_path()) fs::create_directories(sheet.parent_path());
        writeIfChanged(sheet, contactSheet(images, table));
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "glyph generator: %s\n", e.what());
        return 1;
    }
}
