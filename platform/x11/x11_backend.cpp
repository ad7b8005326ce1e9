#include "platform/x11/x11_backend.h"

#include <utility>

namespace corvane::x11 {

std::unique_ptr<X11Backend> X11Backend::open(const std::string& displayName,
                                             std::vector<std::string> arguments) {
    auto connection = Connection::open(displayName);
    if (!connection) return nullptr;
    return std::make_unique<X11Backend>(std::move(connection), std::move(arguments));
}

X11Backend::X11Backend(std::unique_ptr<Connection> connection, std::vector<std::string> arguments)
    : connection_(std::move(connection)),
      loop_(*connection_),
      windowCache_(*connection_, loop_),
      sway_(SwayIpc::connectFromEnvironment(*connection_)),
      route_(*connection_, windowCache_, sway_.get()),
      writes_(*connection_, loop_, windowCache_, route_),
      processInfo_(std::move(arguments)),
      screens_(*connection_, loop_, windowCache_),
      workspace_(*connection_, loop_, windowCache_, writes_),
      accessibility_(*connection_, screens_, windowCache_, writes_),
      hotKeys_(*connection_, loop_),
      windows_(*connection_, loop_, screens_, windowCache_, writes_, sway_.get()),
      capture_(*connection_, loop_, accessibility_, windowCache_) {}

X11Backend::~X11Backend() = default;

platform::Platform X11Backend::platform(platform::DefaultsStore& defaults) {
    return {workspace_, processInfo_, accessibility_, screens_, defaults,
            loop_,      hotKeys_,     windows_,       capture_};
}

}  // namespace corvane::x11
