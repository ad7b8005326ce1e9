// The one xcb connection: replies and errors owned, atoms, requests with their error policy.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "platform/free_deleter.h"
#include "platform/x11/wire/extensions.h"

namespace corvane::x11 {

/// Something xcb allocated for us (a reply, an error, an event), freed with it.
template <typename T>
using XcbPtr = std::unique_ptr<T, platform::FreeDeleter>;
using ErrorPtr = XcbPtr<xcb_generic_error_t>;
using EventPtr = XcbPtr<xcb_generic_event_t>;

/// A request already sent that may still have an answer coming: moving hands
/// the answer on, and one nobody reads is discarded, so xcb frees it.
class PendingRequest {
public:
    PendingRequest(xcb_connection_t* connection, unsigned int sequence)
        : connection_(connection), sequence_(sequence), pending_(true) {}
    PendingRequest(PendingRequest&& other) noexcept
        : connection_(other.connection_),
          sequence_(other.sequence_),
          pending_(std::exchange(other.pending_, false)) {}
    PendingRequest& operator=(PendingRequest&& other) noexcept {
        if (this != &other) {
            discard();
            connection_ = other.connection_;
            sequence_ = other.sequence_;
            pending_ = std::exchange(other.pending_, false);
        }
        return *this;
    }
    PendingRequest(const PendingRequest&) = delete;
    PendingRequest& operator=(const PendingRequest&) = delete;
    ~PendingRequest() { discard(); }

protected:
    /// True once: the caller fetches the answer now.
    bool take() { return std::exchange(pending_, false); }
    [[nodiscard]] xcb_connection_t* connection() const { return connection_; }

private:
    void discard() {
        if (pending_) xcb_discard_reply(connection_, sequence_);
        pending_ = false;
    }

    xcb_connection_t* connection_ = nullptr;
    unsigned int sequence_ = 0;
    bool pending_ = false;
};

/// A request already sent whose reply is fetched on first use. Sending at
/// construction and waiting late lets a scan put all its requests on the wire
/// before it waits for the first answer. An unread reply is discarded.
template <typename XcbCookie, typename XcbReply>
class Cookie : public PendingRequest {
public:
    using ReplyFunction = XcbReply* (*)(xcb_connection_t*, XcbCookie, xcb_generic_error_t**);

    Cookie(xcb_connection_t* connection, XcbCookie cookie, ReplyFunction replyFunction)
        : PendingRequest(connection, cookie.sequence), cookie_(cookie), replyFunction_(replyFunction) {}

    /// The reply, or null when the request failed or the connection is gone.
    [[nodiscard]] const XcbReply* get() {
        fetch();
        return reply_.get();
    }
    /// The error the request ended with, if any.
    [[nodiscard]] const xcb_generic_error_t* error() {
        fetch();
        return error_.get();
    }

private:
    void fetch() {
        if (!take()) return;
        xcb_generic_error_t* error = nullptr;
        reply_.reset(replyFunction_(connection(), cookie_, &error));
        error_.reset(error);
    }

    XcbCookie cookie_{};
    ReplyFunction replyFunction_ = nullptr;
    XcbPtr<XcbReply> reply_;
    ErrorPtr error_;
};

/// Wraps an xcb cookie and its reply function: `makeCookie(c, xcb_get_geometry(c, w),
/// xcb_get_geometry_reply)`.
template <typename XcbCookie, typename XcbReply>
Cookie<XcbCookie, XcbReply> makeCookie(xcb_connection_t* connection, XcbCookie cookie,
                                       XcbReply* (*replyFunction)(xcb_connection_t*, XcbCookie,
                                                                  xcb_generic_error_t**)) {
    return {connection, cookie, replyFunction};
}

/// A checked request without a reply; its error is fetched on first use.
class CheckedCookie : public PendingRequest {
public:
    CheckedCookie(xcb_connection_t* connection, xcb_void_cookie_t cookie)
        : PendingRequest(connection, cookie.sequence), cookie_(cookie) {}

