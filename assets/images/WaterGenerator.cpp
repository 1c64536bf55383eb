// Writes the two water photographs "sprites/miljoo/maasto/vesi/vesi001.jpg" and
// "vesi002.jpg": dark, peat-stained bog water seen from above, mirroring a grey sky
// with soft clouds, broken by wind patches and fine ripples. The two differ in the
// ripples' phase and a small drift of the clouds, so that cross-fading between them
// makes the surface shimmer. Both tile seamlessly.
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

constexpr int N = 1024;
constexpr float kTwoPi = 6.28318530718f;

// Rings spreading from raindrops and insects: wave trains whose slope is added to the
// wind ripples. In the second frame every ring has grown a little.
void addRings(Plane& slopeX, Plane& slopeY, int frame) {
    Rng rng(0x7199u);
    for (int ring = 0; ring < 16; ++ring) {
        const float cx = rng.uniform(0.0f, static_cast<float>(N));
        const float cy = rng.uniform(0.0f, static_cast<float>(N));
        const float radius = rng.uniform(10.0f, 150.0f) + frame * rng.uniform(6.0f, 12.0f);
        const float wavelength = rng.uniform(7.0f, 12.0f);
        const float width = wavelength * rng.uniform(1.2f, 2.2f);
        const float strength = rng.uniform(2.0f, 4.0f) * 40.0f / (radius + 40.0f);
        const int reach = static_cast<int>(radius + 3.0f * width);
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                const float r = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                const float d = r - radius;
                if (std::abs(d) > 3.0f * width || r < 0.5f) continue;
                // Slope of a Gaussian-enveloped wave train along the radius.
                const float envelope = std::exp(-d * d / (2.0f * width * width));
                const float slope = strength * envelope * std::cos(kTwoPi * d / wavelength);
                int x = static_cast<int>(cx) + dx, y = static_cast<int>(cy) + dy;
                x = ((x % N) + N) % N;
                y = ((y % N) + N) % N;
                slopeX.at(x, y) += slope * dx / r;
                slopeY.at(x, y) += slope * dy / r;
            }
        }
    }
}

ColorImage makeWater(int frame) {
    const float drift = 0.012f * frame;

    // Wind ripples: an anisotropic noise height field (crests run across the image),
    // its slopes normalised to unit RMS. The second frame shifts the field along the
    // wind and blends in a little of a different field, like moving ripples.
    Plane heightField(N, N);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float shift = frame * 0.35f / 48.0f;
            heightField.at(x, y) = cylinderFbm(u, v + shift, 10, 48, true, 4, 0.5f, 21u) +
                                   0.35f * cylinderFbm(u, v, 40, 96, true, 2, 0.5f, 22u + frame);
        }
    }
    Plane slopeX(N, N), slopeY(N, N);
    double sum2 = 0.0;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float sx = heightField.wrapped(x + 1, y) - heightField.wrapped(x - 1, y);
            const float sy = heightField.wrapped(x, y + 1) - heightField.wrapped(x, y - 1);
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

    ColorImage img(N, N);
    const Rgb deep = hexColor(0x120d08), peat = hexColor(0x2e2014);
    const Rgb skyLow = hexColor(0x6a829c), skyHigh = hexColor(0xa8bccf), cloudBright = hexColor(0xd8dce0);
    const Rgb forest = hexColor(0x181c12);
    const float viewX = 0.35f, viewY = -0.94f;  // ripple faces tilted this way mirror the bright horizon
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            // Wind patches roughen the surface; calm water between them mirrors more sharply.
            const float windField = tileFbm(u + drift * 0.5f, v, 3, 4, 0.55f, 31u);
            const float rough = smoothstep(0.0f, 0.45f, windField);
            const float amp = 0.1f + 0.7f * rough;
            const float sx = slopeX.at(x, y) * amp;
            const float sy = slopeY.at(x, y) * amp;
            // The mirrored scene: grey sky with bright clouds, and the dark forest edge,
            // all seen through the distortion of the ripples.
            const float ru = u + sx * 0.01f + drift;
            const float rv = v + sy * 0.01f;
            const float cloud = tileFbm(ru, rv, 2, 6, 0.55f, 41u);
            Rgb mirrored = mix(skyLow, skyHigh, clamp01(0.45f + 0.8f * tileFbm(ru, rv, 1, 2, 0.5f, 42u)));
            mirrored = mix(mirrored, cloudBright, smoothstep(0.1f, 0.35f, cloud));
            const float trees = 0.9f * smoothstep(0.08f, 0.26f, tileFbm(ru, rv, 2, 5, 0.5f, 43u));
            mirrored = mix(mirrored, forest, trees);
            // Share of the mirror against the dark depth: ripple faces turned toward the
            // horizon mirror more, faces turned away show the peat-dark water.
            const float facing = sx * viewX + sy * viewY;
            const float reflect = clamp01(0.68f + 0.16f * facing - 0.12f * rough + 0.08f * tileFbm(u, v, 8, 3, 0.5f, 51u));
            const Rgb under = mix(deep, peat, clamp01(0.5f + tileFbm(u, v, 6, 4, 0.5f, 61u)));
            Rgb c = mix(under, mirrored, reflect * reflect);
            // Glints where a steep ripple catches the brightest sky.
            const float glint = smoothstep(1.5f, 2.6f, facing) * rough * (1.0f - trees);
            c = c + Rgb{0.45f, 0.47f, 0.5f} * (glint * 0.6f);
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
        const char* names[] = {"sprites/miljoo/maasto/vesi/vesi001.jpg", "sprites/miljoo/maasto/vesi/vesi002.jpg"};
        for (int frame = 0; frame < 2; ++frame) {
            const ColorImage img = makeWater(frame);
            writeJpeg(assetPath(argv[1], names[frame]), N, N, toRgb8(img), 90);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
