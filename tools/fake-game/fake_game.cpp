#include "fake_game.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "keysym_names.h"
#include "seven_segment.h"

namespace fake_game {
namespace {

constexpr std::uint32_t kInputHint = 1;
constexpr std::uint32_t kStateHint = 2;
constexpr std::uint32_t kNormalState = 1;
constexpr std::uint32_t kUSPosition = 1;
constexpr std::uint32_t kPPosition = 4;
constexpr std::uint32_t kPSize = 8;
constexpr std::uint32_t kPWinGravity = 512;
constexpr std::uint32_t kStaticGravity = 10;
constexpr std::size_t kWmHintsLength = 9;
constexpr std::size_t kWmNormalHintsLength = 18;
// Where Wine's windows open when the game asks for no place: all on one spot.
constexpr std::int16_t kDefaultX = 40;
constexpr std::int16_t kDefaultY = 40;

void changeProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                    std::uint8_t format, std::size_t count, const void* data) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, format,
                        static_cast<std::uint32_t>(count), data);
}

void changeString(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                  std::string_view text) {
    changeProperty(c, window, property, type, 8, text.size(), text.data());
}

Atoms internAtoms(xcb_connection_t* c) {
    constexpr std::array<const char*, 8> names = {
        "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS",       "_NET_WM_PID",
        "_NET_WM_NAME", "UTF8_STRING",      "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        cookies.at(i) =
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names.at(i))), names.at(i));
    }
    std::array<xcb_atom_t, names.size()> atoms{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies.at(i), nullptr));
        atoms.at(i) = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    return {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5], atoms[6], atoms[7]};
}

const char* focusDetailName(std::uint8_t detail) {
    constexpr std::array<const char*, 8> names = {"Ancestor",         "Virtual", "Inferior",    "Nonlinear",
                                                  "NonlinearVirtual", "Pointer", "PointerRoot", "None"};
    return detail < names.size() ? names.at(detail) : "?";
}

const char* focusModeName(std::uint8_t mode) {
    constexpr std::array<const char*, 4> names = {"Normal", "Grab", "Ungrab", "WhileGrabbed"};
    return mode < names.size() ? names.at(mode) : "?";
}

std::string hostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) return "localhost";
    return name.data();
}

/// Black on light colours, white on dark ones.
std::uint32_t labelColor(std::uint32_t rgb) {
    const double luminance =
        0.299 * ((rgb >> 16U) & 0xFFU) + 0.587 * ((rgb >> 8U) & 0xFFU) + 0.114 * (rgb & 0xFFU);
    return luminance > 140 ? 0x000000 : 0xFFFFFF;
}

}  // namespace

std::unique_ptr<FakeGame> FakeGame::start(const FakeGameOptions& options) {
    int screenNumber = 0;
    Connection connection(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection.get()) != 0) {
        std::fprintf(stderr, "fake-game: cannot connect to the X display\n");
        return nullptr;
    }
    std::unique_ptr<FakeGame> game(new FakeGame(std::move(connection), options));
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(game->connection_.get()));
    for (int i = 0; i < screenNumber && iterator.rem > 0; ++i) xcb_screen_next(&iterator);
    game->screen_ = iterator.data;
    if (game->log_.failed()) {
        std::fprintf(stderr, "fake-game: cannot open the log %s\n", options.logPath.c_str());
        return nullptr;
    }
    game->atoms_ = internAtoms(game->connection_.get());
    game->loadKeyboardMapping();
    game->createWindows();
    return game;
}

FakeGame::FakeGame(Connection connection, const FakeGameOptions& options)
    : connection_(std::move(connection)),
      options_(options),
      log_(options.logPath),
      width_(options.width),
      height_(options.height) {}

std::uint32_t FakeGame::allocPixel(std::uint32_t rgb) {
    auto channel = [rgb](unsigned shift) {
        return static_cast<std::uint16_t>(((rgb >> shift) & 0xFFU) * 0x101U);
    };
    auto* c = connection_.get();
    Reply<xcb_alloc_color_reply_t> reply(xcb_alloc_color_reply(
        c, xcb_alloc_color(c, screen_->default_colormap, channel(16), channel(8), channel(0)), nullptr));
    return reply ? reply->pixel : screen_->black_pixel;
}

