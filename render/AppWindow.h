#pragma once
// The production's one window and its message pump.
//
// SDL2 stands in for the platform window: a centred window with the requested
// client size and title, Escape and the close request ending the run, the
// screen saver kept off, and a small per-frame mouse and keyboard state.
// Keys are recorded by their virtual-key codes (VK_F11 = 0x7A, VK_ESCAPE = 27).

#include <array>
#include <cstdint>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace tolmero {

constexpr int kVirtualKeyEscape = 0x1B;
constexpr int kVirtualKeyF11 = 0x7A;

struct InputState {
    std::uint8_t leftDown = 0, leftPressed = 0;
    std::uint8_t rightDown = 0, rightPressed = 0;
    std::uint8_t middleDown = 0, middlePressed = 0;
    std::int32_t wheel = 0;   // whole wheel steps of the last wheel message this frame
    std::int32_t mouseX = 0;  // client coordinates of the last mouse move
    std::int32_t mouseY = 0;
    std::array<std::uint8_t, 256> keyDown{};     // by virtual-key code
    std::array<std::uint8_t, 256> keyPressed{};  // went down during this frame's pump
    // The modifiers held when the key last went down (bit 0 Shift, bit 1 Ctrl),
    // so that a combination pressed and released within one frame still reads.
    std::array<std::uint8_t, 256> keyModifiers{};
};

// Virtual-key code of an SDL key, or -1 for keys without one.
int virtualKeyFromSdl(std::int32_t sdlKeycode);

class AppWindow {
public:
    AppWindow() = default;
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;
    ~AppWindow();

    // Opens the window centred on the primary screen with the given client
    // size, mode (1 windowed, 0 full-screen) and title, and pumps once.
    // Returns false with a message on standard error if no window can open.
    bool create(std::uint32_t width, std::uint32_t height, int mode, const std::string& title);

    // Drains the event queue and updates the input state; false if the quit
    // message was among the events (events behind it stay queued).
    bool pumpMessages();

    void destroy();

    InputState input;
    SDL_Window* handle() const { return window_; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    int mode() const { return mode_; }
    void setMode(int mode) { mode_ = mode; }
    const std::string& title() const { return title_; }

private:
    void record(const SDL_Event& event);

    SDL_Window* window_ = nullptr;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    int mode_ = 1;
    std::string title_;
    bool quitPosted_ = false;  // Escape or the close request during this pump
};

}  // namespace tolmero
