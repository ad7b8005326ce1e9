// "{{x, y}, {w, h}}" text as a hand-edited settings file may hold it: reading
// any text must not fail, and a rectangle of finite numbers must read back
// exactly as it was written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "corvane/clients/rect_string.h"

namespace {

bool finite(const corvane::platform::Rect& rect) {
    return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) &&
           std::isfinite(rect.height);
}

bool same(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvane::rectFromString;
    using corvane::stringFromRect;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto rect = rectFromString(text);
    if (!finite(rect)) return 0;
    const auto again = rectFromString(stringFromRect(rect));
    if (!same(again.x, rect.x) || !same(again.y, rect.y) || !same(again.width, rect.width) ||
        !same(again.height, rect.height)) {
        std::abort();
    }
    return 0;
}
