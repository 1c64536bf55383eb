// The machines: both vertex programs (captured from the production programs)
// against the CPU reference for chosen faces of every part, the solid body's
// 18 lights, and the two-draw pass on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "render/ShaderProgram.h"
#include "scene/Machines.h"
#include "tests/life/LifeTestSupport.h"
#include "tests/support/MachineReference.h"
#include "reference/RandomReference.h"
#include "reference/VegetationReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace lifetest;

Track single(float x, float y, float z) { return {TrackKey{0.0f, {x, y, z, 1.0f}}}; }

// The rig moved: the forest machine turned and driven, its crane swung and
// bent, the tyres rolled, the excavator's arm raised.
std::array<Matrix4, MachineRig::kPartCount> movedRig() {
    TrackSet tracks({{"Kone angle", single(0, 0.6f, 0)},
                     {"Koura pos", single(0.05f, 0.0f, -0.1f)},
                     {"Koura 1", single(0, -0.8f, 0)},
                     {"Koura 2", single(0, 0.3f, 0)},
                     {"Koura 4", single(0, -0.4f, 0)},
                     {"Koura 5", single(0, 0.9f, 0)},
                     {"Renkaat 2", single(0, 1.7f, 0)},
                     {"Rekka pos", single(-0.1f, 0.0f, 0.05f)},
                     {"Kauha 2", single(0, 0.5f, 0)},
                     {"Kaivin angle", single(0, -1.2f, 0)}});
    MachineRig rig;
    rig.update(tracks, 0.0f);
    return rig.transforms();
}

class MachineTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        scene = makeTargets(160, 120);
        createMachineMeshBuffers(scene);
        transforms = movedRig();
        std::vector<Matrix4> matrices(transforms.begin(), transforms.end());
        scene.transform = createStructuredBuffer(matrices, D3D11_BIND_SHADER_RESOURCE, 0);
    }
    void TearDown() override {
        releaseTargets(scene);
        for (IUnknown* object : std::initializer_list<IUnknown*>{
                 scene.machineVertices, scene.machineNormals, scene.machineVertexIndices, scene.machineNormalIndices,
                 scene.machineTransformIndices, scene.transform, scene.camera})
            releaseObject(object);
        LifeTest::TearDown();
    }
    void setCamera(const CameraConstant& constants) {
        camera = constants;
        releaseObject(scene.camera);
        scene.camera = createConstantBuffer(camera);
    }

    SceneResources scene;
    CameraConstant camera;
    std::array<Matrix4, MachineRig::kPartCount> transforms;
};

struct CapturedCorner {
    float wire[4];
    float solid[4];
    float normal[4];
};

