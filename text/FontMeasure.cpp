#include "text/FontMeasure.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_BBOX_H

namespace tolmero {
namespace {

// Families the production asks for, and the installed families that stand in
// for them. binding="same" keeps the substitute as strong as the requested
// name, so language preferences cannot pull another font ahead of it.
struct FamilyAlias {
    const char* requested;
    const char* preferred;
};
constexpr FamilyAlias kAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Segoe UI Emoji", "Symbola"},
};

constexpr const char* kAliasConfig = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same">
    <family>Arial</family>
    <prefer><family>Liberation Sans</family></prefer>
  </alias>
  <alias binding="same">
    <family>Segoe UI Emoji</family>
    <prefer><family>Symbola</family></prefer>
  </alias>
</fontconfig>
)";

constexpr const char* kGenericFamily = "sans-serif";

// Outlines in font units, untouched by hinting, so that measuring and drawing
// scale exactly with the layout.
constexpr FT_Int32 kOutlineLoadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

// Room beyond an overhanging outline for the rounding of the rasterizer's
// fixed-point coordinates (layout units; one texel is 64).
constexpr double kInkSlack = 1.0;

const FcChar8* fc(const char* s) { return reinterpret_cast<const FcChar8*>(s); }

// Family names compare as fontconfig compares them: ignoring case and blanks.
bool sameFamily(std::string_view a, std::string_view b) {
    auto folded = [](std::string_view s) {
        std::string out;
        for (char c : s)
            if (c != ' ') out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        return out;
    };
    return folded(a) == folded(b);
}

// Variation selectors and zero-width format characters take no room.
bool isZeroWidth(char32_t c) {
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) ||
           (c >= 0x200B && c <= 0x200F) || c == 0x2060 || c == 0xFEFF;
}

double ascentOf(FT_Face face) {
    auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent > 0) return os2->usWinAscent;
    return face->ascender;
}

// Accumulates anti-aliased spans into a coverage grid (rows from the top).
struct CoverageTarget {
    std::vector<std::uint8_t>* pixels;
    int size;
};

void addSpans(int y, int count, const FT_Span* spans, void* user) {
    auto* target = static_cast<CoverageTarget*>(user);
    int row = target->size - 1 - y;  // the rasterizer's y grows upwards
    if (row < 0 || row >= target->size) return;
    std::uint8_t* line = target->pixels->data() + static_cast<std::size_t>(row) * target->size;
    for (int i = 0; i < count; ++i) {
        int x0 = std::max<int>(spans[i].x, 0);
        int x1 = std::min<int>(spans[i].x + spans[i].len, target->size);
        for (int x = x0; x < x1; ++x) line[x] = static_cast<std::uint8_t>(
            std::min(255, line[x] + spans[i].coverage));
    }
}

}  // namespace

FontMeasure::FontMeasure() {
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType could not start");
    config_ = FcInitLoadConfig();
    if (!config_) {
        FT_Done_FreeType(library_);
        throw std::runtime_error("fontconfig could not load its configuration");
    }
    if (!FcConfigParseAndLoadFromMemory(config_, fc(kAliasConfig), FcTrue) ||
        !FcConfigBuildFonts(config_)) {
        FcConfigDestroy(config_);
        FT_Done_FreeType(library_);
        throw std::runtime_error("fontconfig could not load the font aliases");
    }
}

FontMeasure::~FontMeasure() {
    for (auto& [key, f] : faces_) FT_Done_Face(f);
    FcConfigDestroy(config_);
    FT_Done_FreeType(library_);
}

ResolvedFont FontMeasure::match(std::string_view family, bool exactOnly) {
    ResolvedFont result;
    result.requestedFamily = std::string(family);

    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, fc(result.requestedFamily.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config_, pattern, &status);
    FcPatternDestroy(pattern);
    if (!found) return result;

    // The match counts only when the font carries the requested family name
    // or is the stand-in our aliases name for it; anything else is
    // fontconfig's own last resort, which the caller replaces.
    const char* preferred = nullptr;
    for (const auto& alias : kAliases)
        if (sameFamily(alias.requested, result.requestedFamily)) preferred = alias.preferred;
    bool accepted = !exactOnly;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        const char* n = reinterpret_cast<const char*>(name);
        if (i == 0) result.family = n;
        if (sameFamily(n, result.requestedFamily) || (preferred && sameFamily(n, preferred)))
            accepted = true;
    }
    FcChar8* file = nullptr;
    int index = 0;
    if (accepted && FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
        result.file = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch) result.faceIndex = index;
    }
    FcPatternDestroy(found);
    if (!accepted) result.family.clear();
    return result;
}

