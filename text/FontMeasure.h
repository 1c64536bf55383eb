#pragma once
// Glyph measuring (and, for the asset generator, glyph rasterizing) with
// fontconfig and FreeType.
//
// Font families are resolved through fontconfig with two aliases of our own:
// "Arial" prefers the metric-compatible Liberation Sans and "Segoe UI Emoji"
// prefers Symbola, a monochrome outline emoji font. A family with no match
// (neither installed under that name nor one of our aliases) is replaced by
// fontconfig's generic sans-serif family.
//
// The layout model is one line of text at em size 2048 points (96 dpi, so
// 2730.67 layout units per em) in a 4096 x 4096 layout square with its origin
// at the top-left corner:
//   - the pen starts at x = kSideMargin, the baseline lies at the font's
//     ascent (OS/2 winAscent, else the hhea ascender) below the top;
//   - glyphs advance by their unhinted advance widths; no kerning;
//   - variation selectors and other zero-width format characters are skipped;
//   - the measured box is [0, kSideMargin + advances + kSideMargin], cut at
//     the layout square's edge. The two margins, 1/6 em on each side, stand
//     for the padding that a default string format adds for overhanging
//     glyphs. An outline that reaches past the right margin (Symbola's
//     sleeping face draws its "zzz" far beyond its advance) widens the box
//     to its right ink edge, so the text renderer never cuts a glyph off;
//   - the rasterizer uses the very same pen positions and outlines, so a
//     glyph image and its box always agree.

#include <cstdint>
#include <map>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "text/GlyphTable.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct _FcConfig;

namespace tolmero {

// A font family as fontconfig resolved it.
struct ResolvedFont {
    std::string requestedFamily;
    std::string family;         // family name of the font file in use
    std::string file;           // font file path; empty when no font could be found
    int faceIndex = 0;
    bool fallback = false;      // the requested family had no match: generic sans-serif
};

// A horizontal extent in layout units.
struct GlyphBox {
    float left = 0.0f;
    float right = 0.0f;
};

// One glyph placed on the line.
struct PlacedGlyph {
    char32_t codePoint = 0;
    unsigned glyphIndex = 0;  // 0 is the font's missing-glyph shape
    double penX = 0.0;        // layout units from the left edge
};

struct TextLine {
    FT_FaceRec_* face = nullptr;  // owned by the FontMeasure; null when no font was found
    double unitsPerEm = 0.0;
    double baseline = 0.0;        // layout units from the top edge
    std::vector<PlacedGlyph> glyphs;
    GlyphBox box;                 // the measured box
};

class FontMeasure {
public:
    static constexpr double kEmPoints = 2048.0;
    static constexpr double kDotsPerInch = 96.0;
    static constexpr double kEmSize = kEmPoints * kDotsPerInch / 72.0;  // layout units per em
    static constexpr double kSideMargin = kEmSize / 6.0;
    static constexpr double kLayoutSize = kGlyphLayoutSize;

    // Starts FreeType and a fontconfig configuration of our own (the system
    // configuration plus our aliases). Throws std::runtime_error when either
    // library cannot start.
    FontMeasure();
    ~FontMeasure();
    FontMeasure(const FontMeasure&) = delete;
    FontMeasure& operator=(const FontMeasure&) = delete;

    // Resolves a family name (cached per name).
    const ResolvedFont& resolve(std::string_view family);

    // Lays text out as one line in the given family.
    TextLine layout(std::u16string_view text, std::string_view family);

    // The measured box of text; (0, 0) for an empty text or when no font exists.
    GlyphBox measure(std::u16string_view text, std::string_view family);

    // Anti-aliased coverage (0 = none, 255 = full) of the whole layout square
    // with text drawn as laid out by layout(), sampled on a pixels x pixels
    // grid, rows from the top. Unhinted outlines, so the result scales
    // exactly with the layout.
    // `embolden` thickens every stroke by that many layout units (half on each
    // side), for outlines whose hairlines would break up at small sizes.
    std::vector<std::uint8_t> rasterize(std::u16string_view text, std::string_view family,
                                        int pixels, double embolden = 0.0);

private:
    FT_FaceRec_* face(const ResolvedFont& font);
    ResolvedFont match(std::string_view family, bool exactOnly);

    FT_LibraryRec_* library_ = nullptr;
    _FcConfig* config_ = nullptr;
    std::map<std::string, ResolvedFont, std::less<>> resolved_;
    std::map<std::pair<std::string, int>, FT_FaceRec_*> faces_;
};

// The full glyph table: the two fixed entries and the 127 glyphs with their
// measured boxes divided by 4096, the emoji measured in emojiFamily and the
// others in textFamily.
GlyphTable buildGlyphTable(FontMeasure& measure, std::string_view textFamily = kTextFontFamily,
                           std::string_view emojiFamily = kEmojiFontFamily);

}  // namespace tolmero
