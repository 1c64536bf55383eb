// The windowed renderer under a virtual display: the quit message, the F11
// full-screen toggle and the message pump's per-frame input state.
#include <SDL.h>
#include <gtest/gtest.h>

#include "gpu/D3D11.h"
#include "render/Renderer.h"

namespace rendertest {
namespace {

using namespace tolmero;
using namespace tolmero::gpu;

constexpr std::uint32_t kWidth = 96;
constexpr std::uint32_t kHeight = 64;

class RendererWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!currentRenderer() || currentRenderer()->headless) {
            ASSERT_NE(createRenderer(kWidth, kHeight, 1, "Tolmero window test"), nullptr);
        }
        renderer = currentRenderer();
        renderer->window.pumpMessages();  // whatever the display sent on its own
        validationBefore = validationMessageCount();
    }
    void TearDown() override {
        EXPECT_EQ(validationMessageCount(), validationBefore) << "the test caused validation messages";
    }

    void push(SDL_Event event) {
        event.common.timestamp = SDL_GetTicks();
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    void pushKey(Uint32 type, SDL_Keycode key, Uint16 modifiers = 0) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(renderer->window.handle());
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        event.key.keysym.mod = modifiers;
        push(event);
    }
    bool fullscreen() {
        BOOL state = FALSE;
        renderer->swapChain->GetFullscreenState(&state, nullptr);
        return state == TRUE;
    }

    Renderer* renderer = nullptr;
    UINT validationBefore = 0;
};

TEST_F(RendererWindow, EndFrameReturnsFalseOnceTheQuitMessageArrives) {
    EXPECT_TRUE(endFrame());
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    EXPECT_FALSE(endFrame());
    EXPECT_TRUE(endFrame()) << "the quit message is consumed";

    pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_FALSE(endFrame()) << "Escape posts the quit message";
    EXPECT_TRUE(endFrame());

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(renderer->window.handle());
    push(close);
    EXPECT_FALSE(endFrame()) << "the close box posts the quit message";
    while (!endFrame()) {
    }
}

TEST_F(RendererWindow, F11TogglesFullScreenAtTheRequestedSize) {
    ASSERT_EQ(renderer->window.mode(), 1);
    ASSERT_FALSE(fullscreen());
    pushKey(SDL_KEYDOWN, SDLK_F11);
    EXPECT_TRUE(endFrame());
    EXPECT_EQ(renderer->window.mode(), 0);
    EXPECT_TRUE(fullscreen());
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kWidth) << "the buffers keep the requested size";
    EXPECT_EQ(desc.Height, kHeight);
    EXPECT_TRUE(endFrame());  // presents stretched over the screen

    pushKey(SDL_KEYUP, SDLK_F11);
    pushKey(SDL_KEYDOWN, SDLK_F11);
    EXPECT_TRUE(endFrame());
    EXPECT_EQ(renderer->window.mode(), 1);
    EXPECT_FALSE(fullscreen());
    backBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kWidth);
}

TEST_F(RendererWindow, PumpKeepsPerFrameBytesAndTheLastWheel) {
    AppWindow& window = renderer->window;
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_LEFT;
    button.button.state = SDL_PRESSED;
    push(button);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 3;
    push(wheel);
    wheel.wheel.y = -1;
    push(wheel);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 17;
    motion.motion.y = 23;
    push(motion);
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_b, KMOD_LALT);  // a system key: not recorded
    ASSERT_TRUE(window.pumpMessages());
    EXPECT_EQ(window.input.leftDown, 1);
    EXPECT_EQ(window.input.leftPressed, 1);
    EXPECT_EQ(window.input.rightPressed, 0);
    EXPECT_EQ(window.input.wheel, -1) << "a later wheel message replaces the value";
    EXPECT_EQ(window.input.mouseX, 17);
    EXPECT_EQ(window.input.mouseY, 23);
    EXPECT_EQ(window.input.keyDown['A'], 1);
    EXPECT_EQ(window.input.keyPressed['A'], 1);
    EXPECT_EQ(window.input.keyDown['B'], 0);

    // The next pump clears the per-frame bytes and keeps the held state.
    ASSERT_TRUE(window.pumpMessages());
    EXPECT_EQ(window.input.leftDown, 1);
    EXPECT_EQ(window.input.leftPressed, 0);
    EXPECT_EQ(window.input.wheel, 0);
    EXPECT_EQ(window.input.keyDown['A'], 1);
    EXPECT_EQ(window.input.keyPressed['A'], 0);

    // A repeated key-down presses again; key and button up release.
    pushKey(SDL_KEYDOWN, SDLK_a);
    button.type = SDL_MOUSEBUTTONUP;
    button.button.state = SDL_RELEASED;
    push(button);
    ASSERT_TRUE(window.pumpMessages());
    EXPECT_EQ(window.input.keyPressed['A'], 1);
    EXPECT_EQ(window.input.leftDown, 0);
    pushKey(SDL_KEYUP, SDLK_a);
    ASSERT_TRUE(window.pumpMessages());
    EXPECT_EQ(window.input.keyDown['A'], 0);
}

TEST(RendererWindowStart, FullScreenModeIsEnteredAtCreation) {
    const UINT before = validationMessageCount();
    Renderer* renderer = createRenderer(kWidth, kHeight, 0, "Tolmero full screen");
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(currentRenderer(), renderer);
    BOOL state = FALSE;
    renderer->swapChain->GetFullscreenState(&state, nullptr);
    EXPECT_EQ(state, TRUE);
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kWidth);
    EXPECT_EQ(desc.Height, kHeight);
    EXPECT_TRUE(endFrame());
    // A windowed renderer replaces it; the old one is torn down.
    ASSERT_NE(createRenderer(kWidth, kHeight, 1, "Tolmero window test"), nullptr);
    EXPECT_NE(currentRenderer(), nullptr);
    EXPECT_TRUE(endFrame());
    destroyRenderer();
    EXPECT_EQ(currentRenderer(), nullptr);
    EXPECT_EQ(validationMessageCount(), before);
}

}  // namespace
}  // namespace rendertest
