#include "platform/x11/wire/connection.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace corvane::x11 {

namespace {

struct AtomName {
    std::string_view name;
    xcb_atom_t Atoms::*member;
};

constexpr AtomName kAtomNames[] = {
    {"_NET_SUPPORTED", &Atoms::netSupported},
    {"_NET_SUPPORTING_WM_CHECK", &Atoms::netSupportingWmCheck},
    {"_NET_CLIENT_LIST", &Atoms::netClientList},
    {"_NET_ACTIVE_WINDOW", &Atoms::netActiveWindow},
    {"_NET_WM_PID", &Atoms::netWmPid},
    {"_NET_FRAME_EXTENTS", &Atoms::netFrameExtents},
    {"_NET_MOVERESIZE_WINDOW", &Atoms::netMoveresizeWindow},
    {"_NET_RESTACK_WINDOW", &Atoms::netRestackWindow},
    {"_NET_WORKAREA", &Atoms::netWorkarea},
    {"_NET_CURRENT_DESKTOP", &Atoms::netCurrentDesktop},
    {"_NET_WM_NAME", &Atoms::netWmName},
    {"_NET_WM_STATE", &Atoms::netWmState},
    {"_NET_WM_STATE_ABOVE", &Atoms::netWmStateAbove},
    {"_NET_WM_STATE_STICKY", &Atoms::netWmStateSticky},
    {"_NET_WM_STATE_SKIP_TASKBAR", &Atoms::netWmStateSkipTaskbar},
    {"_NET_WM_STATE_SKIP_PAGER", &Atoms::netWmStateSkipPager},
    {"_NET_WM_STATE_HIDDEN", &Atoms::netWmStateHidden},
    {"_NET_WM_WINDOW_TYPE", &Atoms::netWmWindowType},
    {"_NET_WM_WINDOW_TYPE_UTILITY", &Atoms::netWmWindowTypeUtility},
    {"_NET_WM_DESKTOP", &Atoms::netWmDesktop},
    {"_NET_SYSTEM_TRAY_S0", &Atoms::netSystemTrayS0},
    {"WM_PROTOCOLS", &Atoms::wmProtocols},
    {"WM_STATE", &Atoms::wmState},
    {"WM_TAKE_FOCUS", &Atoms::wmTakeFocus},
    {"_MOTIF_WM_HINTS", &Atoms::motifWmHints},
    {"UTF8_STRING", &Atoms::utf8String},
};

const xcb_screen_t* screenNumber(xcb_connection_t* connection, int number) {
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; iterator.rem > 0; xcb_screen_next(&iterator), ++i) {
        if (i == number) return iterator.data;
    }
    return nullptr;
}

}  // namespace

std::vector<std::uint32_t> values32(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 32) return {};
    const auto* begin = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply) / 4);
    return {begin, begin + count};
}

std::optional<std::uint32_t> firstValue32(const xcb_get_property_reply_t* reply) {
    const auto values = values32(reply);
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::string bytes(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8) return {};
    const auto* begin = static_cast<const char*>(xcb_get_property_value(reply));
    return {begin, static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

bool exists(const xcb_get_property_reply_t* reply) {
    return reply != nullptr && reply->type != XCB_ATOM_NONE;
}

std::unique_ptr<Connection> Connection::open(const std::string& displayName) {
    int number = 0;
    xcb_connection_t* connection = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &number);
    // xcb_connect never returns null; a failed connection must still be disconnected.
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_screen_t* screen = screenNumber(connection, number);
    if (screen == nullptr) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<Connection> result(new Connection(connection, screen));
    result->internAtoms();
    result->extensions_ = Extensions::query(connection);
    return result;
}

Connection::Connection(xcb_connection_t* connection, const xcb_screen_t* screen)
    : connection_(connection), screen_(screen) {}

Connection::~Connection() {
    xcb_disconnect(connection_);
}

void Connection::internAtoms() {
    std::vector<Cookie<xcb_intern_atom_cookie_t, xcb_intern_atom_reply_t>> cookies;
    cookies.reserve(std::size(kAtomNames));
    for (const auto& atom : kAtomNames) {
        cookies.push_back(makeCookie(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(atom.name.size()), atom.name.data()),
            xcb_intern_atom_reply));
    }
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (const auto* reply = cookies[i].get()) atoms_.*(kAtomNames[i].member) = reply->atom;
    }
}

