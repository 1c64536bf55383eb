#include "text/TextLayout.h"

#include <algorithm>
#include <string>

namespace tolmero {

namespace {

// Glyph strings are at most this many code units long.
constexpr std::size_t kLongestMatch = 4;

// The longest entry that `text` starts with, or null.
const GlyphTable::value_type* longestMatch(const GlyphTable& table, std::u16string_view text) {
    std::u16string key;
    for (std::size_t n = std::min(kLongestMatch, text.size()); n >= 1; --n) {
        key.assign(text.substr(0, n));
        const auto entry = table.find(key);
        if (entry != table.end()) return &*entry;
    }
    return nullptr;
}

}  // namespace

TextLayout layoutText(const GlyphTable& table, std::u16string_view text, float x, float y, float size,
                      std::uint32_t targetWidth, std::uint32_t targetHeight) {
    TextLayout layout;
    if (targetWidth == 0 || targetHeight == 0) return layout;  // nothing can be seen

    const float aspect = static_cast<float>(targetHeight) / static_cast<float>(targetWidth);
    const float startX = x * aspect;
    float penX = startX;
    float penY = y;

    std::size_t position = 0;
    while (position < text.size()) {
        const GlyphTable::value_type* entry = longestMatch(table, text.substr(position));
        if (!entry) {
            ++layout.skippedUnits;
            ++position;
            continue;
        }
        position += entry->first.size();

        const GlyphInfo& glyph = entry->second;
        if (glyph.slice == kLineBreakSlice) {
            penX = startX;
            penY = penY + size;
        } else if (glyph.slice == kSpaceSlice) {
            penX = penX + size * aspect * 0.5f;
        } else {
            // The quad shows the bitmap's measured span [left, right]; the
            // pen moves on by that span's width at this size.
            const float t = size * aspect;
            const float left = glyph.left;
            const float right = glyph.right;
            layout.indices.push_back(static_cast<std::uint32_t>(glyph.slice));
            layout.boxes.push_back({penX - t * left, penY, penX + t * (right - 2.0f * left), penY + size});
            layout.uvs.push_back({left, right});
            penX = penX + t * (right - left);
        }
    }
    return layout;
}

}  // namespace tolmero