TEST_F(MachineTest, VertexProgramsFetchAndTransformLikeTheReference) {
    setCamera(makeCamera({0.15f, 0.04f, -0.45f}, 0.15f, -0.3f, 40.0f, 160, 120));
    const MachineMeshes& meshes = machineMeshes();
    // The first and the last face of every part, all three corners each.
    std::vector<std::uint32_t> vertices;
    std::uint32_t face = 0;
    for (const MachinePartSize& part : kMachinePartSizes) {
        for (std::uint32_t f : {face, face + static_cast<std::uint32_t>(part.faces) - 1})
            for (std::uint32_t corner = 0; corner < 3; ++corner) vertices.push_back(3 * f + corner);
        face += static_cast<std::uint32_t>(part.faces);
    }
    const auto count = vertices.size();
    ID3D11Buffer* ids = createStructuredBuffer(std::vector<std::uint32_t>(vertices), D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* captured =
        createStructuredBuffer(std::vector<CapturedCorner>(count), D3D11_BIND_UNORDERED_ACCESS, 0);
    dispatch(loadTestProgram("MachineVertexCapture"), static_cast<std::uint32_t>((count + 63) / 64), 1, 1,
             {bindingEntry("vertexIds", ids), bindingEntry("captured", captured),
              bindingEntry("CameraConstant", scene.camera), bindingEntry("vertex", scene.machineVertices),
              bindingEntry("normal", scene.machineNormals), bindingEntry("vertexIndex", scene.machineVertexIndices),
              bindingEntry("normalIndex", scene.machineNormalIndices),
              bindingEntry("transformIndex", scene.machineTransformIndices), bindingEntry("transform", scene.transform)});
    const std::vector<CapturedCorner> gpu = readBuffer<CapturedCorner>(captured, count);
    releaseObject(ids);
    releaseObject(captured);

    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t vertex = vertices[i];
        SCOPED_TRACE("vertex " + std::to_string(vertex));
        const ref::MachineCorner solid = ref::machineSolidCorner(meshes, transforms, camera, vertex);
        const std::array<float, 4> wire = ref::machineWireCorner(meshes, transforms, camera, vertex);
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(gpu[i].solid[c], solid.clip[c], 2e-5f * std::max(1.0f, std::fabs(solid.clip[c])));
            EXPECT_NEAR(gpu[i].wire[c], wire[c], 2e-4f * std::max(1.0f, std::fabs(wire[c])));
        }
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(gpu[i].normal[c], solid.normal[c], 1e-5f);
        // The wireframe stands off the surface, by at least 0.004 model units.
        float offset = 0.0f;
        for (int c = 0; c < 4; ++c) offset = std::max(offset, std::fabs(gpu[i].wire[c] - gpu[i].solid[c]));
        EXPECT_GT(offset, 0.0f);
    }

    // The corners come out as first, third, second: corner 1 sits on the
    // triple's third position (and not on its second).
    for (std::size_t i = 0; i < count; i += 3) {
        const FaceIndices& triple = meshes.vertexIndex[vertices[i] / 3];
        const Matrix4& m = transforms[meshes.transformIndex[vertices[i] / 3]];
        auto clipOf = [&](std::uint32_t position) {
            const Float3& p = meshes.positions[position];
            std::array<float, 4> q = ref::transformColumnVector(m, {p.x, p.y, p.z, 1.0f});
            for (int c = 0; c < 3; ++c) q[c] *= 0.005f;
            return ref::transformRowVector(ref::transformRowVector(q, camera.worldToCamera), camera.cameraToClip);
        };
        const std::array<std::uint32_t, 3> expectedOrder = {triple.first, triple.third, triple.second};
        for (int corner = 0; corner < 3; ++corner) {
            const std::array<float, 4> expected = clipOf(expectedOrder[corner]);
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(gpu[i + corner].solid[c], expected[c], 2e-5f * std::max(1.0f, std::fabs(expected[c])));
        }
        const std::array<float, 4> second = clipOf(triple.second);
        EXPECT_GT(std::fabs(gpu[i + 1].solid[0] - second[0]) + std::fabs(gpu[i + 1].solid[1] - second[1]), 1e-6f);
    }
}

struct LightProbe {
    float position[4];
    float normal[4];
};

