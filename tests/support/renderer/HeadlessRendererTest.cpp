#include "tests/support/renderer/HeadlessRendererTest.h"

namespace tolmero::testsupport {

namespace {

class RendererEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        if (!currentRenderer()) return;
        const gpu::UINT before = gpu::validationMessageCount();
        destroyRenderer();
        EXPECT_EQ(gpu::validationMessageCount(), before) << "validation messages while the renderer went down";
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new RendererEnvironment);

}  // namespace

Renderer* sharedHeadlessRenderer() {
    if (Renderer* renderer = currentRenderer()) return renderer;
    const gpu::UINT before = gpu::validationMessageCount();
    Renderer* renderer = createHeadlessRenderer(64, 64);
    if (!renderer) {
        ADD_FAILURE() << "no Vulkan device";
        return nullptr;
    }
    EXPECT_TRUE(gpu::validationActive()) << "GPU tests run with the validation layers on (TOLMERO_VALIDATION=1)";
    EXPECT_EQ(gpu::validationMessageCount(), before) << "validation messages while the renderer came up";
    return renderer;
}

void HeadlessRendererTest::SetUp() {
    ASSERT_NE(sharedHeadlessRenderer(), nullptr);
    validationBefore_ = gpu::validationMessageCount();
}

void HeadlessRendererTest::TearDown() {
    if (!currentRenderer()) return;
    context()->ClearState();
    context()->Flush();
    EXPECT_EQ(gpu::validationMessageCount(), validationBefore_) << "the test caused validation messages";
}

}  // namespace tolmero::testsupport
