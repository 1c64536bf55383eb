#pragma once
// The four monkey emoji, drawn here rather than taken from the emoji font:
// the font's pictures are hairline drawings that the text renderer's
// half-coverage rule fills in to a white blob at title-card sizes. These are
// white silhouettes in which the features (eyes, mouth, hands, ear holes,
// the curl of the tail) are dark gaps of at least two to three texels, so
// that they survive being drawn at about one texel per pixel.
//
// Each picture is a list of shapes painted in order, white or black, over a
// black ground; a texel's grey is the share of its 8 x 8 samples that end
// up white.

#include <optional>
#include <string_view>

#include "assets/glyphs/GlyphImages.h"

namespace tolmero {

enum class Monkey {
    SeeNoEvil,    // hands over the eyes
    HearNoEvil,   // hands over the ears
    SpeakNoEvil,  // hands over the mouth
    Whole,        // the whole animal, sitting, seen from the side
};

// The monkey that a glyph slice shows, if any.
std::optional<Monkey> monkeyOfSlice(int slice);

// Where a picture goes in the 64 x 64 image, in texels: the glyph's advance
// [left, right) between the measured box's margins, the baseline, and the
// right edge of the box (which starts at column 0); no ink goes past it.
struct GlyphFrame {
    double left = 0.0;
    double right = 0.0;
    double baseline = 0.0;
    double boxRight = 0.0;
};

// The frame of a slice as the font measures it (the box must not change, so
// the picture fills the advance that the font gives the emoji).
GlyphFrame measuredFrame(FontMeasure& measure, int slice, std::string_view family);

// Where the picture's square [-1, 1] x [-1, 1] lies in the image: as wide as
// the frame's advance, its bottom a little below the baseline (the whole
// monkey's moved left, see its drawing). Texels from the centre to an edge.
struct Placement {
    double centreX = 0.0;
    double centreY = 0.0;
    double half = 0.0;
};
Placement placement(Monkey monkey, const GlyphFrame& frame);

GreyImage drawMonkey(Monkey monkey, const GlyphFrame& frame);

}  // namespace tolmero
