// An activation asked of the window manager, kept until it answers.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>

#include "platform/geometry.h"

namespace corvane::x11 {

/// An activation the program asked for: waiting to be sent, or sent and waiting for its answer.
struct ActivationRecord {
    /// How long the rest of the step's writes wait for the answer: the window
    /// manager, the server and the game move the keyboard meanwhile.
    static constexpr double kHoldForAnswer = 0.05;
    /// How long the game counts as the frontmost while no answer has come: a
    /// tick in between must not read the game just left as frontmost and undo
    /// the switch. After that the window manager's word holds (it refused).
    static constexpr double kTrustUnanswered = 0.5;

    xcb_window_t window = XCB_WINDOW_NONE;
    platform::Pid pid = 0;
    xcb_timestamp_t time = XCB_CURRENT_TIME;  ///< of the user action that asked for it
    double sentAt = 0;

    /// The one rule for an answer: the window manager names the window active.
    [[nodiscard]] bool answeredBy(std::optional<xcb_window_t> active) const { return active == window; }
    [[nodiscard]] bool holdsWritesAt(double now) const { return now < sentAt + kHoldForAnswer; }
    [[nodiscard]] bool trustedAt(double now) const { return now < sentAt + kTrustUnanswered; }
};

}  // namespace corvane::x11
