#include "scene/TitleCards.h"

#include "render/TextRenderer.h"

namespace tolmero {

const std::array<TitleCard, kTitleCards>& titleCards() {
    // The cards with the emoji in front start at the left edge; those with
    // the emoji behind start one target height from the left.
    static const std::array<TitleCard, kTitleCards> cards = {{
        {u"\U0001F648 Kelvad", 0.01f, 0.4f},  // see-no-evil monkey
        {u"Ostiv \U0001F64A", 1.0f, 0.4f},    // speak-no-evil monkey
        {u"\U0001F649 Tumbe", 0.01f, 0.4f},   // hear-no-evil monkey
        {u"Remba \U0001F412", 1.0f, 0.4f},    // monkey
    }};
    return cards;
}

void drawTitleCard(int card, gpu::ID3D11Texture2D* target) {
    if (card < 0 || card >= kTitleCards) return;
    const TitleCard& title = titleCards()[static_cast<std::size_t>(card)];
    drawText(title.text, title.x, title.y, kTitleCardSize, target);
}

}  // namespace tolmero
