#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace corvane::x11test {

inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};

/// Polls `condition` until it holds or `timeout` has passed; true when it held.
/// For conditions on other processes (the X server, a window manager, a child)
/// that offer nothing to wait on.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = kDefaultTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace corvane::x11test
