#include "tracks/tools/JointCurves.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "tracks/TrackSet.h"

namespace tolmero::shots {

// One dig cycle every 30 beats from beat 230: reach out high (boom forward,
// stick raised), dig (stick down into the ground, bucket curling), lift
// (boom up, stick level), then swing back out and open the bucket.
std::vector<ScalarKey> kauha1() {
    return {{222.844f, S, 0.1f},   {230.0f, S, -0.90f},  {240.0f, S, -1.00f},     {250.0f, S, 0.10f},
            {260.0f, S, -0.90f},   {270.0f, S, -1.05107f}, {280.0f, S, 0.235584f}, {290.0f, S, -0.90f},
            {300.0f, S, -1.00f},   {310.0f, S, 0.15f},   {320.0f, S, -0.85f},     {330.0f, S, -1.00f},
            {340.0f, S, 0.10f},    {350.0f, S, -0.90f},  {360.0f, S, -1.00f},     {370.0f, S, 0.12f},
            {385.0f, S, -0.90f},   {400.0f, S, -0.95f},  {418.481f, S, 0.0f}};
}
std::vector<ScalarKey> kauha2() {
    return {{223.938f, S, 0.5f},   {230.0f, S, 1.30f},   {241.0f, S, -0.30f},     {260.0f, S, 1.52224f},
            {271.0f, S, -0.362437f}, {290.0f, S, 1.30f}, {301.0f, S, -0.25f},     {320.0f, S, 1.35f},
            {331.0f, S, -0.30f},   {350.0f, S, 1.30f},   {361.0f, S, -0.25f},     {386.0f, S, 1.20f},
            {412.322f, S, 0.3f}};
}
std::vector<ScalarKey> kauha3() {
    return {{232.158f, S, 0.0f},   {243.0f, S, -0.652388f}, {257.0f, S, 0.0724875f}, {273.0f, S, -0.60f},
            {300.0f, S, 0.05f},    {333.0f, S, -0.55f},     {362.0f, S, 0.0f},       {409.182f, S, -0.40f}};
}
std::vector<ScalarKey> koura1() {
    return {{223.938f, S, 1.45f},  {236.5f, S, 3.05f},   {249.8f, S, 1.55f},      {260.3f, S, 3.15f},
            {271.186f, S, 1.60f},  {271.186f, S, 1.95f}, {283.4f, S, 3.10f},      {298.0f, S, 5.0f},
            {314.5f, S, 9.2f},     {329.2f, S, 13.3455f}, {347.8f, S, 6.0f},      {368.3f, S, -4.2f},
            {389.5f, S, -11.0947f}, {406.67f, S, -10.2f}};
}
std::vector<ScalarKey> koura2() {
    return {{223.938f, S, 0.45f},  {230.0f, S, 0.55f},   {236.5f, S, -0.35f},     {243.0f, S, 0.20f},
            {249.8f, S, 0.616617f}, {255.0f, S, 0.30f},  {260.3f, S, -0.40f},     {266.0f, S, 0.30f},
            {271.186f, S, 0.50f},  {277.0f, S, 0.20f},   {283.4f, S, -0.496617f}, {300.0f, S, 0.30f},
            {330.0f, S, -0.20f},   {360.0f, S, 0.40f},   {408.39f, S, 0.0f}};
}
std::vector<ScalarKey> koura4() {
    return {{226.087f, S, 0.80f},  {232.0f, S, 0.90f},   {237.0f, S, -0.50f},     {244.0f, S, 0.30f},
            {250.0f, S, 1.06919f}, {261.0f, S, -0.978581f}, {266.0f, S, 0.20f},   {272.0f, S, 0.90f},
            {284.0f, S, -0.60f},   {310.0f, S, 0.40f},   {360.0f, S, -0.30f},     {421.076f, S, 0.20f}};
}

namespace {

// The lift cylinder's angle for a main boom angle: it turns about its own
// pivot on the column so that it keeps pointing at its mounting on the boom.
float liftCylinderAngle(float boom) {
    // Modelling axes (along the machine, up): the boom's pivot, the mounting
    // on the boom at rest and the cylinder's pivot.
    const float fy = 1.873f, fz = 3.271f, ay = 1.98f, az = 6.4f, cy = 2.414f, cz = 4.657f;
    auto angle = [](float y, float z) { return std::atan2(-y, z); };
    const float ry = ay - fy, rz = az - fz;
    const float my = fy + ry * std::cos(boom) - rz * std::sin(boom);
    const float mz = fz + rz * std::cos(boom) + ry * std::sin(boom);
    return angle(my - cy, mz - cz) - angle(ay - cy, az - cz);
}

TrackSet machineTracks() {
    std::map<std::string, Track, std::less<>> tracks;
    auto scalar = [](const std::vector<ScalarKey>& keys) {
        Track t;
        for (const ScalarKey& k : keys) t.push_back({k.time, {k.time, k.value, 0.0f, k.kind == C ? 3.0f : 1.0f}});
        return t;
    };
    tracks["Koura 2"] = scalar(koura2());
    tracks["Koura 4"] = scalar(koura4());
    return TrackSet(tracks);
}

// Keys at `times` whose values follow `value(t)`, clamped to [lo, hi]; the
// key where the curve comes nearest the low bound takes it exactly, and so
// does the one nearest the high bound unless the caller places that itself.
std::vector<ScalarKey> followKeys(const std::vector<float>& times, const std::function<float(float)>& value, float lo,
                                  float hi, bool placeHigh = true) {
    std::vector<ScalarKey> keys;
    for (float t : times) keys.push_back({t, S, std::clamp(value(t), lo, hi)});
    auto byValue = [](const ScalarKey& a, const ScalarKey& b) { return a.value < b.value; };
    std::min_element(keys.begin(), keys.end(), byValue)->value = lo;
    if (placeHigh) std::max_element(keys.begin(), keys.end(), byValue)->value = hi;
    return keys;
}

}  // namespace

std::vector<ScalarKey> koura3() {
    TrackSet boom = machineTracks();
    return followKeys({226.689f, 232.0f, 237.5f, 243.0f, 249.5f, 255.0f, 260.5f, 266.0f, 271.5f, 277.0f, 283.5f,
                       300.0f, 330.0f, 360.0f, 415.195f},
                      [&](float t) { return liftCylinderAngle(boom.evaluate("Koura 2", t).y); }, -0.638908f,
                      0.730412f);
}
std::vector<ScalarKey> koura5() {
    TrackSet booms = machineTracks();
    std::vector<ScalarKey> keys = followKeys(
        {225.279f, 232.0f, 237.0f, 244.0f, 250.0f, 261.0f, 266.0f, 272.0f, 284.0f, 345.0f, 380.0f, 412.623f},
        [&](float t) { return -(booms.evaluate("Koura 2", t).y + booms.evaluate("Koura 4", t).y); }, -1.25041f,
        2.12026f, false);
    // Flung outward while the crane whirls fastest.
    for (ScalarKey& k : keys)
        if (k.time == 345.0f) k.value = 2.12026f;
    return keys;
}

}  // namespace tolmero::shots
