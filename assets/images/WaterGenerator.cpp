// Writes the two water photographs "sprites/miljoo/maasto/vesi/vesi001.jpg" and
// "vesi002.jpg". The water pass stretches them once over the whole landscape of
// scene 1 (texel (x, y) lies at world x = (x + 0.5) / 1024 - 0.5, z likewise from y),
// so they are painted for that landscape: dark, peat-stained water that mirrors the
// grey sky where the surface is calm and darkens where the wind roughens it in long
// lanes, with the shore's vegetation mirrored as a dark band along every shore and
// the shallows at the water's edge showing the peat. The height field is scene 1's,
// computed on the CPU as the GPU computes it. The two frames differ in the ripples'
// phase, the glints and a small drift of the mirrored clouds, so that cross-fading
// between them makes the surface shimmer.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/ImageFile.h"
#include "common/Noise.h"
#include "common/Random.h"
#include "common/Raster.h"
#include "reference/RandomReference.h"

using namespace tolmero::images;

namespace {

constexpr int N = 1024;
constexpr float kTwoPi = 6.28318530718f;
constexpr int kScene = 1;
// The random field that sets how high each water vertex heaves.
constexpr int kWaveAmplitudeSlice = 3;

// Where the water is open and how far it is from land, per texel.
struct Basin {
    Plane depth;  // mean water level minus the terrain's height, world units; <= 0 on land
    Plane shore;  // distance to the nearest land texel, in texels; 0 on land
};

// Two-pass chamfer distance (steps of 1 and sqrt 2) from the land texels.
Plane distanceToLand(const Plane& depth) {
    constexpr float kFar = 1e6f, kDiagonal = 1.41421356f;
    Plane d(N, N, kFar);
    for (size_t i = 0; i < d.v.size(); ++i)
        if (depth.v[i] <= 0.0f) d.v[i] = 0.0f;
    auto relax = [&](int x, int y, int dx, int dy, float step) {
        const int nx = x + dx, ny = y + dy;
        if (nx < 0 || ny < 0 || nx >= N || ny >= N) return;
        d.at(x, y) = std::min(d.at(x, y), d.at(nx, ny) + step);
    };
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            relax(x, y, -1, 0, 1.0f), relax(x, y, 0, -1, 1.0f);
            relax(x, y, -1, -1, kDiagonal), relax(x, y, 1, -1, kDiagonal);
        }
    for (int y = N - 1; y >= 0; --y)
        for (int x = N - 1; x >= 0; --x) {
            relax(x, y, 1, 0, 1.0f), relax(x, y, 0, 1, 1.0f);
            relax(x, y, 1, 1, kDiagonal), relax(x, y, -1, 1, kDiagonal);
        }
    return d;
}

Basin makeBasin() {
    using namespace tolmero::reference;
    Basin basin{Plane(N, N), Plane()};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            // The water's vertices heave between 0 and 0.01 x amplitude; half of
            // that is its mean level.
            const float amplitude = sampleRandomField(kWaveAmplitudeSlice, u, v) * 0.5f + 0.05f;
            const float level = 0.005f * amplitude;
            basin.depth.at(x, y) = level - terrainHeight(kScene, u - 0.5f, v - 0.5f);
        }
    }
    basin.shore = distanceToLand(basin.depth);
    return basin;
}

// Rings spreading from raindrops and insects: wave trains whose slope is added to the
// wind ripples. In the second frame every ring has grown a little.
void addRings(Plane& slopeX, Plane& slopeY, int frame) {
    Rng rng(0x7199u);
    for (int ring = 0; ring < 40; ++ring) {
        const float cx = rng.uniform(0.0f, static_cast<float>(N));
        const float cy = rng.uniform(0.0f, static_cast<float>(N));
        const float radius = rng.uniform(4.0f, 40.0f) + frame * rng.uniform(2.0f, 4.0f);
        const float wavelength = rng.uniform(2.5f, 4.0f);
        const float width = wavelength * rng.uniform(1.2f, 2.2f);
        const float strength = rng.uniform(2.0f, 4.0f) * 12.0f / (radius + 12.0f);
        const int reach = static_cast<int>(radius + 3.0f * width);
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                const float r = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                const float d = r - radius;
                if (std::abs(d) > 3.0f * width || r < 0.5f) continue;
                const int x = static_cast<int>(cx) + dx, y = static_cast<int>(cy) + dy;
                if (x < 0 || y < 0 || x >= N || y >= N) continue;
                // Slope of a Gaussian-enveloped wave train along the radius.
                const float envelope = std::exp(-d * d / (2.0f * width * width));
                const float slope = strength * envelope * std::cos(kTwoPi * d / wavelength);
                slopeX.at(x, y) += slope * dx / r;
                slopeY.at(x, y) += slope * dy / r;
            }
        }
    }
}

