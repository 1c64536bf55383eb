#include "tracks/SceneIndex.h"

#include <algorithm>
#include <cmath>

namespace tolmero {

int truncateToInt(float value) {
    if (std::isnan(value)) return 0;
    constexpr float kLimit = 2147483520.0f;  // largest float below 2^31
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

int sceneIndex(float sceneValue) { return truncateToInt(std::clamp(sceneValue, 0.0f, 3.0f)); }

}  // namespace tolmero
