#include "tests/support/ParticleReference.h"

#include "reference/RandomReference.h"

namespace tolmero::reference {

namespace {

struct Draws {
    RandomState state;
    float operator()() { return unit(state.next()); }
};

Draws particleDraws(std::uint32_t index, float time) {
    Draws draws;
    draws.state = {2u, static_cast<std::uint32_t>(time * 1000.0f), index};
    return draws;
}

using Potential = void (*)(const float p[3], float out[3]);

void flamePotential(const float p[3], float out[3]) {
    const float qx = 60.0f * p[0];
    const float qy = 60.0f * p[1];
    const float qz = 60.0f * p[2];
    out[0] = 2.0f * valueNoise3(qx, qy, qz) + 50.0f * p[2];
    out[1] = 2.0f * valueNoise3(qx, qy, qz + 1.0f);
    out[2] = 2.0f * valueNoise3(qx, qy, qz + 2.0f) - 50.0f * p[0];
}

void logoPotential(const float p[3], float out[3]) {
    const float qx = 7.0f * p[0];
    const float qy = 7.0f * p[1];
    const float qz = 7.0f * p[2];
    out[0] = 20.0f * valueNoise3(qx, qy, qz + 1.0f);
    out[1] = 20.0f * valueNoise3(qx, qy, qz) - 60.0f * p[2];
    out[2] = 20.0f * valueNoise3(qx, qy, qz + 2.0f) + 60.0f * p[1];
}

void forwardCurl(Potential potential, const float p[3], float curl[3]) {
    float base[3];
    potential(p, base);
    // d[i][k]: change of component k for a step of 0.001 along axis i.
    float d[3][3];
    for (int axis = 0; axis < 3; ++axis) {
        float stepped[3] = {p[0], p[1], p[2]};
        stepped[axis] += 0.001f;
        float value[3];
        potential(stepped, value);
        for (int k = 0; k < 3; ++k) d[axis][k] = value[k] - base[k];
    }
    curl[0] = d[1][2] - d[2][1];
    curl[1] = d[2][0] - d[0][2];
    curl[2] = d[0][1] - d[1][0];
}

}  // namespace

float particleDraw(std::uint32_t index, float time, int n) {
    Draws draw = particleDraws(index, time);
    float value = 0.0f;
    for (int k = 0; k < n; ++k) value = draw();
    return value;
}

void flameCurl(const float p[3], float curl[3]) { forwardCurl(flamePotential, p, curl); }
void logoCurl(const float p[3], float curl[3]) { forwardCurl(logoPotential, p, curl); }

Particle stepFlameParticle(Particle particle, std::uint32_t index, const ParticleStepInputs& inputs,
                           const FieldImage& groundHeights, const FieldImage& placement) {
    Draws draw = particleDraws(index, inputs.time);
    if (particle.age > 1.0f || inputs.resetParticles == 1) {
        for (int tries = 0; tries < kMaxRespawnTries; ++tries) {
            particle.x = draw();
            particle.z = draw();
            const float h = sampleBilinearWrap(groundHeights, particle.x, particle.z);
            const float q = sampleBilinearWrap(placement, particle.x, particle.z);
            particle.y = h * (0.05f + 0.2f * draw()) + 0.001f;
            const float ageDraw = draw();  // taken in every try, reset or not
            particle.age = inputs.resetParticles != 0 ? ageDraw : 0.0f;
            if (q >= 0.01f * draw() - 0.0001f) break;
        }
    }
    particle.age += 0.01f * (0.5f + draw() * 0.5f);

    const float p[3] = {particle.x, particle.y, particle.z};
    float curl[3];
    flameCurl(p, curl);
    particle.x += 0.003f * curl[0];
    particle.y += 0.003f * curl[1];
    particle.z += 0.003f * curl[2];
    return particle;
}

Particle stepLogoParticle(Particle particle, std::uint32_t index, const ParticleStepInputs& inputs,
                          const FieldImage& logoRed) {
    Draws draw = particleDraws(index, inputs.time);
    if (inputs.resetParticles != 0) {
        for (int tries = 0; tries < kMaxRespawnTries; ++tries) {
            particle.x = 2.0f * draw() - 1.0f;
            particle.y = 2.0f * draw() - 1.0f;
            particle.z = 0.45f + 0.1f * draw();
            if (sampleBilinearWrap(logoRed, 0.5f * particle.x + 0.5f, 0.5f - 0.5f * particle.y) <= 0.5f) break;
        }
        particle.age = -1.0f;
    }

    const float edgeDraw = draw();  // taken for every particle, dormant or awake
    if (particle.age < 0.0f &&
        0.5f * particle.x - 0.5f < 3.0f * (0.05f * edgeDraw + inputs.logoActivation - 1.0f) - 2.0f) {
        particle.age = 0.01f;
    }

    if (particle.age >= 0.0f) {
        const float age = particle.age + 0.01f * (0.5f + 0.5f * draw());
        const float p[3] = {particle.x, particle.y, 2.0f * particle.z};  // (x, y, w)
        float curl[3];
        logoCurl(p, curl);
        const float speed = 0.08f * (1.0f - age);
        particle.x += speed * curl[0];
        particle.y += speed * curl[1];
        particle.z += speed * curl[2];
        particle.age = age;
    }
    return particle;
}

}  // namespace tolmero::reference
