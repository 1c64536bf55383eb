#pragma once
// The headless renderer that the tests of one GPU test executable share, and
// the test base that holds every test to a clean Vulkan validation record.
//
// The renderer is made on first use (64 x 64, which also builds the glyph
// atlas) and destroyed after the last test, before the process exits: torn
// down from a static destructor it would outlive the driver's own state. A
// validation message while it comes up, during a test or while it goes down
// fails the test run.
#include <gtest/gtest.h>

#include "gpu/D3D11.h"
#include "render/Renderer.h"

namespace tolmero::testsupport {

// The shared renderer; null, with a test failure, without a Vulkan device.
Renderer* sharedHeadlessRenderer();

// A test that has the shared renderer and fails if it caused any validation
// message. Derived fixtures that override SetUp call this one first.
class HeadlessRendererTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    gpu::UINT validationBefore_ = 0;
};

}  // namespace tolmero::testsupport
