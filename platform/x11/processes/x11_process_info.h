// The process-info service on X11: the launch arguments.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <string>
#include <vector>

#include "platform/workspace.h"

namespace corvane::x11 {

/// The launch arguments the program was started with.
class X11ProcessInfo final : public platform::ProcessInfo {
public:
    explicit X11ProcessInfo(std::vector<std::string> arguments);
    [[nodiscard]] std::vector<std::string> arguments() override { return arguments_; }

private:
    std::vector<std::string> arguments_;
};

}  // namespace corvane::x11
