#pragma once
// CPU versions of one particle simulation step, for one particle of either
// system, with the same draws in the same order as the GPU program.

#include <cstdint>

#include "reference/FieldSampler.h"

namespace tolmero::reference {

struct Particle {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float age = 0.0f;
};

// The CameraConstant fields the simulation reads.
struct ParticleStepInputs {
    float time = 0.0f;  // beats
    std::int32_t resetParticles = 0;
    float logoActivation = -1.0f;
};

// The flame system (scene 3). groundHeights is slice 3 of the random fields,
// placement slice 7.
Particle stepFlameParticle(Particle particle, std::uint32_t index, const ParticleStepInputs& inputs,
                           const FieldImage& groundHeights, const FieldImage& placement);

// The logo system (scene 0). logoRed is the red channel of the logo image,
// values 0 to 1.
Particle stepLogoParticle(Particle particle, std::uint32_t index, const ParticleStepInputs& inputs,
                          const FieldImage& logoRed);

// The n-th draw (1 for the first) of particle `index`'s random stream in the
// step at `time`, as a unit value in (0, 1]: lets a test check which draw a
// step used for what.
float particleDraw(std::uint32_t index, float time, int n);

// The flow's curl at p (forward differences of step 0.001, not divided by
// the step), exposed for checks of the flow itself.
void flameCurl(const float p[3], float curl[3]);
void logoCurl(const float p[3], float curl[3]);

// Rejection sampling stops after this many tries (the GPU does the same).
constexpr int kMaxRespawnTries = 256;

}  // namespace tolmero::reference
