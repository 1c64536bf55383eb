#include "assets/glyphs/MonkeyGlyphs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace tolmero {
namespace {

// Picture coordinates: the square [-1, 1] x [-1, 1], x to the right, y down.
struct Vec {
    double x = 0.0;
    double y = 0.0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec mirrored(Vec a) { return {-a.x, a.y}; }

// A shape is a signed distance (negative inside); the ellipses' and tapered
// strokes' are close estimates, good enough for outlines a few texels wide.
using Shape = std::function<double(Vec)>;

Shape circle(Vec centre, double radius) {
    return [=](Vec p) { return length(p - centre) - radius; };
}

// An ellipse turned by `angle` radians (clockwise on screen, since y is down).
Shape ellipse(Vec centre, double rx, double ry, double angle = 0.0) {
    const double c = std::cos(angle), s = std::sin(angle);
    return [=](Vec p) {
        const Vec d = p - centre;
        const Vec q{(c * d.x + s * d.y) / rx, (-s * d.x + c * d.y) / ry};
        const double k = length(q);
        const double gradient = length(Vec{q.x / rx, q.y / ry});
        if (gradient < 1e-9) return -std::min(rx, ry);
        return (k - 1.0) * k / gradient;
    };
}

// A stroke from a to b whose radius goes from ra to rb.
Shape stroke(Vec a, Vec b, double ra, double rb) {
    return [=](Vec p) {
        const Vec ab = b - a;
        const double t = std::clamp(dot(p - a, ab) / dot(ab, ab), 0.0, 1.0);
        return length(p - (a + t * ab)) - (ra + (rb - ra) * t);
    };
}
Shape stroke(Vec a, Vec b, double r) { return stroke(a, b, r, r); }

// A stroke through a chain of points, its radius tapering from ra to rb.
Shape path(std::vector<Vec> points, double ra, double rb) {
    std::vector<Shape> pieces;
    double total = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i) total += length(points[i] - points[i - 1]);
    double along = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double step = length(points[i] - points[i - 1]);
        const double r0 = ra + (rb - ra) * along / total;
        const double r1 = ra + (rb - ra) * (along + step) / total;
        pieces.push_back(stroke(points[i - 1], points[i], r0, r1));
        along += step;
    }
    return [pieces = std::move(pieces)](Vec p) {
        double d = 1e9;
        for (const Shape& piece : pieces) d = std::min(d, piece(p));
        return d;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](Vec p) { return std::min(a(p), b(p)); };
}
Shape grown(Shape a, double by) {
    return [=](Vec p) { return a(p) - by; };
}
// The band of width `width` along a shape's edge.
Shape edge(Shape a, double width) {
    return [=](Vec p) { return std::abs(a(p)) - 0.5 * width; };
}

// Shapes painted in order over black; a point takes the colour of the last
// shape that holds it.
class Picture {
public:
    void fill(Shape s) { strokes_.push_back({std::move(s), true}); }
    void cut(Shape s) { strokes_.push_back({std::move(s), false}); }
    // A white shape set off from what lies under it by a black rim.
    void fillApart(const Shape& s, double rim) {
        cut(grown(s, rim));
        fill(s);
    }

    bool white(Vec p) const {
        for (auto it = strokes_.rbegin(); it != strokes_.rend(); ++it)
            if (it->shape(p) < 0.0) return it->white;
        return false;
    }

private:
    struct Paint {
        Shape shape;
        bool white;
    };
    std::vector<Paint> strokes_;
};

// Sizes are given in texels of the final image and turned into picture units
// with `texel`, so that the gaps stay wide enough whatever the frame's width.
struct Pen {
    double texel;
    double gap() const { return 2.2 * texel; }
};

// A hand, fingers toward `up` (a unit vector): a round palm and `fingers`
// fingers with black slits of two texels between them, and the thumb on the
// `thumb` side (+1 or -1, turning from `up`).
Shape hand(Vec palm, Vec up, double size, double thumb, int fingers, const Pen& pen) {
    const double finger = 1.5 * pen.texel;  // finger radius
    const double pitch = 2.0 * finger + 2.0 * pen.texel;
    const double base = std::atan2(up.y, up.x);
    const Vec across{-up.y, up.x};
    const double spread = 0.5 * (fingers - 1);
    Shape shape = ellipse(palm, spread * pitch + finger, 0.9 * size, base + 0.5 * 3.14159265358979);
    for (int f = 0; f < fingers; ++f) {
        const double i = f - spread;
        const double turn = base + i * 0.1;
        const Vec dir{std::cos(turn), std::sin(turn)};
        const Vec root = palm + (i * pitch) * across;
        const double reach = size * (std::abs(i) < 0.75 ? 1.75 : 1.55);
        shape = unite(shape, stroke(root, root + reach * dir, finger));
    }
    const double side = base + thumb * 1.35;
    const Vec dir{std::cos(side), std::sin(side)};
    const Vec root = palm - (0.3 * size) * up;
    shape = unite(shape, stroke(root, root + (spread * pitch + 2.2 * finger) * dir, finger));
    return shape;
}

