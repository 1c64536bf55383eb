#include "tracks/tools/ShotReport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "reference/RandomReference.h"
#include "reference/VegetationReference.h"
#include "scene/Vegetation.h"
#include "tracks/tools/ShotWorld.h"

namespace tolmero::shots {
namespace {

// Trees of a scene, from the CPU copy of the vegetation scatter: a camera
// inside a crown sees only green, and a trunk between the eye and the girl
// hides her.

struct Tree {
    float x, y, z;    // foot
    float height;
    float halfWidth;  // of the painted tree: the quad is 1.5 image widths, the images half as wide as tall
};

const std::vector<Tree>& trees(int scene) {
    static std::map<int, std::vector<Tree>> cache;
    auto [it, added] = cache.try_emplace(scene);
    if (!added) return it->second;
    for (std::uint32_t i = 0; i < kSpriteCount; ++i) {
        const auto point = tolmero::reference::scatterSprite(i, 0.0f);
        const float h = tolmero::reference::sampleRandomField(scene, point.x, point.z);
        const auto sprite = tolmero::reference::scatterSprite(i, h);
        if (sprite.plantClass != 1 && sprite.plantClass != 2 && sprite.plantClass != 4) continue;
        const float height = tolmero::reference::spriteSizeFactor(i) * kTypeHeights[static_cast<std::size_t>(sprite.type)] * 0.04f;
        it->second.push_back({sprite.x - 0.5f, h * 0.05f, sprite.z - 0.5f, height, height * 0.25f});
    }
    return it->second;
}

// The first tree the eye stands in, or whose trunk the sight line to
// `target` passes (closer than half its painted width, below its top).
std::string treeTrouble(int scene, V3 eye, bool hasTarget, V3 target) {
    for (const Tree& tree : trees(scene)) {
        const float dx = eye.x - tree.x, dz = eye.z - tree.z;
        if (eye.y < tree.y + tree.height && dx * dx + dz * dz < tree.halfWidth * tree.halfWidth) return " IN-TREE";
        if (!hasTarget) continue;
        const V3 d = target - eye;
        const float along = ((tree.x - eye.x) * d.x + (tree.z - eye.z) * d.z) / (d.x * d.x + d.z * d.z);
        if (along <= 0.0f || along >= 1.0f) continue;
        const V3 p = eye + d * along;
        const float ox = p.x - tree.x, oz = p.z - tree.z;
        if (p.y < tree.y + tree.height * 0.9f && ox * ox + oz * oz < 0.5f * tree.halfWidth * tree.halfWidth)
            return " BLOCKED";
    }
    return "";
}

// ---------------------------------------------------------------------------
// Report: what each shot shows

struct Frame {
    V3 eye, forward, right, up;
    float fov = 45.0f;
};

Frame frameAt(TrackSet& set, float t) {
    Frame f;
    const TrackValue e = set.evaluate("Camera position", t);
    f.eye = {e.x, e.y, e.z};
    f.forward = direction(set.evaluate("Camera x angle", t).y, set.evaluate("Camera y angle", t).y);
    const V3 r{-f.forward.z, 0.0f, f.forward.x};
    f.right = r * (1.0f / length(r));
    f.up = {f.right.y * f.forward.z - f.right.z * f.forward.y, f.right.z * f.forward.x - f.right.x * f.forward.z,
            f.right.x * f.forward.y - f.right.y * f.forward.x};
    f.fov = set.evaluate("Field of view", t).y;
    return f;
}

// Normalised screen position (x right, y up, -1..1 at the edges of a 16:9
// frame) and depth of a point.
struct Screen {
    float x, y, depth;
};
Screen project(const Frame& f, V3 p) {
    const V3 rel = p - f.eye;
    const float depth = dot(rel, f.forward);
    const float k = 1.0f / std::tan(f.fov * 0.5f * kPi / 180.0f);
    return {dot(rel, f.right) / depth * k / (16.0f / 9.0f), dot(rel, f.up) / depth * k, depth};
}

}  // namespace

void report(const Directed& d) {
    std::map<std::string, Track, std::less<>> all = tolmero::productionTracks();
    for (const auto& [name, track] : d.tracks) all[name] = track;
    TrackSet set(all);

    auto sprite = [&](float t) {
        const TrackValue v = set.evaluate("Sprite position", t);
        return V3{v.x, v.y, v.z};
    };
    std::printf("  beat  sc  eye x      y        z     clear   yaw     pitch   fov  | sprite: scr x   y   h   feet | "
                "stump x y | machines x y\n");
    for (float t = -2.0f; t <= 424.0f; t += 0.5f) {
        const int scene = sceneAt(t);
        const Frame f = frameAt(set, t);
        float floor = ground(scene, f.eye.x, f.eye.z);
        if (scene == 1) floor = std::max(floor, waterTop(f.eye.x, f.eye.z));
        std::printf("%6.1f  %d %7.3f %8.4f %7.3f %7.4f %7.3f %7.3f %5.1f |", t, scene, f.eye.x, f.eye.y, f.eye.z,
                    f.eye.y - floor, set.evaluate("Camera x angle", t).y, set.evaluate("Camera y angle", t).y, f.fov);
        const V3 foot = sprite(t);
        const float size = set.evaluate("Sprite size", t).y;
        const Screen s = project(f, foot + V3{0.0f, size * 0.5f, 0.0f});
        const Screen top = project(f, foot + V3{0.0f, size, 0.0f});
        const Screen bottom = project(f, foot);
        const bool girlInView = s.depth > 0.0f && std::abs(s.x) < 1.3f && std::abs(s.y) < 1.3f;
        if (girlInView)
            std::printf(" %5.2f %5.2f %4.2f %7.4f |", s.x, s.y, (top.y - bottom.y) * 0.5f,
                        foot.y - ground(scene, foot.x, foot.z));
        else
            std::printf("          -               |");
        const std::string trouble = treeTrouble(scene, f.eye, girlInView, foot + V3{0.0f, size * 0.6f, 0.0f});
        if (scene == 0) {
            const Screen st = project(f, stump());
            if (st.depth > 0.0f && std::abs(st.x) < 1.3f && std::abs(st.y) < 1.3f)
                std::printf(" %5.2f %5.2f |", st.x, st.y);
            else
                std::printf("      -     |");
        }
        if (scene == 3) {
            for (V3 m : {truck(), forwarder(), excavator()}) {
                const Screen sm = project(f, m);
                if (sm.depth > 0.0f && std::abs(sm.x) < 1.3f && std::abs(sm.y) < 1.3f)
                    std::printf(" %5.2f %5.2f %5.3f", sm.x, sm.y, sm.depth);
                else
                    std::printf("       -          ");
            }
        }
        std::printf("%s\n", trouble.c_str());
    }
}

}  // namespace tolmero::shots
