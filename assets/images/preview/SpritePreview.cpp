// Shows generated sprites the way the sprite passes draw them, without the GPU, so
// that they can be judged at the sizes they appear on screen:
//   tolmero_sprite_preview <out.png> <kind> <array WxH> <heights> <background RRGGBB> <image.png>...
// kind: "grass" or "plant" (vegetation: near-white cut, x0.8 or x0.9, ^1.4, darkening
// toward the foot), "stump" (near-white cut, ^1.4) or "character" (alpha cut at 0.98,
// ^1.4 x 0.5); "kind/N" shows the quads N times shorter than wide, as billboards look
// from high above; "stack:kind" draws all images on one quad position, the first in
// front, as the stump pass stacks its sixteen quads. Each image is stretched to the array's common size and mipmapped by 2 x 2
// box filtering, as the array builder does; every image is then drawn once per screen
// height (pixels, comma-separated) with trilinear filtering, a mip bias of -0.5 and the
// unbiased level of detail for the cut. The output is sRGB, as the swap chain shows it.
#include <spng.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ImageFile.h"
#include "common/Raster.h"

using namespace tolmero::images;

namespace {

struct Texel {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Level {
    int w = 0, h = 0;
    std::vector<Texel> t;
    const Texel& at(int x, int y) const { return t[static_cast<size_t>(y) * w + x]; }
};

std::vector<Texel> readPng(const std::string& path, int& w, int& h) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), &spng_ctx_free);
    spng_ihdr ihdr{};
    if (spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size()) != 0 || spng_get_ihdr(ctx.get(), &ihdr) != 0)
        throw std::runtime_error(path + " is not a PNG");
    size_t size = 0;
    spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size);
    std::vector<uint8_t> raw(size);
    if (spng_decode_image(ctx.get(), raw.data(), size, SPNG_FMT_RGBA8, 0) != 0) throw std::runtime_error("cannot decode " + path);
    w = static_cast<int>(ihdr.width);
    h = static_cast<int>(ihdr.height);
    std::vector<Texel> out(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = {raw[i * 4] / 255.0f, raw[i * 4 + 1] / 255.0f, raw[i * 4 + 2] / 255.0f, raw[i * 4 + 3] / 255.0f};
    return out;
}

