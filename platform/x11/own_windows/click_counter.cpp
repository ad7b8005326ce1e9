#include "platform/x11/own_windows/click_counter.h"

#include <cstdlib>

namespace corvane::x11 {

int ClickCounter::press(std::uint32_t time, int x, int y) {
    // Unsigned: the server's millisecond clock wraps, the difference does not care.
    const bool continues = last_ && time - last_->time <= kIntervalMilliseconds &&
                           std::abs(x - last_->x) <= kSlopPixels && std::abs(y - last_->y) <= kSlopPixels;
    count_ = continues ? count_ + 1 : 1;
    last_ = Press{time, x, y};
    return count_;
}

}  // namespace corvane::x11