    /// The request's error, or null when it succeeded.
    [[nodiscard]] const xcb_generic_error_t* error() {
        if (take()) error_.reset(xcb_request_check(connection(), cookie_));
        return error_.get();
    }

private:
    xcb_void_cookie_t cookie_{};
    ErrorPtr error_;
};

using PropertyCookie = Cookie<xcb_get_property_cookie_t, xcb_get_property_reply_t>;
using GeometryCookie = Cookie<xcb_get_geometry_cookie_t, xcb_get_geometry_reply_t>;
using TranslateCookie = Cookie<xcb_translate_coordinates_cookie_t, xcb_translate_coordinates_reply_t>;
using AttributesCookie = Cookie<xcb_get_window_attributes_cookie_t, xcb_get_window_attributes_reply_t>;
using TreeCookie = Cookie<xcb_query_tree_cookie_t, xcb_query_tree_reply_t>;

/// A property's items when it has format 32 (CARDINAL, WINDOW, ATOM...); empty otherwise.
std::vector<std::uint32_t> values32(const xcb_get_property_reply_t* reply);
/// The first 32-bit item; nullopt when the property is missing or empty.
std::optional<std::uint32_t> firstValue32(const xcb_get_property_reply_t* reply);
/// A property's raw bytes (format 8); empty when missing.
std::string bytes(const xcb_get_property_reply_t* reply);
/// Whether the property exists at all on the window.
bool exists(const xcb_get_property_reply_t* reply);

/// The atoms the backend uses, interned once when the connection opens.
struct Atoms {
    xcb_atom_t netSupported = XCB_ATOM_NONE;
    xcb_atom_t netSupportingWmCheck = XCB_ATOM_NONE;
    xcb_atom_t netClientList = XCB_ATOM_NONE;
    xcb_atom_t netActiveWindow = XCB_ATOM_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t netFrameExtents = XCB_ATOM_NONE;
    xcb_atom_t netMoveresizeWindow = XCB_ATOM_NONE;
    xcb_atom_t netRestackWindow = XCB_ATOM_NONE;
    xcb_atom_t netWorkarea = XCB_ATOM_NONE;
    xcb_atom_t netCurrentDesktop = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t netWmState = XCB_ATOM_NONE;
    xcb_atom_t netWmStateAbove = XCB_ATOM_NONE;
    xcb_atom_t netWmStateSticky = XCB_ATOM_NONE;
    xcb_atom_t netWmStateSkipTaskbar = XCB_ATOM_NONE;
    xcb_atom_t netWmStateSkipPager = XCB_ATOM_NONE;
    xcb_atom_t netWmStateHidden = XCB_ATOM_NONE;
    xcb_atom_t netWmWindowType = XCB_ATOM_NONE;
    xcb_atom_t netWmWindowTypeUtility = XCB_ATOM_NONE;
    xcb_atom_t netWmDesktop = XCB_ATOM_NONE;
    xcb_atom_t netSystemTrayS0 = XCB_ATOM_NONE;  ///< the XEmbed tray's selection on screen 0
    xcb_atom_t wmProtocols = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t wmTakeFocus = XCB_ATOM_NONE;
    xcb_atom_t motifWmHints = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
};

/// The one connection to the X server, its default screen and atoms.
class Connection {
public:
    /// Connects to `displayName` (empty: $DISPLAY); nullptr when no display can be opened.
    static std::unique_ptr<Connection> open(const std::string& displayName = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&&) = delete;
    Connection& operator=(Connection&&) = delete;

    [[nodiscard]] xcb_connection_t* get() const { return connection_; }
    [[nodiscard]] xcb_window_t root() const { return screen_->root; }
    [[nodiscard]] const xcb_screen_t& screen() const { return *screen_; }
    [[nodiscard]] const Atoms& atoms() const { return atoms_; }
    [[nodiscard]] const Extensions& extensions() const { return extensions_; }
    [[nodiscard]] int fileDescriptor() const { return xcb_get_file_descriptor(connection_); }
    /// True once the server has gone away (or the stream broke); nothing works after that.
    [[nodiscard]] bool broken() const { return xcb_connection_has_error(connection_) != 0; }
    void flush() const { xcb_flush(connection_); }

