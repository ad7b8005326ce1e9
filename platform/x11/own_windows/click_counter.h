// Counts a press soon after the last one, near it, as a double click.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>
#include <optional>

namespace corvane::x11 {

/// The click count of each button press: a press soon after the previous one
/// and near it continues the series (2 for a double click), any other starts
/// a new one. X only reports presses; counting them is the program's job.
class ClickCounter {
public:
    static constexpr std::uint32_t kIntervalMilliseconds = 400;
    static constexpr int kSlopPixels = 4;

    /// Counts a press at server time `time` (milliseconds) and root point (x, y).
    int press(std::uint32_t time, int x, int y);

private:
    struct Press {
        std::uint32_t time = 0;
        int x = 0;
        int y = 0;
    };
    std::optional<Press> last_;
    int count_ = 0;
};

}  // namespace corvane::x11
