#include "platform/x11/client_windows.h"

namespace corvane::x11 {

FrameExtents frameExtents(PropertyCookie& cookie) {
    const auto values = values32(cookie.get());
    if (values.size() < 4) return {};
    return {static_cast<std::int32_t>(values[0]), static_cast<std::int32_t>(values[1]),
            static_cast<std::int32_t>(values[2]), static_cast<std::int32_t>(values[3])};
}

std::optional<platform::Pid> pidFrom(PropertyCookie& cookie) {
    const auto value = firstValue32(cookie.get());
    if (!value || *value == 0) return std::nullopt;
    return static_cast<platform::Pid>(*value);
}

}  // namespace corvane::x11
