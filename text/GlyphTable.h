#pragma once
// The glyphs the text renderer can draw, their texture-array slices, their
// names and the asset names of their 64 x 64 bitmaps.
//
// Slice order: the 30 emoji in code-unit order of their UTF-16 strings, 29
// punctuation and symbol characters, "A" to "Z", "Å" "Ä" "Ö", "a" to "z",
// "å" "ä" "ö", "0" to "9". The glyph table maps each glyph string (plus "\n"
// and " ") to its slice and to the horizontal span of its bitmap that the
// glyph covers.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tolmero {

struct GlyphInfo {
    std::int32_t slice = 0;  // texture-array slice, or kLineBreakSlice / kSpaceSlice
    float left = 0.0f;       // left edge of the measured box / 4096
    float right = 0.0f;      // right edge (left + width) of the measured box / 4096
};

// Ordered by UTF-16 code unit, so longer entries sharing a first unit sort
// after their prefix and the layout can try the longest match first.
using GlyphTable = std::map<std::u16string, GlyphInfo>;

inline constexpr int kGlyphCount = 127;
inline constexpr int kEmojiGlyphCount = 30;         // slices 0 .. 29
inline constexpr int kFirstCapitalSlice = 59;       // "A"
inline constexpr int kLastCapitalSlice = 87;        // "Ö"
inline constexpr std::int32_t kLineBreakSlice = -1;
inline constexpr std::int32_t kSpaceSlice = -2;

inline constexpr int kGlyphImageSize = 64;          // glyph bitmap edge in texels
inline constexpr int kGlyphLayoutSize = 4096;       // measuring square edge in layout units
inline constexpr float kInverseLayoutSize = 0.000244140625f;  // exactly 1 / 4096

inline constexpr std::string_view kTextFontFamily = "Arial";
inline constexpr std::string_view kEmojiFontFamily = "Segoe UI Emoji";

// The 127 glyph strings; index = slice.
const std::vector<std::u16string>& glyphList();

// Glyph string -> name for the glyphs whose name is not the character itself:
// the 30 emoji and 16 other characters ("<" and ">" among them, although
// they have no bitmap).
const std::map<std::u16string, std::u16string>& glyphNameTable();

// The name used in the bitmap's file name: the table name or the character
// itself, with "capital " in front for the upper-case letters.
// Throws std::out_of_range for a slice outside 0 .. 126.
std::u16string glyphName(int slice);

// True for the emoji slices, which use the emoji font.
bool isEmojiSlice(int slice);

// The font family of a slice: emojiFamily for the emoji, textFamily otherwise.
std::string_view glyphFamily(int slice, std::string_view textFamily = kTextFontFamily,
                             std::string_view emojiFamily = kEmojiFontFamily);

// "cache/fonts/" + family + " " + glyph name + " 64 4096.png", UTF-8.
// Throws std::out_of_range for a slice outside 0 .. 126.
std::string glyphFileName(int slice, std::string_view family);
// The same with the family chosen by glyphFamily().
std::string glyphFileName(int slice);

// A table holding only the two fixed entries: "\n" (line break) and " " (space).
GlyphTable fixedGlyphEntries();

// UTF-8 <-> UTF-16. Malformed input is replaced by U+FFFD, never dropped silently.
std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

// Decodes UTF-16 into code points; a lone surrogate becomes U+FFFD.
std::vector<char32_t> codePoints(std::u16string_view text);

}  // namespace tolmero