// Slopes of fine ripples, normalised to unit RMS, their crests running with the lanes
// of the wind. The second frame moves the field across them and blends in a little
// of another.
void makeRipples(Plane& slopeX, Plane& slopeY, int frame) {
    Plane height(N, N);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float shift = frame * 0.35f / 160.0f;
            height.at(x, y) = cylinderFbm(u, v + shift, 40, 160, true, 3, 0.5f, 21u) +
                              0.35f * cylinderFbm(u, v, 120, 260, true, 2, 0.5f, 22u + frame);
        }
    }
    slopeX = Plane(N, N);
    slopeY = Plane(N, N);
    double sum2 = 0.0;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float sx = height.wrapped(x + 1, y) - height.wrapped(x - 1, y);
            const float sy = height.wrapped(x, y + 1) - height.wrapped(x, y - 1);
            slopeX.at(x, y) = sx;
            slopeY.at(x, y) = sy;
            sum2 += sx * sx + sy * sy;
        }
    }
    const float norm = static_cast<float>(1.0 / std::sqrt(sum2 / (static_cast<double>(N) * N)));
    for (size_t i = 0; i < slopeX.v.size(); ++i) {
        slopeX.v[i] *= norm;
        slopeY.v[i] *= norm;
    }
    addRings(slopeX, slopeY, frame);
}

ColorImage makeWater(const Basin& basin, int frame) {
    const float drift = 0.004f * frame;
    Plane slopeX, slopeY;
    makeRipples(slopeX, slopeY, frame);

    const Rgb deep = hexColor(0x0f1416), peat = hexColor(0x3a2a18);
    const Rgb skyLow = hexColor(0x7d8e9e), skyHigh = hexColor(0xb4c2cf), cloudBright = hexColor(0xdde2e6);
    const Rgb shoreMirror = hexColor(0x1a1e14);
    // The wind blows along this direction (a unit vector in texture space).
    const float windX = 0.94f, windY = 0.34f;
    ColorImage img(N, N);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float shore = basin.shore.at(x, y);
            // Under the land the water never shows, but its texels still reach the
            // shore through filtering and mip levels: give them the shore's colour.
            if (shore <= 0.0f) {
                img.at(x, y) = shoreMirror;
                continue;
            }
            // Wind: gusts darken broad stretches of the surface, and lanes of rough
            // water run along the wind through the calm between them, bent by a slower
            // noise. Rough water is dark, the calm water mirrors the sky.
            const float along = u * windX + v * windY;
            const float across = -u * windY + v * windX + 0.06f * planeFbm(u * 5.0f, v * 5.0f, 2, 0.5f, 33u);
            const float gust = smoothstep(-0.1f, 0.2f, planeFbm(along * 3.0f, across * 6.0f, 3, 0.5f, 34u));
            const float lanes = smoothstep(-0.05f, 0.15f, planeFbm(along * 6.0f, across * 22.0f, 4, 0.5f, 31u));
            const float rough = clamp01(0.75f * gust + lanes * (0.3f + 0.45f * gust));
            const float amp = 0.15f + 0.85f * rough;
            const float sx = slopeX.at(x, y) * amp, sy = slopeY.at(x, y) * amp;

            // The mirrored sky, its clouds seen through the distortion of the ripples.
            const float ru = u + sx * 0.002f + drift, rv = v + sy * 0.002f;
            Rgb mirrored = mix(skyLow, skyHigh, clamp01(0.5f + 1.2f * tileFbm(ru, rv, 3, 3, 0.5f, 42u)));
            mirrored = mix(mirrored, cloudBright, smoothstep(0.12f, 0.4f, tileFbm(ru, rv, 6, 5, 0.55f, 41u)));

            // How much of the sky the surface mirrors: the calm water most, ripple
            // faces turned towards the light a little more.
            const float facing = sx * 0.35f - sy * 0.94f;
            const float reflect = clamp01(0.72f - 0.6f * rough + 0.16f * facing);
            Rgb c = mix(deep, mirrored, reflect);

            // The shore mirrored as a dark band, as wide as the vegetation along it is
            // tall; right at the edge the shallows show the peat beneath.
            const float band = 6.0f + 10.0f * clamp01(0.5f + tileFbm(u, v, 40, 3, 0.5f, 71u));
            c = mix(c, shoreMirror, 0.9f * std::exp(-shore / band));
            const float depth = basin.depth.at(x, y);
            c = mix(c, peat, 0.55f * (1.0f - smoothstep(0.0f, 0.0006f, depth)) * smoothstep(0.0f, 1.5f, shore));

            // Glints where a steep ripple catches the brightest sky.
            const float glint = smoothstep(1.6f, 2.8f, facing) * (0.3f + 0.7f * rough);
            c = c + Rgb{0.5f, 0.52f, 0.55f} * (glint * 0.7f);
            img.at(x, y) = c;
        }
    }
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <asset output root>\n", argv[0]);
        return 2;
    }
    try {
        const Basin basin = makeBasin();
        const char* names[] = {"sprites/miljoo/maasto/vesi/vesi001.jpg", "sprites/miljoo/maasto/vesi/vesi002.jpg"};
        for (int frame = 0; frame < 2; ++frame) {
            const ColorImage img = makeWater(basin, frame);
            writeJpeg(assetPath(argv[1], names[frame]), N, N, toRgb8(img), 90);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