    /// Sends GetProperty for up to `maxItems` 32-bit units of `property` (any type).
    [[nodiscard]] PropertyCookie getProperty(xcb_window_t window, xcb_atom_t property,
                                             std::uint32_t maxItems = 1024) const;
    [[nodiscard]] GeometryCookie getGeometry(xcb_window_t window) const;
    /// Where the window's origin (inside its border) lies in root coordinates.
    [[nodiscard]] TranslateCookie translateToRoot(xcb_window_t window) const;
    [[nodiscard]] AttributesCookie getAttributes(xcb_window_t window) const;
    [[nodiscard]] TreeCookie queryTree(xcb_window_t window) const;
    using MessageData = std::array<std::uint32_t, 5>;
    /// Sends a 32-bit client message about `window` to the window manager (through the root).
    void sendToWindowManager(xcb_window_t window, xcb_atom_t type, const MessageData& data) const;
    /// Sends a 32-bit client message to the program that owns `window`.
    void sendToClient(xcb_window_t window, xcb_atom_t type, const MessageData& data) const;

    /// Whether this connection created `window`.
    [[nodiscard]] bool owns(xcb_window_t window) const;
    /// Selects `mask` on another program's window (or the root) for this
    /// connection. A window this connection created keeps the mask it was
    /// created with: X keeps one mask per client and window, so selecting
    /// again would replace it (a preview would lose its clicks).
    void selectEvents(xcb_window_t window, std::uint32_t mask) const;

    // Each request whose error may come says what the error means, and where it was sent.
    // An error of an unmarked request is logged.
    /// About another program's window, which may vanish at any moment: BadWindow,
    /// BadDrawable and BadMatch mean only that, and are dropped. Others are logged.
    void onForeignWindow(xcb_void_cookie_t cookie,
                         std::source_location site = std::source_location::current()) const;
    /// Errors with one of `codes` are expected and dropped; others are logged.
    void expectErrors(xcb_void_cookie_t cookie, std::initializer_list<std::uint8_t> codes,
                      std::source_location site = std::source_location::current()) const;
    /// About one of the program's own windows, which must exist: an error is a
    /// fault of the program, logged, and a debug build stops there.
    void onOwnWindow(xcb_void_cookie_t cookie,
                     std::source_location site = std::source_location::current()) const;

    /// What the marks say of `error`.
    struct ErrorVerdict {
        bool expected = false;  ///< drop it
        bool fault = false;     ///< the program's own window: a bug
        std::optional<std::source_location> site;
    };
    [[nodiscard]] ErrorVerdict judge(const xcb_generic_error_t& error) const;
    /// The server has dealt with every request before `sequence`: their marks can go.
    void completedBefore(std::uint32_t sequence) const;

private:
    Connection(xcb_connection_t* connection, const xcb_screen_t* screen);
    void internAtoms();
    xcb_void_cookie_t sendClientMessage(xcb_window_t destination, std::uint32_t eventMask,
                                        xcb_window_t window, xcb_atom_t type, const MessageData& data) const;

    struct ErrorMark {
        std::uint32_t sequence = 0;
        std::array<std::uint8_t, 3> expected{};  ///< codes to drop; zeros pad
        bool own = false;
        std::source_location site;
    };
    void mark(ErrorMark entry) const;
    /// Upper bound of marks kept: a mark older than this many requests is long answered.
    static constexpr std::size_t kMaxMarks = 4096;

    xcb_connection_t* connection_;
    const xcb_screen_t* screen_;
    Atoms atoms_;
    Extensions extensions_;
    /// Marked requests in the order sent. A record of what was sent, not of the
    /// connection's state: changing it from const paths is part of sending.
    mutable std::deque<ErrorMark> marks_;
};

}  // namespace corvane::x11
