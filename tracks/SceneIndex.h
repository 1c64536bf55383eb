#pragma once
// Whole numbers read from track values: the scene index of the "scene" track
// and the truncation that the frame uses for titles and sprite frames.

namespace tolmero {

// Truncates toward zero; values beyond the int range saturate and NaN gives 0,
// so no float reaches an undefined conversion.
int truncateToInt(float value);

// Scene index from the "scene" track's y: clamped to 0..3, truncated.
int sceneIndex(float sceneValue);

}  // namespace tolmero
