#include "render/AppWindow.h"

#include <SDL.h>
#include <SDL_vulkan.h>

#include <cstdio>

namespace tolmero {
int virtualKeyFromSdl(std::int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return 0x7C + (key - SDLK_F13);
    switch (key) {
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_RETURN: return 0x0D;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_PAUSE: return 0x13;
        case SDLK_CAPSLOCK: return 0x14;
        case SDLK_ESCAPE: return kVirtualKeyEscape;
        case SDLK_SPACE: return 0x20;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_LEFT: return 0x25;
        case SDLK_UP: return 0x26;
        case SDLK_RIGHT: return 0x27;
        case SDLK_DOWN: return 0x28;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_MINUS: return 0xBD;   // VK_OEM_MINUS
        case SDLK_PERIOD: return 0xBE;  // VK_OEM_PERIOD
        default: return -1;
    }
}

AppWindow::~AppWindow() { destroy(); }

bool AppWindow::create(std::uint32_t width, std::uint32_t height, int mode, const std::string& title) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "tolmero: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    width_ = width;
    height_ = height;
    mode_ = mode;
    title_ = title;
    // The client area is centred on the primary screen in both modes; a window
    // larger than the screen extends past both edges equally.
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED_DISPLAY(0), SDL_WINDOWPOS_CENTERED_DISPLAY(0),
                               static_cast<int>(width), static_cast<int>(height),
                               SDL_WINDOW_VULKAN | SDL_WINDOW_SHOWN);
    if (!window_) {
        std::fprintf(stderr, "tolmero: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    input = InputState{};
    SDL_DisableScreenSaver();  // also keeps the display from powering down
    SDL_RaiseWindow(window_);
    pumpMessages();
    return true;
}

void AppWindow::destroy() {
    if (window_) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }
}

bool AppWindow::pumpMessages() {
    input.leftPressed = input.rightPressed = input.middlePressed = 0;
    input.wheel = 0;
    input.keyPressed.fill(0);

    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            quitPosted_ = false;  // this is the quit message; any posted one is the same
            return false;
        }
        // The window's own handling: Escape and the close request post quit.
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) quitPosted_ = true;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) quitPosted_ = true;
        record(event);
    }
    // A posted quit message is retrieved once nothing else is queued, in the
    // same pump. (An event pushed to SDL's queue during this loop would only
    // come out of the next pump: SDL stops each poll cycle at a sentinel.)
    if (quitPosted_) {
        quitPosted_ = false;
        return false;
    }
    return true;
}

void AppWindow::record(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const std::uint8_t down = event.type == SDL_MOUSEBUTTONDOWN;
            std::uint8_t* state = nullptr;
            std::uint8_t* pressed = nullptr;
            if (event.button.button == SDL_BUTTON_LEFT) state = &input.leftDown, pressed = &input.leftPressed;
            if (event.button.button == SDL_BUTTON_RIGHT) state = &input.rightDown, pressed = &input.rightPressed;
            if (event.button.button == SDL_BUTTON_MIDDLE) state = &input.middleDown, pressed = &input.middlePressed;
            if (state) {
                *state = down;
                if (down) *pressed = 1;
            }
            break;
        }
        case SDL_MOUSEMOTION:
            input.mouseX = event.motion.x;
            input.mouseY = event.motion.y;
            break;
        case SDL_MOUSEWHEEL:
            // Whole steps, positive away from the user; a later message replaces it.
            input.wheel = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // System keys (Alt combinations, F10) leave the state alone.
            if ((event.key.keysym.mod & KMOD_ALT) || event.key.keysym.sym == SDLK_F10) break;
            const int key = virtualKeyFromSdl(event.key.keysym.sym);
            if (key < 0) break;
            if (event.type == SDL_KEYDOWN) {
                input.keyDown[key] = 1;
                input.keyPressed[key] = 1;  // key repeats set it again
                input.keyModifiers[key] = static_cast<std::uint8_t>(((event.key.keysym.mod & KMOD_SHIFT) ? 1 : 0) |
                                                                    ((event.key.keysym.mod & KMOD_CTRL) ? 2 : 0));
            } else {
                input.keyDown[key] = 0;
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace tolmero
