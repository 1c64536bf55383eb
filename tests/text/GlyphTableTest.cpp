#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "text/GlyphTable.h"

using namespace tolmero;

namespace {

std::u16string fromCodePoint(char32_t c) {
    std::u16string s;
    if (c >= 0x10000) {
        s.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        s.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        s.push_back(static_cast<char16_t>(c));
    }
    return s;
}

std::vector<std::string> range(const std::string& prefix, char first, char last) {
    std::vector<std::string> out;
    for (char c = first; c <= last; ++c) out.push_back(prefix + c);
    return out;
}

// The 127 glyph asset names as the embedded-resource table lists them (in
// id order, which is ordinal name order).
std::vector<std::string> expectedAssetNames() {
    std::vector<std::string> arial;
    for (const char* s : {"!", "#", "$", "%", "&", "'", "(", ")", "+", ",", "-", ".", "0", "1", "2",
                          "3", "4", "5", "6", "7", "8", "9", ";", "=", "@", "[", "]", "_", "a",
                          "ae", "ao", "b", "backslash", "bar", "c", "capital A", "capital AE",
                          "capital AO"})
        arial.push_back(s);
    for (auto& s : range("capital ", 'B', 'O')) arial.push_back(s);
    arial.push_back("capital OE");
    for (auto& s : range("capital ", 'P', 'Z')) arial.push_back(s);
    arial.push_back("colon");
    for (auto& s : range("", 'd', 'o')) arial.push_back(s);
    for (const char* s : {"oe", "p", "pound", "q", "question mark", "quotation mark", "r", "s",
                          "slash", "t", "times", "u", "v", "w", "x", "y", "z", "{", "}", "~"})
        arial.push_back(s);

    const char* emoji[] = {"100", "arm", "awkward", "chili", "clap", "down", "droplets", "fire",
                           "hands", "happy", "heart", "hearts", "inverse smile", "iwazaru",
                           "kikazaru", "lick", "mizaru", "monkey", "ok", "omg", "peach", "phallic",
                           "poo", "sleep", "smile", "suggestive", "tears of joy", "thumb", "wave",
                           "wink"};
    std::vector<std::string> names;
    for (auto& a : arial) names.push_back("cache/fonts/Arial " + a + " 64 4096.png");
    for (auto* e : emoji) names.push_back(std::string("cache/fonts/Segoe UI Emoji ") + e + " 64 4096.png");
    return names;
}

}  // namespace

TEST(GlyphList, SlicesFollowTheGlyphOrder) {
    const auto& list = glyphList();
    ASSERT_EQ(list.size(), 127u);

    // The two-unit heart sorts before every surrogate pair and takes slice 0.
    EXPECT_EQ(list[0], u"\u2764\uFE0F");
    const char32_t emoji[] = {0x1F336, 0x1F346, 0x1F351, 0x1F412, 0x1F445, 0x1F44B, 0x1F44C,
                              0x1F44D, 0x1F44F, 0x1F450, 0x1F495, 0x1F4A6, 0x1F4A9, 0x1F4AA,
                              0x1F4AF, 0x1F525, 0x1F600, 0x1F602, 0x1F60A, 0x1F60C, 0x1F60F,
                              0x1F618, 0x1F629, 0x1F630, 0x1F634, 0x1F643, 0x1F648, 0x1F649,
                              0x1F64A};
    for (int i = 0; i < 29; ++i) EXPECT_EQ(list[1 + i], fromCodePoint(emoji[i])) << "slice " << 1 + i;
    EXPECT_TRUE(std::is_sorted(list.begin(), list.begin() + 30));

    const std::u16string punctuation = u".,:;!?-_=~\"*+'\\/&%$\u00A3#@|()[]{}";
    ASSERT_EQ(punctuation.size(), 29u);
    for (int i = 0; i < 29; ++i) EXPECT_EQ(list[30 + i], std::u16string(1, punctuation[i]));

    EXPECT_EQ(list[59], u"A");
    EXPECT_EQ(list[84], u"Z");
    EXPECT_EQ(list[85], u"\u00C5");
    EXPECT_EQ(list[86], u"\u00C4");
    EXPECT_EQ(list[87], u"\u00D6");
    EXPECT_EQ(list[88], u"a");
    EXPECT_EQ(list[113], u"z");
    EXPECT_EQ(list[114], u"\u00E5");
    EXPECT_EQ(list[115], u"\u00E4");
    EXPECT_EQ(list[116], u"\u00F6");
    EXPECT_EQ(list[117], u"0");
    EXPECT_EQ(list[126], u"9");

    EXPECT_EQ(std::set<std::u16string>(list.begin(), list.end()).size(), 127u);
    EXPECT_EQ(std::count(list.begin(), list.end(), u"<"), 0);
    EXPECT_EQ(std::count(list.begin(), list.end(), u">"), 0);
}

