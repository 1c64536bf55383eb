#pragma once
// The four title cards near the end of the production, each a name beside a
// monkey emoji, drawn into the window-sized result after the squeeze and
// before the bloom, so that they glow with the rest of the picture.

#include <array>
#include <string>

#include "gpu/D3D11.h"

namespace tolmero {

struct TitleCard {
    std::u16string text;  // UTF-16; each emoji is one surrogate pair
    float x = 0.0f;       // pen start in target heights (scaled by height / width)
    float y = 0.0f;       // in target heights
};

inline constexpr int kTitleCards = 4;
// Line and glyph height of every card, in target heights.
inline constexpr float kTitleCardSize = 0.18f;

// Cards 0 to 3 in order.
const std::array<TitleCard, kTitleCards>& titleCards();

// Draws card `card` into `target` when it is 0 to 3; any other number draws
// nothing. Needs a current renderer with its glyph atlas.
void drawTitleCard(int card, gpu::ID3D11Texture2D* target);

}  // namespace tolmero
