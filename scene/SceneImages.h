#pragma once
// The start-up images of the scene: the dither and logo images and the six
// texture arrays, created in the production's order (after the particle
// buffers, before the vegetation tables and the machine meshes).

#include "scene/SceneResources.h"

namespace tolmero {

// Fills scene.dither, logo, stumpSprites, ground, characterSprites with
// characterAspectRatios, vegetationSprites with vegetationAspectRatios,
// waterImages and skyImages, in that order. The images are decoded ahead of
// their loads on a worker thread; the GPU work and its order are unchanged.
void createSceneImages(SceneResources& scene);

}  // namespace tolmero