PropertyCookie Connection::getProperty(xcb_window_t window, xcb_atom_t property,
                                       std::uint32_t maxItems) const {
    return makeCookie(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxItems),
        xcb_get_property_reply);
}

GeometryCookie Connection::getGeometry(xcb_window_t window) const {
    return makeCookie(connection_, xcb_get_geometry(connection_, window), xcb_get_geometry_reply);
}

TranslateCookie Connection::translateToRoot(xcb_window_t window) const {
    return makeCookie(connection_, xcb_translate_coordinates(connection_, window, root(), 0, 0),
                      xcb_translate_coordinates_reply);
}

AttributesCookie Connection::getAttributes(xcb_window_t window) const {
    return makeCookie(connection_, xcb_get_window_attributes(connection_, window),
                      xcb_get_window_attributes_reply);
}

TreeCookie Connection::queryTree(xcb_window_t window) const {
    return makeCookie(connection_, xcb_query_tree(connection_, window), xcb_query_tree_reply);
}

void Connection::sendToWindowManager(xcb_window_t window, xcb_atom_t type, const MessageData& data) const {
    sendClientMessage(root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                      window, type, data);
}

void Connection::sendToClient(xcb_window_t window, xcb_atom_t type, const MessageData& data) const {
    onForeignWindow(sendClientMessage(window, XCB_EVENT_MASK_NO_EVENT, window, type, data));
}

xcb_void_cookie_t Connection::sendClientMessage(xcb_window_t destination, std::uint32_t eventMask,
                                                xcb_window_t window, xcb_atom_t type,
                                                const MessageData& data) const {
    // xcb_send_event copies exactly 32 bytes from the pointer it is given.
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (std::size_t i = 0; i < data.size(); ++i) event.data.data32[i] = data[i];
    return xcb_send_event(connection_, 0, destination, eventMask, reinterpret_cast<const char*>(&event));
}

bool Connection::owns(xcb_window_t window) const {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

void Connection::selectEvents(xcb_window_t window, std::uint32_t mask) const {
    if (owns(window)) return;
    const auto cookie = xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
    if (window != root()) onForeignWindow(cookie);
}

void Connection::onForeignWindow(xcb_void_cookie_t cookie, std::source_location site) const {
    expectErrors(cookie, {XCB_WINDOW, XCB_DRAWABLE, XCB_MATCH}, site);
}

void Connection::expectErrors(xcb_void_cookie_t cookie, std::initializer_list<std::uint8_t> codes,
                              std::source_location site) const {
    ErrorMark entry{cookie.sequence, {}, false, site};
    std::copy_n(codes.begin(), std::min(codes.size(), entry.expected.size()), entry.expected.begin());
    mark(entry);
}

void Connection::onOwnWindow(xcb_void_cookie_t cookie, std::source_location site) const {
    mark({cookie.sequence, {}, true, site});
}

void Connection::mark(ErrorMark entry) const {
    marks_.push_back(entry);
    if (marks_.size() > kMaxMarks) marks_.pop_front();
}

Connection::ErrorVerdict Connection::judge(const xcb_generic_error_t& error) const {
    const auto found = std::find_if(marks_.begin(), marks_.end(), [&](const ErrorMark& entry) {
        return entry.sequence == error.full_sequence;
    });
    if (found == marks_.end()) return {};
    // Error codes start at 1: the zeros that pad the expected codes never match.
    const bool expected =
        std::find(found->expected.begin(), found->expected.end(), error.error_code) != found->expected.end();
    return {expected, found->own, found->site};
}

void Connection::completedBefore(std::uint32_t sequence) const {
    // Sequence numbers grow (and wrap only after 2^32 requests): compare by distance.
    while (!marks_.empty() && static_cast<std::int32_t>(sequence - marks_.front().sequence) > 0) {
        marks_.pop_front();
    }
}

}  // namespace corvane::x11
