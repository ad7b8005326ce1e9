#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "event_log.h"
#include "fake_game_options.h"
#include "platform/free_deleter.h"

namespace fake_game {

template <typename T>
using Reply = std::unique_ptr<T, corvane::platform::FreeDeleter>;

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

struct Atoms {
    xcb_atom_t wmProtocols = XCB_ATOM_NONE;
    xcb_atom_t wmDeleteWindow = XCB_ATOM_NONE;
    xcb_atom_t wmTakeFocus = XCB_ATOM_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t netWmWindowType = XCB_ATOM_NONE;
    xcb_atom_t netWmWindowTypeNormal = XCB_ATOM_NONE;
};

/// One game client as Wine shows it to the window manager: a managed window
/// with input=False and WM_TAKE_FOCUS, static gravity, the process's pid, and
/// an unmapped 1x1 "Default IME" window of the same class and pid.
class FakeGame {
public:
    /// Connects to $DISPLAY and maps the window; nullptr (after a message on
    /// stderr) when the display cannot be reached.
    static std::unique_ptr<FakeGame> start(const FakeGameOptions& options);

    /// Handles events until the window manager closes the window, a signal
    /// arrives on `signalFd` or the connection is lost. Returns the exit status.
    int run(int signalFd);

private:
    FakeGame(Connection connection, const FakeGameOptions& options);

    void createWindows();
    void setClientProperties(xcb_window_t window, const char* title);
    void setWineHints();
    void loadKeyboardMapping();
    [[nodiscard]] std::uint32_t allocPixel(std::uint32_t rgb);

    /// Returns false once the program should end.
    bool handle(const xcb_generic_event_t& event);
    void handleClientMessage(const xcb_client_message_event_t& event);
    void handleKeyPress(const xcb_key_press_event_t& event);
    [[nodiscard]] xcb_keysym_t keysymOf(const xcb_key_press_event_t& event) const;
    void handleConfigure(const xcb_configure_notify_event_t& event);
    void draw();

    Connection connection_;
    FakeGameOptions options_;
    EventLog log_;
    xcb_screen_t* screen_ = nullptr;
    Atoms atoms_;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    xcb_window_t imeWindow_ = XCB_WINDOW_NONE;
    xcb_gcontext_t gc_ = 0;
    std::uint16_t width_ = 0;
    std::uint16_t height_ = 0;
    bool quit_ = false;
    std::uint8_t minKeycode_ = 0;
    std::uint8_t keysymsPerKeycode_ = 0;
    std::vector<xcb_keysym_t> keysyms_;
};

}  // namespace fake_game
