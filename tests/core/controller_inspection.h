#pragma once

#include <map>
#include <memory>

#include "corvane/controller/controller.h"

namespace corvane {

/// What the tests look at inside a controller, beyond its public state.
struct ControllerInspection {
    static const std::map<platform::Pid, std::shared_ptr<LivePreview>>& previews(
        const Controller& controller) {
        return controller.previews_;
    }
    static const BorderOverlay& border(const Controller& controller) { return *controller.border_; }
};

}  // namespace corvane