// What the three face-on monkeys share: a round skull over a broad jaw,
// ears at its sides, and the ring of the muzzle round the mouth.
Shape skull() { return unite(circle({0.0, -0.18}, 0.6), ellipse({0.0, 0.22}, 0.52, 0.42)); }
Shape muzzle() { return ellipse({0.0, 0.31}, 0.38, 0.26); }

void drawHead(Picture& picture, bool ears, bool muzzleRing, const Pen& pen) {
    if (ears) {
        for (double side : {-1.0, 1.0}) {
            picture.fill(circle({0.68 * side, -0.1}, 0.27));
            picture.cut(circle({0.71 * side, -0.1}, 1.5 * pen.texel));
        }
    }
    picture.fillApart(skull(), pen.gap());
    if (muzzleRing) picture.cut(edge(muzzle(), 1.8 * pen.texel));
}

void drawEyes(Picture& picture, Vec eye, const Pen& pen) {
    for (double side : {-1.0, 1.0}) picture.cut(circle({eye.x * side, eye.y}, 2.2 * pen.texel));
}

void drawMouth(Picture& picture, Vec mouth, bool open, const Pen& pen) {
    if (open)
        picture.cut(ellipse(mouth, 0.17, 0.09));
    else
        picture.cut(ellipse(mouth, 0.2, 1.5 * pen.texel));
}

struct HandPose {
    Vec palm;
    Vec up;        // where the fingers point
    double size;
    int fingers;
    double thumb;  // +1: the thumb toward the middle of the face, -1: away from it
};

// An arm from below the picture to a hand, on the right side (side = 1) or
// mirrored to the left (side = -1), each set off by a black rim.
void drawArm(Picture& picture, Vec shoulder, Vec wrist, const HandPose& pose, double side, const Pen& pen) {
    auto place = [side](Vec v) { return side > 0 ? v : mirrored(v); };
    const Vec u = place(pose.up);
    picture.fillApart(stroke(place(shoulder), place(wrist), 0.14, 0.1), pen.gap());
    picture.fillApart(hand(place(pose.palm), u, pose.size, -side * pose.thumb, pose.fingers, pen), pen.gap());
}

// The hands cover the eyes; below them the open mouth.
Picture seeNoEvil(const Pen& pen) {
    Picture picture;
    drawHead(picture, true, false, pen);
    drawMouth(picture, {0.0, 0.4}, true, pen);
    for (double side : {-1.0, 1.0})
        drawArm(picture, {0.8, 1.1}, {0.45, 0.12}, {{0.2, -0.06}, {-0.12, -0.99}, 0.17, 3, -1.0}, side, pen);
    return picture;
}

// The eyes look out over the hands held to the mouth.
Picture speakNoEvil(const Pen& pen) {
    Picture picture;
    drawHead(picture, true, false, pen);
    drawEyes(picture, {0.2, -0.2}, pen);
    for (double side : {-1.0, 1.0})
        drawArm(picture, {0.8, 1.1}, {0.45, 0.62}, {{0.2, 0.5}, {-0.15, -0.99}, 0.19, 3, -1.0}, side, pen);
    return picture;
}

// The hands pressed to the sides of the head where the ears would be; eyes
// and the muzzle with its closed mouth free.
Picture hearNoEvil(const Pen& pen) {
    Picture picture;
    drawHead(picture, false, true, pen);
    drawEyes(picture, {0.17, -0.25}, pen);
    drawMouth(picture, {0.0, 0.35}, false, pen);
    for (double side : {-1.0, 1.0})
        drawArm(picture, {0.9, 1.1}, {0.76, 0.3}, {{0.72, -0.04}, {0.05, -1.0}, 0.19, 2, -1.0}, side, pen);
    return picture;
}

// Sitting, seen from the left, its long tail laid out behind it and curled
// up at the end. The last title card sets this glyph so near the right edge
// of a 16:9 picture that only its first 36 texel columns show; the drawing is
// moved left by kWholeMonkeyShift and keeps the animal itself in those
// columns, only the tail's curl reaching on past them.
constexpr double kWholeMonkeyShift = 6.5;  // texels