const ResolvedFont& FontMeasure::resolve(std::string_view family) {
    if (auto it = resolved_.find(family); it != resolved_.end()) return it->second;
    ResolvedFont font = match(family, true);
    if (font.file.empty()) {
        ResolvedFont generic = match(kGenericFamily, false);
        generic.requestedFamily = std::string(family);
        generic.fallback = true;
        font = generic;
    }
    return resolved_.emplace(std::string(family), std::move(font)).first->second;
}

FT_Face FontMeasure::face(const ResolvedFont& font) {
    if (font.file.empty()) return nullptr;
    auto key = std::make_pair(font.file, font.faceIndex);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face f = nullptr;
    if (FT_New_Face(library_, font.file.c_str(), font.faceIndex, &f) != 0) f = nullptr;
    if (f && !FT_IS_SCALABLE(f)) {
        FT_Done_Face(f);
        f = nullptr;
    }
    if (f) FT_Select_Charmap(f, FT_ENCODING_UNICODE);
    faces_.emplace(key, f);
    return f;
}

TextLine FontMeasure::layout(std::u16string_view text, std::string_view family) {
    TextLine line;
    FT_Face f = face(resolve(family));
    if (!f || text.empty()) return line;

    line.face = f;
    line.unitsPerEm = f->units_per_EM;
    const double scale = kEmSize / line.unitsPerEm;
    line.baseline = ascentOf(f) * scale;

    double pen = kSideMargin;
    double inkRight = 0.0;
    for (char32_t c : codePoints(text)) {
        if (isZeroWidth(c)) continue;
        unsigned glyph = FT_Get_Char_Index(f, c);
        if (FT_Load_Glyph(f, glyph, kOutlineLoadFlags) != 0) continue;
        if (f->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox ink;
            FT_Outline_Get_BBox(&f->glyph->outline, &ink);
            if (ink.xMax > ink.xMin) inkRight = std::max(inkRight, pen + ink.xMax * scale);
        }
        line.glyphs.push_back(PlacedGlyph{c, glyph, pen});
        pen += static_cast<double>(f->glyph->metrics.horiAdvance) * scale;  // font units
    }
    if (!line.glyphs.empty()) {
        // The padded advance, widened where an outline overhangs it, so
        // that the box always holds the whole drawing.
        double right = std::max(pen + kSideMargin, inkRight + kInkSlack);
        line.box.left = 0.0f;
        line.box.right = static_cast<float>(std::min(right, kLayoutSize));
    }
    return line;
}

GlyphBox FontMeasure::measure(std::u16string_view text, std::string_view family) {
    return layout(text, family).box;
}

std::vector<std::uint8_t> FontMeasure::rasterize(std::u16string_view text,
                                                 std::string_view family, int pixels, double embolden) {
    if (pixels <= 0) throw std::invalid_argument("raster size must be positive");
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(pixels) * pixels, 0);
    TextLine line = layout(text, family);
    if (!line.face) return coverage;

    // Font units -> 26.6 raster pixels; layout units -> raster pixels.
    const double toPixels = pixels / kLayoutSize;
    const double unitScale = kEmSize / line.unitsPerEm * toPixels * 64.0;
    const FT_Matrix matrix{static_cast<FT_Fixed>(std::lround(unitScale * 65536.0)), 0, 0,
                           static_cast<FT_Fixed>(std::lround(unitScale * 65536.0))};
    CoverageTarget target{&coverage, pixels};

    for (const PlacedGlyph& g : line.glyphs) {
        if (FT_Load_Glyph(line.face, g.glyphIndex, kOutlineLoadFlags) != 0) continue;
        if (line.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) continue;
        FT_Outline* outline = &line.face->glyph->outline;
        FT_Outline_Transform(outline, &matrix);
        if (embolden > 0.0) FT_Outline_Embolden(outline, std::lround(embolden * toPixels * 64.0));
        // Raster y grows upwards from the bottom row; the baseline sits
        // `baseline` layout units below the top.
        FT_Outline_Translate(outline, std::lround(g.penX * toPixels * 64.0),
                             std::lround((kLayoutSize - line.baseline) * toPixels * 64.0));
        FT_Raster_Params params{};
        params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
        params.gray_spans = addSpans;
        params.user = &target;
        params.clip_box = FT_BBox{0, 0, pixels, pixels};
        FT_Outline_Render(library_, outline, &params);
    }
    return coverage;
}

GlyphTable buildGlyphTable(FontMeasure& measure, std::string_view textFamily,
                           std::string_view emojiFamily) {
    GlyphTable table = fixedGlyphEntries();
    const auto& glyphs = glyphList();
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        GlyphBox box = measure.measure(glyphs[slice], glyphFamily(slice, textFamily, emojiFamily));
        table[glyphs[slice]] = GlyphInfo{slice, box.left * kInverseLayoutSize,
                                         box.right * kInverseLayoutSize};
    }
    return table;
}

}  // namespace tolmero