void FakeGame::createWindows() {
    auto* c = connection_.get();
    const auto [x, y] = options_.position.value_or(std::pair{kDefaultX, kDefaultY});
    window_ = xcb_generate_id(c);
    const std::array<std::uint32_t, 2> values = {allocPixel(options_.color),
                                                 XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                                     XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, screen_->root, x, y, width_, height_, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values.data());
    setClientProperties(window_, options_.title.c_str());
    setWineHints();

    // Wine's IME window: same class and pid, never mapped, so never managed.
    imeWindow_ = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, imeWindow_, screen_->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
    setClientProperties(imeWindow_, "Default IME");

    gc_ = xcb_generate_id(c);
    const std::uint32_t foreground = allocPixel(labelColor(options_.color));
    xcb_create_gc(c, gc_, window_, XCB_GC_FOREGROUND, &foreground);
    xcb_map_window(c, window_);
    xcb_flush(c);
    log_.line("Ready pid=" + std::to_string(getpid()) + " window=" + std::to_string(window_));
}

void FakeGame::setClientProperties(xcb_window_t window, const char* title) {
    auto* c = connection_.get();
    const std::string wmClass = options_.wmClass + '\0' + options_.wmClass + '\0';
    changeString(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    changeString(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    changeString(c, window, atoms_.netWmName, atoms_.utf8String, title);
    changeString(c, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, hostName());
    const auto pid = options_.claimedPid.value_or(static_cast<std::uint32_t>(getpid()));
    changeProperty(c, window, atoms_.netWmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
}

void FakeGame::setWineHints() {
    auto* c = connection_.get();
    changeProperty(c, window_, atoms_.netWmWindowType, XCB_ATOM_ATOM, 32, 1, &atoms_.netWmWindowTypeNormal);

    // input=False: the window manager must ask with WM_TAKE_FOCUS, as with Wine.
    std::array<std::uint32_t, kWmHintsLength> hints{};
    hints[0] = kInputHint | kStateHint;
    hints[1] = 0;
    hints[2] = kNormalState;
    changeProperty(c, window_, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, hints.size(), hints.data());

    std::array<std::uint32_t, kWmNormalHintsLength> sizeHints{};
    const auto [x, y] = options_.position.value_or(std::pair{kDefaultX, kDefaultY});
    sizeHints[0] = kUSPosition | kPPosition | kPSize | kPWinGravity;
    sizeHints[1] = static_cast<std::uint32_t>(x);
    sizeHints[2] = static_cast<std::uint32_t>(y);
    sizeHints[3] = width_;
    sizeHints[4] = height_;
    sizeHints[17] = kStaticGravity;
    changeProperty(c, window_, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, sizeHints.size(),
                   sizeHints.data());

    const std::array<xcb_atom_t, 2> protocols = {atoms_.wmDeleteWindow, atoms_.wmTakeFocus};
    changeProperty(c, window_, atoms_.wmProtocols, XCB_ATOM_ATOM, 32, protocols.size(), protocols.data());
}

void FakeGame::loadKeyboardMapping() {
    auto* c = connection_.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    Reply<xcb_get_keyboard_mapping_reply_t> reply(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    keysyms_.clear();
    if (!reply) return;
    minKeycode_ = setup->min_keycode;
    keysymsPerKeycode_ = reply->keysyms_per_keycode;
    const xcb_keysym_t* first = xcb_get_keyboard_mapping_keysyms(reply.get());
    keysyms_.assign(first, first + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
}

int FakeGame::run(int signalFd) {
    auto* c = connection_.get();
    std::array<pollfd, 2> fds = {pollfd{xcb_get_file_descriptor(c), POLLIN, 0}, pollfd{signalFd, POLLIN, 0}};
    while (!quit_) {
        while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            if (!handle(*event)) quit_ = true;
        }
        if (xcb_connection_has_error(c) != 0) {
            log_.line("Exit reason=connection-lost");
            std::fprintf(stderr, "fake-game %d: X connection lost\n", options_.number);
            return 0;
        }
        if (quit_) break;
        xcb_flush(c);
        if (poll(fds.data(), fds.size(), -1) < 0) continue;
        if ((fds[1].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            if (read(signalFd, &info, sizeof info) > 0) {
                log_.line("Exit reason=signal " + std::to_string(info.ssi_signo));
                return 0;
            }
        }
    }
    log_.line("Exit reason=WM_DELETE_WINDOW");
    return 0;
}

bool FakeGame::handle(const xcb_generic_event_t& event) {
    const auto type = static_cast<std::uint8_t>(event.response_type & 0x7FU);
    switch (type) {
        case XCB_EXPOSE:
            if (reinterpret_cast<const xcb_expose_event_t&>(event).count == 0) draw();
            break;
        case XCB_CONFIGURE_NOTIFY:
            handleConfigure(reinterpret_cast<const xcb_configure_notify_event_t&>(event));
            break;
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT: {
            const auto& focus = reinterpret_cast<const xcb_focus_in_event_t&>(event);
            log_.line(std::string(type == XCB_FOCUS_IN ? "FocusIn" : "FocusOut") +
                      " mode=" + focusModeName(focus.mode) + " detail=" + focusDetailName(focus.detail));
            break;
        }
        case XCB_KEY_PRESS:
            handleKeyPress(reinterpret_cast<const xcb_key_press_event_t&>(event));
            break;
        case XCB_CLIENT_MESSAGE:
            handleClientMessage(reinterpret_cast<const xcb_client_message_event_t&>(event));
            break;
        case XCB_MAPPING_NOTIFY:
            loadKeyboardMapping();
            break;
        default:
            break;  // errors included: a refused focus request changes nothing
    }
    return !quit_;
}

void FakeGame::handleClientMessage(const xcb_client_message_event_t& event) {
    if (event.type != atoms_.wmProtocols || event.format != 32) return;
    const xcb_atom_t protocol = event.data.data32[0];
    if (protocol == atoms_.wmDeleteWindow) {
        quit_ = true;
    } else if (protocol == atoms_.wmTakeFocus) {
        // What Wine does: take the focus with the time of the request.
        const xcb_timestamp_t time = event.data.data32[1];
        xcb_set_input_focus(connection_.get(), XCB_INPUT_FOCUS_PARENT, window_, time);
        log_.line("TakeFocus time=" + std::to_string(time));
    }
}

void FakeGame::handleKeyPress(const xcb_key_press_event_t& event) {
    std::array<char, 16> state{};
    std::snprintf(state.data(), state.size(), "0x%x", static_cast<unsigned>(event.state));
    log_.line("KeyPress keysym=" + keysymName(keysymOf(event)) + " keycode=" + std::to_string(event.detail) +
              " state=" + state.data());
}

xcb_keysym_t FakeGame::keysymOf(const xcb_key_press_event_t& event) const {
    if (keysymsPerKeycode_ == 0 || event.detail < minKeycode_) return 0;
    const std::size_t base = static_cast<std::size_t>(event.detail - minKeycode_) * keysymsPerKeycode_;
    if (base >= keysyms_.size()) return 0;
    const bool shifted = (event.state & XCB_MOD_MASK_SHIFT) != 0;
    if (shifted && keysymsPerKeycode_ > 1 && keysyms_[base + 1] != 0) return keysyms_[base + 1];
    return keysyms_[base];
}

void FakeGame::handleConfigure(const xcb_configure_notify_event_t& event) {
    if (event.window != window_) return;
    if (event.width == width_ && event.height == height_) return;
    width_ = event.width;
    height_ = event.height;
    // Exposures redraw the whole figure at its new size.
    xcb_clear_area(connection_.get(), 1, window_, 0, 0, 0, 0);
}

void FakeGame::draw() {
    std::vector<xcb_rectangle_t> rectangles;
    for (const Box& box : sevenSegmentFigure(options_.number, width_, height_)) {
        rectangles.push_back({static_cast<std::int16_t>(box.x), static_cast<std::int16_t>(box.y),
                              static_cast<std::uint16_t>(box.width), static_cast<std::uint16_t>(box.height)});
    }
    xcb_poly_fill_rectangle(connection_.get(), window_, gc_, static_cast<std::uint32_t>(rectangles.size()),
                            rectangles.data());
    xcb_flush(connection_.get());
}

}  // namespace fake_game