Texel bilinear(const Level& l, float u, float v) {
    const float x = u * l.w - 0.5f, y = v * l.h - 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto get = [&](int xi, int yi) { return l.at(std::clamp(xi, 0, l.w - 1), std::clamp(yi, 0, l.h - 1)); };
    const Texel a = get(x0, y0), b = get(x0 + 1, y0), c = get(x0, y0 + 1), d = get(x0 + 1, y0 + 1);
    auto lerp = [](const Texel& p, const Texel& q, float t) {
        return Texel{p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
    };
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

std::vector<Level> mipChain(const std::vector<Texel>& src, int sw, int sh, int aw, int ah) {
    std::vector<Level> chain(1);
    Level& base = chain[0];
    base.w = aw;
    base.h = ah;
    base.t.resize(static_cast<size_t>(aw) * ah);
    Level source{sw, sh, src};
    for (int y = 0; y < ah; ++y)
        for (int x = 0; x < aw; ++x) base.t[static_cast<size_t>(y) * aw + x] = bilinear(source, (x + 0.5f) / aw, (y + 0.5f) / ah);
    while (chain.back().w > 1 || chain.back().h > 1) {
        const Level& p = chain.back();
        Level l;
        l.w = std::max(1, p.w / 2);
        l.h = std::max(1, p.h / 2);
        l.t.resize(static_cast<size_t>(l.w) * l.h);
        for (int y = 0; y < l.h; ++y) {
            for (int x = 0; x < l.w; ++x) {
                Texel s;
                for (int k = 0; k < 4; ++k) {
                    const Texel& q = p.at(std::min(p.w - 1, x * 2 + (k & 1)), std::min(p.h - 1, y * 2 + (k >> 1)));
                    s.r += q.r * 0.25f;
                    s.g += q.g * 0.25f;
                    s.b += q.b * 0.25f;
                    s.a += q.a * 0.25f;
                }
                l.t[static_cast<size_t>(y) * l.w + x] = s;
            }
        }
        chain.push_back(std::move(l));
    }
    return chain;
}

Texel trilinear(const std::vector<Level>& chain, float u, float v, float lod) {
    lod = std::clamp(lod, 0.0f, static_cast<float>(chain.size() - 1));
    const int l0 = static_cast<int>(lod);
    const int l1 = std::min(l0 + 1, static_cast<int>(chain.size() - 1));
    const float f = lod - l0;
    const Texel a = bilinear(chain[l0], u, v), b = bilinear(chain[l1], u, v);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}


std::vector<int> parseList(const std::string& s) {
    std::vector<int> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(std::stoi(item));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s <out.png> grass|plant|stump|character <WxH> <heights> <RRGGBB> <image.png>...\n", argv[0]);
        return 2;
    }
    try {
        std::string kind = argv[2];
        const bool stack = kind.rfind("stack:", 0) == 0;
        if (stack) kind = kind.substr(6);
        float squash = 1.0f;
        if (const size_t slash = kind.find('/'); slash != std::string::npos) {
            squash = std::stof(kind.substr(slash + 1));
            kind = kind.substr(0, slash);
        }
        int aw = 0, ah = 0;
        if (std::sscanf(argv[3], "%dx%d", &aw, &ah) != 2 || aw <= 0 || ah <= 0) throw std::runtime_error("bad array size");
        const std::vector<int> heights = parseList(argv[4]);
        const unsigned bgHex = static_cast<unsigned>(std::stoul(argv[5], nullptr, 16));
        const float bg[3] = {srgbDecode(((bgHex >> 16) & 255) / 255.0f), srgbDecode(((bgHex >> 8) & 255) / 255.0f),
                             srgbDecode((bgHex & 255) / 255.0f)};
        const bool vegetation = kind == "grass" || kind == "plant";
        const bool character = kind == "character";
        const int gap = 6;

        struct Sprite {
            std::vector<Level> chain;
            float aspect;
        };
        std::vector<Sprite> sprites;
        for (int i = 6; i < argc; ++i) {
            int w = 0, h = 0;
            const std::vector<Texel> px = readPng(argv[i], w, h);
            sprites.push_back({mipChain(px, w, h, aw, ah), static_cast<float>(w) / h});
        }
        // Layout: one row per height, images side by side.
        int width = gap, height = gap;
        for (int hgt : heights) {
            int rowWidth = gap;
            for (const Sprite& s : sprites) {
                rowWidth += static_cast<int>(std::ceil(hgt * s.aspect)) + gap;
                if (stack) break;
            }
            width = std::max(width, rowWidth);
            height += static_cast<int>(std::ceil(hgt / squash)) + gap;
        }
        std::vector<float> canvas(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < canvas.size(); ++i) canvas[i] = bg[i % 3];
        int oy = gap;
        for (int hgt : heights) {
            int ox = gap;
            for (size_t index = 0; index < sprites.size(); ++index) {
                // Stacked quads: the back ones first, each nearer one over them.
                const Sprite& s = sprites[stack ? sprites.size() - 1 - index : index];
                const int wpx = static_cast<int>(std::ceil(hgt * s.aspect));
                // Texels per screen pixel along each axis of the array's common size.
                const int rows = static_cast<int>(std::ceil(hgt / squash));
                const float lodRaw = std::log2(std::max(aw / (hgt * s.aspect), static_cast<float>(ah) / (hgt / squash)));
                const float lodCut = std::max(0.0f, lodRaw);
                for (int y = 0; y < rows; ++y) {
                    for (int x = 0; x < wpx; ++x) {
                        const float u = (x + 0.5f) / (hgt * s.aspect), v = (y + 0.5f) / (hgt / squash);
                        Texel c = trilinear(s.chain, u, v, lodRaw - 0.5f);
                        float rgb[3] = {c.r, c.g, c.b};
                        if (character) {
                            if (c.a < 0.98f) continue;
                            for (float& k : rgb) k = std::pow(k, 1.4f) * 0.5f;
                        } else {
                            if (std::sqrt(c.r * c.r + c.g * c.g + c.b * c.b) > lodCut * lodCut * 0.0022f + 1.4f) continue;
                            const float gain = kind == "grass" ? 0.8f : kind == "plant" ? 0.9f : 1.0f;
                            for (float& k : rgb) k = std::pow(k * gain, 1.4f) * (vegetation ? 1.0f - v : 1.0f);
                        }
                        float* o = &canvas[(static_cast<size_t>(oy + y) * width + ox + x) * 3];
                        for (int k = 0; k < 3; ++k) o[k] = rgb[k];
                    }
                }
                if (!stack) ox += wpx + gap;
            }
            oy += static_cast<int>(std::ceil(hgt / squash)) + gap;
        }
        std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < canvas.size(); ++i) out[i] = static_cast<uint8_t>(std::lround(srgbEncode(canvas[i]) * 255.0f));
        writePng8(argv[1], width, height, 3, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