TEST(GlyphNames, NameTableAndCapitalPrefix) {
    const auto& names = glyphNameTable();
    EXPECT_EQ(names.size(), 46u);
    EXPECT_EQ(names.at(u"<"), u"lesser");
    EXPECT_EQ(names.at(u">"), u"greater");

    EXPECT_EQ(glyphName(0), u"heart");
    EXPECT_EQ(glyphName(4), u"monkey");
    EXPECT_EQ(glyphName(18), u"tears of joy");
    EXPECT_EQ(glyphName(29), u"iwazaru");
    EXPECT_EQ(glyphName(35), u"question mark");
    EXPECT_EQ(glyphName(44), u"backslash");
    EXPECT_EQ(glyphName(59), u"capital A");
    EXPECT_EQ(glyphName(85), u"capital AO");
    EXPECT_EQ(glyphName(86), u"capital AE");
    EXPECT_EQ(glyphName(87), u"capital OE");
    EXPECT_EQ(glyphName(88), u"a");
    EXPECT_EQ(glyphName(115), u"ae");
    EXPECT_EQ(glyphName(117), u"0");
    EXPECT_THROW(glyphName(-1), std::out_of_range);
    EXPECT_THROW(glyphName(127), std::out_of_range);
}

TEST(GlyphNames, FileNames) {
    EXPECT_EQ(glyphFileName(59), "cache/fonts/Arial capital A 64 4096.png");
    EXPECT_EQ(glyphFileName(88), "cache/fonts/Arial a 64 4096.png");
    EXPECT_EQ(glyphFileName(81), "cache/fonts/Arial capital W 64 4096.png");
    EXPECT_EQ(glyphFileName(16), "cache/fonts/Segoe UI Emoji fire 64 4096.png");
    EXPECT_EQ(glyphFileName(62, "Verdana"), "cache/fonts/Verdana capital D 64 4096.png");
    EXPECT_EQ(glyphFamily(29), "Segoe UI Emoji");
    EXPECT_EQ(glyphFamily(30), "Arial");
    EXPECT_EQ(glyphFamily(3, "T", "E"), "E");

    // Every file name is one of the embedded glyph assets, and the sorted
    // names reproduce the asset order exactly.
    std::vector<std::string> ours;
    std::set<std::string> folded;
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        std::string name = glyphFileName(slice);
        ours.push_back(name);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        folded.insert(name);
    }
    // "A" and "a" (and the rest) never collide on a case-insensitive file system.
    EXPECT_EQ(folded.size(), 127u);
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, expectedAssetNames());
}

TEST(GlyphTable, FixedEntries) {
    GlyphTable table = fixedGlyphEntries();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at(u"\n").slice, -1);
    EXPECT_EQ(table.at(u" ").slice, -2);
    for (const auto& [glyph, info] : table) {
        EXPECT_EQ(info.left, 0.0f);
        EXPECT_EQ(info.right, 0.0f);
    }
}

TEST(Utf, ConversionsAndMalformedInput) {
    EXPECT_EQ(toUtf8(u"\u00C4"), "\xC3\x84");
    EXPECT_EQ(toUtf8(glyphList()[4]), "\xF0\x9F\x90\x92");  // U+1F412
    EXPECT_EQ(toUtf16("Segoe UI Emoji \xF0\x9F\x99\x88"), u"Segoe UI Emoji \U0001F648");
    for (int slice = 0; slice < kGlyphCount; ++slice)
        EXPECT_EQ(toUtf16(toUtf8(glyphList()[slice])), glyphList()[slice]);

    // Truncated, overlong and surrogate encodings become U+FFFD, one per bad byte.
    EXPECT_EQ(toUtf16("a\xF0\x9F"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    // A lone surrogate decodes to U+FFFD instead of a broken code point.
    EXPECT_EQ(codePoints(std::u16string(u"x") + char16_t(0xD83D)), (std::vector<char32_t>{U'x', 0xFFFD}));
    EXPECT_EQ(codePoints(std::u16string(1, char16_t(0xDE48)) + u"y"), (std::vector<char32_t>{0xFFFD, U'y'}));
}
