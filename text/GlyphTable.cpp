#include "text/GlyphTable.h"

#include <stdexcept>
#include <utility>

namespace tolmero {
namespace {

std::u16string fromCodePoint(char32_t c) {
    std::u16string s;
    if (c >= 0x10000) {
        c -= 0x10000;
        s.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        s.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        s.push_back(static_cast<char16_t>(c));
    }
    return s;
}

struct EmojiName {
    std::u16string glyph;
    std::u16string name;
};

std::vector<EmojiName> emojiNames() {
    const std::pair<char32_t, const char16_t*> singles[] = {
        {0x1F336, u"chili"},      {0x1F346, u"phallic"},      {0x1F351, u"peach"},
        {0x1F412, u"monkey"},     {0x1F445, u"lick"},         {0x1F44B, u"wave"},
        {0x1F44C, u"ok"},         {0x1F44D, u"thumb"},        {0x1F44F, u"clap"},
        {0x1F450, u"hands"},      {0x1F495, u"hearts"},       {0x1F4A6, u"droplets"},
        {0x1F4A9, u"poo"},        {0x1F4AA, u"arm"},          {0x1F4AF, u"100"},
        {0x1F525, u"fire"},       {0x1F600, u"smile"},        {0x1F602, u"tears of joy"},
        {0x1F60A, u"happy"},      {0x1F60C, u"down"},         {0x1F60F, u"suggestive"},
        {0x1F618, u"wink"},       {0x1F629, u"omg"},          {0x1F630, u"awkward"},
        {0x1F634, u"sleep"},      {0x1F643, u"inverse smile"}, {0x1F648, u"mizaru"},
        {0x1F649, u"kikazaru"},   {0x1F64A, u"iwazaru"},
    };
    // The heart carries the emoji variation selector: two code units.
    std::vector<EmojiName> out{{u"\u2764\uFE0F", u"heart"}};
    for (const auto& [c, name] : singles) out.push_back({fromCodePoint(c), name});
    return out;
}

struct Tables {
    std::vector<std::u16string> list;
    std::map<std::u16string, std::u16string> names;
};

Tables buildTables() {
    Tables t;
    for (auto& e : emojiNames()) t.names.emplace(e.glyph, e.name);
    // The emoji take the first slices in the name table's (code-unit) order.
    for (const auto& [glyph, name] : t.names) t.list.push_back(glyph);

    const std::pair<const char16_t*, const char16_t*> others[] = {
        {u"?", u"question mark"}, {u":", u"colon"},  {u"\\", u"backslash"}, {u"/", u"slash"},
        {u"\"", u"quotation mark"}, {u"*", u"times"}, {u"|", u"bar"},      {u">", u"greater"},
        {u"<", u"lesser"},        {u"\u00A3", u"pound"}, {u"\u00E4", u"ae"}, {u"\u00F6", u"oe"},
        {u"\u00E5", u"ao"},       {u"\u00C4", u"AE"},   {u"\u00D6", u"OE"},  {u"\u00C5", u"AO"},
    };
    for (const auto& [glyph, name] : others) t.names.emplace(glyph, name);

    for (char16_t c : std::u16string_view(u".,:;!?-_=~\"*+'\\/&%$\u00A3#@|()[]{}"))
        t.list.emplace_back(1, c);
    for (char16_t c = u'A'; c <= u'Z'; ++c) t.list.emplace_back(1, c);
    for (char16_t c : std::u16string_view(u"\u00C5\u00C4\u00D6")) t.list.emplace_back(1, c);
    for (char16_t c = u'a'; c <= u'z'; ++c) t.list.emplace_back(1, c);
    for (char16_t c : std::u16string_view(u"\u00E5\u00E4\u00F6")) t.list.emplace_back(1, c);
    for (char16_t c = u'0'; c <= u'9'; ++c) t.list.emplace_back(1, c);
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

void checkSlice(int slice) {
    if (slice < 0 || slice >= kGlyphCount)
        throw std::out_of_range("glyph slice " + std::to_string(slice) + " is outside 0..126");
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

const std::vector<std::u16string>& glyphList() { return tables().list; }

const std::map<std::u16string, std::u16string>& glyphNameTable() { return tables().names; }

std::u16string glyphName(int slice) {
    checkSlice(slice);
    const std::u16string& glyph = glyphList()[slice];
    const auto& names = glyphNameTable();
    auto it = names.find(glyph);
    std::u16string name = it != names.end() ? it->second : glyph;
    if (slice >= kFirstCapitalSlice && slice <= kLastCapitalSlice) name = u"capital " + name;
    return name;
}

bool isEmojiSlice(int slice) { return slice >= 0 && slice < kEmojiGlyphCount; }

std::string_view glyphFamily(int slice, std::string_view textFamily,
                             std::string_view emojiFamily) {
    return isEmojiSlice(slice) ? emojiFamily : textFamily;
}

std::string glyphFileName(int slice, std::string_view family) {
    std::string name = toUtf8(glyphName(slice));
    std::string out = "cache/fonts/";
    out += family;
    out += ' ';
    out += name;
    out += ' ' + std::to_string(kGlyphImageSize) + ' ' + std::to_string(kGlyphLayoutSize) + ".png";
    return out;
}

std::string glyphFileName(int slice) { return glyphFileName(slice, glyphFamily(slice)); }

GlyphTable fixedGlyphEntries() {
    return GlyphTable{{u"\n", GlyphInfo{kLineBreakSlice, 0.0f, 0.0f}},
                      {u" ", GlyphInfo{kSpaceSlice, 0.0f, 0.0f}}};
}

std::vector<char32_t> codePoints(std::u16string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            out.push_back(0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(u);
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : codePoints(text)) appendUtf8(out, c);
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        unsigned char b = byte(i);
        int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (byte(i + k) & 0x3F);
        }
        // Reject overlong forms, surrogates and values beyond U+10FFFF.
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))) ok = false;
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out += fromCodePoint(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace tolmero
