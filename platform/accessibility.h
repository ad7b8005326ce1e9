#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"

namespace corvane::platform {

/// Opaque handle of another process's window. Only valid for the step that
/// looked it up: windows vanish at any moment, and every call on a vanished
/// window fails quietly.
using WindowRef = std::uint64_t;

/// Reading, moving, resizing and raising other processes' windows.
/// Coordinates: top-left of the primary screen is the origin, y grows downward.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    /// Whether the process may work on other processes' windows (no prompt).
    [[nodiscard]] virtual bool isProcessTrusted() = 0;
    /// Asks the system to show its permission prompt; does not wait for the answer.
    virtual void requestTrust() = 0;

    /// The windows of a process; nullopt when the list cannot be read.
    [[nodiscard]] virtual std::optional<std::vector<WindowRef>> windows(Pid pid) = 0;
    /// Top-left corner of the window's outer frame; nullopt when it cannot be read.
    [[nodiscard]] virtual std::optional<Point> position(WindowRef window) = 0;
    /// Size of the window's outer frame; nullopt when it cannot be read.
    [[nodiscard]] virtual std::optional<Size> size(WindowRef window) = 0;

    /// Moves the outer frame's top-left corner; failures are ignored.
    virtual void setPosition(WindowRef window, Point position) = 0;
    /// Resizes the outer frame; failures are ignored.
    virtual void setSize(WindowRef window, Size size) = 0;
    /// Brings the window in front of its application's other windows.
    virtual void raise(WindowRef window) = 0;
};

}  // namespace corvane::platform