TEST_F(MachineTest, SolidBodiesReflectTheEighteenLights) {
    const std::uint32_t width = 640, height = 360;
    setCamera(makeCamera({0.1f, 0.05f, -0.2f}, 0.3f, 0.7f, 50.0f, width, height));

    // The first light's camera-space direction: a normal halfway between it
    // and the view direction reflects the view straight into it.
    ref::RandomState state{0xFEC2A17Bu, 0xE3FCE8AFu, 0x297A03D4u};
    float u[3];
    for (float& value : u) value = ref::unit(state.next());
    const std::array<float, 4> firstLight =
        ref::transformRowVector({u[0] - 0.5f, -0.2f * u[1], u[2] - 0.5f, 0.0f}, camera.worldToCamera);

    std::vector<LightProbe> probes;
    std::vector<std::array<float, 3>> normals;
    const float pixels[][2] = {{0.5f, 0.5f}, {320.5f, 180.5f}, {17.5f, 300.5f}, {639.5f, 359.5f}, {400.5f, 20.5f}};
    for (const auto& pixel : pixels) {
        const std::array<float, 3> d = ref::machineViewDirection(pixel[0], pixel[1], width, height, camera.clipToCamera);
        std::array<float, 3> towardLight = {firstLight[0], firstLight[1], firstLight[2]};
        const float l = std::sqrt(towardLight[0] * towardLight[0] + towardLight[1] * towardLight[1] +
                                  towardLight[2] * towardLight[2]);
        std::array<float, 3> half{};
        for (int c = 0; c < 3; ++c) half[c] = towardLight[c] / l + d[c];
        const float hl = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
        for (int c = 0; c < 3; ++c) half[c] /= hl;
        // Unit normals toward the light, facing the camera, and two that
        // arrive scaled (the program does not normalise them).
        for (const std::array<float, 3>& n : {half, std::array<float, 3>{0.0f, 0.0f, 1.0f},
                                              std::array<float, 3>{0.3f, -0.8f, 0.5f},
                                              std::array<float, 3>{half[0] * 0.7f, half[1] * 0.7f, half[2] * 0.7f},
                                              std::array<float, 3>{-0.2f, 1.6f, 0.4f}}) {
            probes.push_back({{pixel[0], pixel[1], 0.5f, 1.0f}, {n[0], n[1], n[2], 0.0f}});
            normals.push_back(n);
        }
    }
    ID3D11Buffer* input = createStructuredBuffer(std::vector<LightProbe>(probes), D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* output = createStructuredBuffer(std::vector<std::array<float, 4>>(probes.size()),
                                                  D3D11_BIND_UNORDERED_ACCESS, 0);
    dispatch(loadTestProgram("MachineLightCapture"), 1, 1, 1,
             {bindingEntry("probes", input), bindingEntry("colours", output),
              bindingEntry("CameraConstant", scene.camera)});
    const auto colours = readBuffer<std::array<float, 4>>(output, probes.size());
    releaseObject(input);
    releaseObject(output);

    for (std::size_t i = 0; i < probes.size(); ++i) {
        SCOPED_TRACE("probe " + std::to_string(i));
        const std::array<float, 3> d =
            ref::machineViewDirection(probes[i].position[0], probes[i].position[1], width, height, camera.clipToCamera);
        const std::array<float, 3> expected = ref::machineLightColour(normals[i], d, camera.worldToCamera);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(colours[i][c], expected[c], 2e-3f * expected[c] + 1e-6f);
        EXPECT_EQ(colours[i][3], 1.0f);
        if (i % 5 == 0) {
            // Looking straight into the first light: at least its full
            // contribution, (3 + u, 3 + u, 5 + u) / 6 x 0.125, bluish.
            EXPECT_GT(colours[i][0], 3.0f / 48.0f);
            EXPECT_GT(colours[i][2], colours[i][0]);
        }
    }
}

TEST_F(MachineTest, PassDrawsWhiteOutlinesOverGlossyBodies) {
    // At rest, the forest machine stands at the world origin (its pivot is
    // at (0, 0.018, 0.004)); look at it from its side.
    const std::array<Matrix4, MachineRig::kPartCount> rest = [] {
        TrackSet none;
        MachineRig rig;
        rig.update(none, 0.0f);
        return rig.transforms();
    }();
    releaseObject(scene.transform);
    std::vector<Matrix4> matrices(rest.begin(), rest.end());
    scene.transform = createStructuredBuffer(matrices, D3D11_BIND_SHADER_RESOURCE, 0);
    setCamera(makeCamera({-0.09f, 0.03f, -0.01f}, 0.2f, -1.45f, 45.0f, 160, 120));
    drawMachines(scene);
    const Pixels pixels = readTargets(scene);
    std::size_t white = 0, body = 0;
    for (std::uint32_t y = 0; y < pixels.height; ++y)
        for (std::uint32_t x = 0; x < pixels.width; ++x) {
            if (!pixels.drawn(x, y)) continue;
            const auto& p = pixels.at(x, y);
            if (p[0] == 255 && p[1] == 255 && p[2] == 255) ++white;
            else ++body;
        }
    EXPECT_GT(white, 200u);
    EXPECT_GT(body, 200u);
}

}  // namespace
