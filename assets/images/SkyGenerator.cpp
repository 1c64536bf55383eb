// Writes the sky panoramas, 8192 × 2048 RGB, repeating horizontally:
//   tolmero_gen_sky <root> day   -> "sprites/miljoo/taivaspaiva.png"
//   tolmero_gen_sky <root> night -> "sprites/miljoo/taivasyo.png"
// Row 0 is the horizon and the last row the zenith; the width covers half a turn of
// azimuth (the sky wraps the panorama twice around the horizon). Cloud and aurora
// positions come from a plane above the viewer mapped with the doubled azimuth, so
// the image repeats exactly at its left and right edges and converges cleanly at the
// zenith.
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/ImageFile.h"
#include "common/Noise.h"
#include "common/Random.h"
#include "common/Raster.h"

using namespace tolmero::images;

namespace {

constexpr int W = 8192;
constexpr int H = 2048;
constexpr float kPi = 3.14159265358979f;
constexpr float kRowAngle = 0.5f * kPi / H;  // elevation step per row
constexpr float kColumnAngle = kPi / W;       // azimuth step per column

// The sky pass shows the panorama at half its decoded (linear) value and the
// glow adds about 2.4 x value^2 on top; a panorama bright enough to read as
// white would wash every frame out. Skies are composed in display colours
// and then exposed in linear light, so the brightest clouds of the day reach
// about 0.26 on screen before the glow and the night stays dark.
constexpr float kDayExposure = 0.52f;
constexpr float kNightExposure = 0.85f;

Rgb expose(Rgb c, float exposure) {
    return {srgbEncode(srgbDecode(c.r) * exposure), srgbEncode(srgbDecode(c.g) * exposure),
            srgbEncode(srgbDecode(c.b) * exposure)};
}
void expose(ColorImage& img, float exposure) {
    for (Rgb& c : img.px) c = expose(c, exposure);
}

float elevationOf(int row) { return (row + 0.5f) * kRowAngle; }
float azimuthOf(int column) { return (column + 0.5f) * kColumnAngle; }

// Point where a view ray meets a cloud layer at unit height, in the doubled-azimuth
// map, and the size of one pixel's footprint there.
struct PlanePoint {
    float x, y, footprint;
};
PlanePoint cloudPlane(float azimuth, float elevation, float scale) {
    const float e = std::max(elevation, 0.004f);
    const float distance = std::cos(e) / std::sin(e);
    const float a = 2.0f * azimuth;
    const float radial = kRowAngle / (std::sin(e) * std::sin(e));
    const float around = distance * 2.0f * kColumnAngle;
    return {distance * std::cos(a) * scale, distance * std::sin(a) * scale, std::max(radial, around) * scale};
}

ColorImage daySky() {
    ColorImage img(W, H);
    const Rgb horizon = hexColor(0xe8eef2), low = hexColor(0xcad9e6), zenith = hexColor(0x90b3d8);
    const Rgb cloudLit = hexColor(0xfbfbfa), cloudShade = hexColor(0x9ba6b4), haze = hexColor(0xdfe6ec);
    for (int row = 0; row < H; ++row) {
        const float e = elevationOf(row);
        // Pale near the horizon, deepening toward the zenith.
        const float t = 1.0f - std::exp(-e / 0.28f);
        const Rgb base = t < 0.5f ? mix(horizon, low, t * 2.0f) : mix(low, zenith, (t - 0.5f) * 2.0f);
        const float horizonFade = smoothstep(0.01f, 0.12f, e);
        for (int column = 0; column < W; ++column) {
            const float az = azimuthOf(column);
            // A broad brighter region on one side, where the low sun lights the haze.
            const float glow = std::pow(0.5f + 0.5f * std::cos(2.0f * az - 1.0f), 4.0f) * std::exp(-e / 0.35f);
            Rgb sky = mix(base, hexColor(0xfff4e4), 0.35f * glow);

            const PlanePoint p = cloudPlane(az, e, 1.6f);
            const float n = planeFbm(p.x, p.y, 7, 0.5f, 1001u, p.footprint);
            const float coverage = planeFbm(p.x * 0.25f + 3.0f, p.y * 0.25f, 3, 0.5f, 1002u, p.footprint * 0.25f);
            const float density = smoothstep(0.05f, 0.45f, n + 0.35f * coverage) * horizonFade;
            if (density > 0.0f) {
                // Self-shadowing: denser cloud a little toward the sun means a shaded side.
                const float ahead = planeFbm(p.x + 0.04f, p.y - 0.03f, 5, 0.5f, 1001u, p.footprint);
                const float lit = clamp01(0.65f + 2.2f * (n - ahead) + 0.25f * glow);
                Rgb cloud = mix(cloudShade, cloudLit, lit);
                cloud = mix(cloud, haze, 1.0f - smoothstep(0.02f, 0.25f, e));  // distant clouds melt into haze
                sky = mix(sky, cloud, density * 0.95f);
            }
            img.at(column, row) = sky;
        }
    }
    expose(img, kDayExposure);
    return img;
}

// Adds a star of the given brightness and colour at (azimuth, elevation): a small
// Gaussian in true angular distance, wrapped across the left and right edges.
void addStar(ColorImage& img, float az, float el, float radius, Rgb colour) {
    const float reach = 3.0f * radius;
    const int rowLo = std::max(0, static_cast<int>((el - reach) / kRowAngle));
    const int rowHi = std::min(H - 1, static_cast<int>((el + reach) / kRowAngle) + 1);
    const float se = std::sin(el), ce = std::cos(el);
    for (int row = rowLo; row <= rowHi; ++row) {
        const float e = elevationOf(row);
        const float cosE = std::cos(e);
        // Azimuth span of this row within reach of the star.
        const float need = (std::cos(reach) - se * std::sin(e)) / std::max(1e-6f, ce * cosE);
        if (need > 1.0f) continue;
        const float span = need < -1.0f ? kPi * 0.5f : std::min(kPi * 0.5f, std::acos(need));
        const int cLo = static_cast<int>(std::floor((az - span) / kColumnAngle));
        const int cHi = static_cast<int>(std::ceil((az + span) / kColumnAngle));
        for (int c = cLo; c <= cHi; ++c) {
            const float dAz = (c + 0.5f) * kColumnAngle - az;
            const float cosD = se * std::sin(e) + ce * cosE * std::cos(dAz);
            const float d = std::acos(std::min(1.0f, cosD));
            const float w = std::exp(-d * d / (2.0f * radius * radius));
            if (w < 0.002f) continue;
            const int wrapped = ((c % W) + W) % W;
            img.at(wrapped, row) = img.at(wrapped, row) + colour * w;
        }
    }
}

ColorImage nightSky() {
    ColorImage img(W, H);
    const Rgb horizon = hexColor(0x24386a), mid = hexColor(0x101c3c), zenith = hexColor(0x050914);
    for (int row = 0; row < H; ++row) {
        const float e = elevationOf(row);
        const float t = 1.0f - std::exp(-e / 0.3f);
        const Rgb base = t < 0.5f ? mix(horizon, mid, t * 2.0f) : mix(mid, zenith, (t - 0.5f) * 2.0f);
        for (int column = 0; column < W; ++column) img.at(column, row) = base;
    }

    // The Milky Way: a faint, mottled band along a tilted great circle.
    const float tilt = 0.9f;
    for (int row = 0; row < H; ++row) {
        const float e = elevationOf(row);
        for (int column = 0; column < W; ++column) {
            const float a = 2.0f * azimuthOf(column);
            const float dx = std::cos(e) * std::cos(a), dy = std::sin(e), dz = std::cos(e) * std::sin(a);
            const float off = dy * std::cos(tilt) - dz * std::sin(tilt);  // distance from the band's plane
            const float band = std::exp(-off * off / (2.0f * 0.12f * 0.12f));
            if (band < 0.01f) continue;
            // Mottling from noise on the band's own coordinates: along the circle and across it.
            const float along = std::atan2(dz * std::cos(tilt) + dy * std::sin(tilt), dx);
            const float mottle = clamp01(0.45f + 1.2f * planeFbm(std::cos(along) * 6.0f, std::sin(along) * 6.0f + off * 14.0f,
                                                                 5, 0.55f, 2001u));
            img.at(column, row) = img.at(column, row) + hexColor(0x323c58) * (band * mottle * 0.5f);
        }
    }

    // Green aurora curtains: each has a base at a height above a ground track that
    // winds around the viewer, bright at the lower edge and fading upward, with fine
    // vertical rays.
    struct Curtain {
        float distance, wobble, height, fade, strength;
        uint32_t seed;
    };
    const Curtain curtains[] = {{1.1f, 0.45f, 0.35f, 0.3f, 1.0f, 3001u},
                                {2.2f, 0.5f, 0.35f, 0.18f, 0.9f, 3002u},
                                {0.55f, 0.35f, 0.35f, 0.35f, 0.6f, 3003u}};
    for (const Curtain& cu : curtains) {
        for (int column = 0; column < W; ++column) {
            const float u = (column + 0.5f) / W;
            // The ground track winds slowly, with smaller folds along the curtain.
            const float track = cu.distance * (1.0f + cu.wobble * cylinderFbm(u, 0.5f, 3, 1, false, 3, 0.5f, cu.seed) +
                                               0.12f * cylinderFbm(u, 0.5f, 16, 1, false, 2, 0.5f, cu.seed + 5u));
            const float baseElevation = std::atan2(cu.height, track);
            // Bright stretches and gaps at two scales.
            const float presence = smoothstep(-0.3f, 0.25f, cylinderFbm(u, 0.2f, 2, 1, false, 3, 0.5f, cu.seed + 7u)) *
                                   (0.35f + 0.65f * smoothstep(-0.3f, 0.35f, cylinderFbm(u, 0.4f, 9, 1, false, 2, 0.5f, cu.seed + 8u)));
            const float folds = 0.6f + 0.4f * cylinderFbm(u, 0.7f, 24, 1, false, 2, 0.5f, cu.seed + 11u);
            const float amount = presence * folds * cu.strength;
            if (amount <= 0.001f) continue;
            for (int row = 0; row < H; ++row) {
                const float e = elevationOf(row);
                const float d = e - baseElevation;
                float glow;
                if (d < 0.0f) glow = std::exp(-d * d / (2.0f * 0.018f * 0.018f));
                else glow = std::exp(-d / cu.fade) * (0.7f + 0.3f * std::exp(-d / 0.02f));
                if (glow < 0.003f) continue;
                // Vertical rays that drift slowly with height.
                const float rays = clamp01(0.55f + 0.8f * cylinderFbm(u, e / (0.5f * kPi), 400, 2, false, 2, 0.5f, cu.seed + 9u));
                // Green low down, toward blue-violet in the thin upper reaches.
                const float up = clamp01(d / (cu.fade * 2.5f));
                const Rgb colour = mix(hexColor(0x48f07a), hexColor(0x7a5ac8), smoothstep(0.3f, 1.0f, up));
                img.at(column, row) = img.at(column, row) + colour * (glow * amount * rays * 1.8f);
            }
        }
    }

    // Stars, evenly spread over the half-sky the image covers, most of them faint.
    Rng rng(0x57A25u);
    for (int i = 0; i < 9000; ++i) {
        const float az = rng.uniform(0.0f, kPi);
        const float el = std::asin(static_cast<float>(rng.unit()));  // uniform in solid angle
        const float magnitude = std::pow(static_cast<float>(rng.unit()), 5.0f);
        const float brightness = 0.08f + 1.6f * magnitude;
        const float warmth = rng.uniform(-1.0f, 1.0f);
        const Rgb tint = warmth > 0.0f ? mix(Rgb{1, 1, 1}, hexColor(0xffd8a8), warmth * 0.6f)
                                       : mix(Rgb{1, 1, 1}, hexColor(0xb8ccff), -warmth * 0.6f);
        // Near the horizon the thicker air dims and reddens the stars.
        const float extinction = smoothstep(0.0f, 0.25f, el);
        addStar(img, az, el, 0.00045f + 0.0003f * magnitude, tint * (brightness * (0.3f + 0.7f * extinction)));
    }
    expose(img, kNightExposure);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[2] : "";
    if (mode != "day" && mode != "night") {
        std::fprintf(stderr, "usage: %s <asset output root> day|night\n", argv[0]);
        return 2;
    }
    try {
        const ColorImage img = mode == "day" ? daySky() : nightSky();
        writePng8(assetPath(argv[1], mode == "day" ? "sprites/miljoo/taivaspaiva.png" : "sprites/miljoo/taivasyo.png"),
                  W, H, 3, toRgb8(img));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
