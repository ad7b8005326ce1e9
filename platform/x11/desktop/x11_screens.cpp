#include "platform/x11/desktop/x11_screens.h"

#include <xcb/randr.h>

namespace corvane::x11 {

namespace {

platform::Rect rect(std::int32_t x, std::int32_t y, std::uint32_t width, std::uint32_t height) {
    return {static_cast<double>(x), static_cast<double>(y), static_cast<double>(width),
            static_cast<double>(height)};
}

}  // namespace

X11Screens::X11Screens(const Connection& connection, EventLoop& loop, WindowCache& cache)
    : connection_(connection), cache_(cache) {
    watchRandr(loop);
}

std::vector<platform::Screen> X11Screens::screens() {
    auto screens = frameworkScreens(monitors(), workArea());
    nameScreens(screens);
    return screens;
}

void X11Screens::nameScreens(std::vector<platform::Screen>& screens) {
    if (!names_) names_ = readMonitorNames();
    const auto& rootFrames = monitors();
    for (std::size_t i = 0; i < screens.size() && i < rootFrames.size(); ++i) {
        for (const auto& [frame, name] : *names_) {
            if (frame == rootFrames[i]) screens[i].name = name;
        }
    }
}

std::vector<std::pair<platform::Rect, std::string>> X11Screens::readMonitorNames() const {
    if (!hasMonitors_) return {};
    xcb_connection_t* c = connection_.get();
    auto monitors =
        makeCookie(c, xcb_randr_get_monitors(c, connection_.root(), 1), xcb_randr_get_monitors_reply);
    if (monitors.get() == nullptr) return {};
    using NameCookie = Cookie<xcb_get_atom_name_cookie_t, xcb_get_atom_name_reply_t>;
    std::vector<std::pair<platform::Rect, NameCookie>> pending;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const auto& info = *it.data;
        pending.emplace_back(rect(info.x, info.y, info.width, info.height),
                             NameCookie(c, xcb_get_atom_name(c, info.name), xcb_get_atom_name_reply));
    }
    std::vector<std::pair<platform::Rect, std::string>> names;
    for (auto& [frame, name] : pending) {
        const auto* reply = name.get();
        if (reply == nullptr) continue;
        names.emplace_back(frame,
                           std::string(xcb_get_atom_name_name(reply),
                                       static_cast<std::size_t>(xcb_get_atom_name_name_length(reply))));
    }
    return names;
}

std::optional<platform::Screen> X11Screens::mainScreen() {
    auto all = screens();
    if (all.empty()) return std::nullopt;
    return all.front();
}

platform::Rect X11Screens::primaryRootFrame() {
    return monitors().front();
}

const std::vector<platform::Rect>& X11Screens::monitors() {
    if (!monitors_) {
        monitors_ = readMonitors();
        names_.reset();
    }
    return *monitors_;
}

std::vector<platform::Rect> X11Screens::readMonitors() const {
    return orderMonitors(primaryCrtc(), randrMonitors(), rootFrame());
}

std::optional<platform::Rect> X11Screens::primaryCrtc() const {
    if (!hasPrimaryOutput_) return std::nullopt;
    xcb_connection_t* c = connection_.get();
    auto primary = makeCookie(c, xcb_randr_get_output_primary(c, connection_.root()),
                              xcb_randr_get_output_primary_reply);
    if (primary.get() == nullptr || primary.get()->output == XCB_NONE) return std::nullopt;
    auto output = makeCookie(c, xcb_randr_get_output_info(c, primary.get()->output, XCB_CURRENT_TIME),
                             xcb_randr_get_output_info_reply);
    if (output.get() == nullptr || output.get()->crtc == XCB_NONE) return std::nullopt;
    auto crtc = makeCookie(c, xcb_randr_get_crtc_info(c, output.get()->crtc, XCB_CURRENT_TIME),
                           xcb_randr_get_crtc_info_reply);
    const auto* info = crtc.get();
    if (info == nullptr || info->width == 0 || info->height == 0) return std::nullopt;
    return rect(info->x, info->y, info->width, info->height);
}

namespace {

std::vector<Monitor> monitorsFrom(const xcb_randr_get_monitors_reply_t* reply) {
    if (reply == nullptr) return {};
    std::vector<Monitor> monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const auto& info = *it.data;
        if (info.width == 0 || info.height == 0) continue;
        monitors.push_back(
            {rect(info.x, info.y, info.width, info.height), info.primary != 0, info.automatic != 0});
    }
    return monitors;
}

}  // namespace

std::vector<Monitor> X11Screens::randrMonitors() const {
    if (!hasMonitors_) return {};
    xcb_connection_t* c = connection_.get();
    auto cookie =
        makeCookie(c, xcb_randr_get_monitors(c, connection_.root(), 1), xcb_randr_get_monitors_reply);
    return monitorsFrom(cookie.get());
}

void X11Screens::checkUserMonitors() {
    if (monitorCheck_) {
        auto monitors = monitorsFrom(monitorCheck_->get());
        if (monitors != checkedMonitors_) monitors_.reset();
        checkedMonitors_ = std::move(monitors);
    }
    xcb_connection_t* c = connection_.get();
    monitorCheck_.emplace(c, xcb_randr_get_monitors(c, connection_.root(), 1), xcb_randr_get_monitors_reply);
}

platform::Rect X11Screens::rootFrame() const {
    // The connection setup's root size goes stale once RandR resizes the screen.
    GeometryCookie geometry = connection_.getGeometry(connection_.root());
    if (const auto* reply = geometry.get()) return rect(0, 0, reply->width, reply->height);
    const auto& screen = connection_.screen();
    return rect(0, 0, screen.width_in_pixels, screen.height_in_pixels);
}

std::optional<platform::Rect> X11Screens::workArea() {
    return workAreaOf(cache_.workAreas(), cache_.currentDesktop());
}

void X11Screens::watchRandr(EventLoop& loop) {
    xcb_connection_t* c = connection_.get();
    const Extension& randr = connection_.extensions().randr;
    if (!randr.usable) return;
    const bool newerMajor = randr.majorVersion > 1;
    hasPrimaryOutput_ = newerMajor || randr.minorVersion >= 3;
    hasMonitors_ = newerMajor || randr.minorVersion >= 5;

    xcb_randr_select_input(c, connection_.root(),
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    const auto forget = [this](const xcb_generic_event_t&) { monitors_.reset(); };
    screenChange_ =
        loop.subscribe(static_cast<std::uint8_t>(randr.firstEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY), forget);
    randrNotify_ = loop.subscribe(static_cast<std::uint8_t>(randr.firstEvent + XCB_RANDR_NOTIFY), forget);
    if (hasMonitors_) {
        checkUserMonitors();
        monitorTimer_ = loop.scheduleRepeating(1.0, [this] { checkUserMonitors(); });
    }
}

}  // namespace corvane::x11