Picture wholeMonkey(const Pen& pen) {
    Picture picture;
    const double gap = pen.gap();
    // The tail: out along the ground from the rump, up, and rolled into a curl.
    picture.fill(path({{0.1, 0.78}, {0.45, 0.86}, {0.78, 0.78}, {0.98, 0.5}, {1.02, 0.15}, {0.9, -0.08},
                       {0.72, -0.06}, {0.64, 0.12}, {0.74, 0.28}, {0.9, 0.28}},
                      1.9 * pen.texel, 1.5 * pen.texel));
    // One silhouette of head, back and haunch, the knee drawn up to the
    // chest and the shin down to the foot; a notch under the knee.
    Shape body = unite(ellipse({0.0, 0.32}, 0.36, 0.52, -0.3), circle({-0.44, -0.52}, 0.3));
    body = unite(body, ellipse({-0.68, -0.36}, 0.17, 0.18));
    body = unite(body, stroke({0.1, 0.5}, {-0.34, 0.3}, 0.2, 0.15));
    body = unite(body, stroke({-0.36, 0.32}, {-0.4, 0.84}, 0.1, 0.085));
    body = unite(body, ellipse({-0.52, 0.9}, 0.17, 0.06));
    picture.fill(body);
    picture.cut(ellipse({-0.18, 0.78}, 0.1, 0.12));
    // The near arm, long, from the shoulder to a hand on the ground.
    picture.fillApart(path({{-0.1, 0.0}, {-0.46, 0.4}, {-0.64, 0.84}}, 0.1, 0.08), gap);
    picture.fill(ellipse({-0.74, 0.9}, 0.13, 0.06));
    // The ear and the eye.
    picture.fillApart(circle({-0.2, -0.52}, 0.14), gap * 0.8);
    picture.cut(circle({-0.58, -0.55}, 2.0 * pen.texel));
    return picture;
}

}  // namespace

std::optional<Monkey> monkeyOfSlice(int slice) {
    if (slice < 0 || slice >= kGlyphCount) return std::nullopt;
    const std::u16string& glyph = glyphList()[static_cast<std::size_t>(slice)];
    if (glyph == u"\U0001F648") return Monkey::SeeNoEvil;
    if (glyph == u"\U0001F649") return Monkey::HearNoEvil;
    if (glyph == u"\U0001F64A") return Monkey::SpeakNoEvil;
    if (glyph == u"\U0001F412") return Monkey::Whole;
    return std::nullopt;
}

GlyphFrame measuredFrame(FontMeasure& measure, int slice, std::string_view family) {
    const TextLine line = measure.layout(glyphList().at(slice), family);
    GlyphFrame frame;
    frame.left = FontMeasure::kSideMargin / kLayoutTexel;
    frame.right = std::max(frame.left, (line.box.right - FontMeasure::kSideMargin) / kLayoutTexel);
    // Without a font the picture still gets an em of room on the usual baseline.
    if (line.glyphs.empty()) frame.right = frame.left + FontMeasure::kEmSize / kLayoutTexel;
    frame.baseline = line.glyphs.empty() ? 39.5 : line.baseline / kLayoutTexel;
    frame.boxRight = frame.right + FontMeasure::kSideMargin / kLayoutTexel;
    return frame;
}

Placement placement(Monkey monkey, const GlyphFrame& frame) {
    // The faces reach a little into the box's margins, as big as the font's
    // round faces beside them.
    const double advance = frame.right - frame.left;
    Placement place;
    place.half = (monkey == Monkey::Whole ? 0.5 : 0.55) * advance;
    place.centreX = frame.left + 0.5 * advance - (monkey == Monkey::Whole ? kWholeMonkeyShift : 0.0);
    place.centreY = frame.baseline - 0.35 * advance;
    return place;
}

GreyImage drawMonkey(Monkey monkey, const GlyphFrame& frame) {
    constexpr int size = kGlyphImageSize;
    constexpr int samples = kGlyphSupersampling;
    const auto [centreX, centreY, half] = placement(monkey, frame);
    const Pen pen{1.0 / half};

    Picture picture;
    switch (monkey) {
        case Monkey::SeeNoEvil: picture = seeNoEvil(pen); break;
        case Monkey::HearNoEvil: picture = hearNoEvil(pen); break;
        case Monkey::SpeakNoEvil: picture = speakNoEvil(pen); break;
        case Monkey::Whole: picture = wholeMonkey(pen); break;
    }

    GreyImage image{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            unsigned hits = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double fx = x + (sx + 0.5) / samples;
                    const Vec p{(fx - centreX) / half, (y + (sy + 0.5) / samples - centreY) / half};
                    // Nothing outside the box or above and below the square.
                    if (fx < 0.0 || fx > frame.boxRight || std::abs(p.y) > 1.0) continue;
                    hits += picture.white(p) ? 1 : 0;
                }
            }
            constexpr unsigned count = samples * samples;
            image.texels[static_cast<std::size_t>(y) * size + x] =
                static_cast<std::uint8_t>((hits * 255 + count / 2) / count);
        }
    }
    return image;
}

}  // namespace tolmero
