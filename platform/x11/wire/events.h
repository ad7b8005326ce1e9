// Small helpers to read an xcb event's type and fields.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>

namespace corvane::x11 {

/// An event's type without the bit that says another client sent it.
[[nodiscard]] inline std::uint8_t eventType(const xcb_generic_event_t& event) {
    return static_cast<std::uint8_t>(event.response_type & 0x7FU);
}

/// Whether another client sent the event (SendEvent) rather than the server.
template <typename Event>
[[nodiscard]] bool sentByClient(const Event& event) {
    return (event.response_type & 0x80U) != 0;
}

/// The event as the type its response type says it is.
template <typename Event>
[[nodiscard]] const Event& as(const xcb_generic_event_t& event) {
    return reinterpret_cast<const Event&>(event);
}

}  // namespace corvane::x11
