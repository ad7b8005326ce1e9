// The rules by which the backend believes what it wrote, without an X server.
#include <gtest/gtest.h>

#include "platform/x11/desktop/activation_record.h"
#include "platform/x11/desktop/foreign_placement.h"
#include "rect_printer.h"

namespace corvane::x11 {
namespace {

TEST(ActivationRecordRules, OnlyTheWindowNamedActiveAnswersAndBothDeadlinesCountFromTheRequest) {
    const ActivationRecord record{0x600000, 42, XCB_CURRENT_TIME, 10.0};
    EXPECT_TRUE(record.answeredBy(0x600000));
    // Openbox names no window for a moment while it moves the focus: no answer yet.
    EXPECT_FALSE(record.answeredBy(XCB_WINDOW_NONE));
    EXPECT_FALSE(record.answeredBy(0x800000));
    EXPECT_FALSE(record.answeredBy(std::nullopt));
    EXPECT_TRUE(record.holdsWritesAt(10.049));
    EXPECT_FALSE(record.holdsWritesAt(10.05));
    EXPECT_TRUE(record.trustedAt(10.499));
    EXPECT_FALSE(record.trustedAt(10.5));
}

TEST(BelievedPlacementRules, ThisStepsMoveThenWhatWasSentThenTheServersWord) {
    const ForeignPlacement server{{0, 0, 802, 626}, {1, 1, 20, 5}, 0};
    const SentPlacement sent{{{100, 0, 802, 626}, {1, 1, 20, 5}, 0}, 5.0};
    ClientMove move;
    move.x = 301;
    move.y = 220;
    struct Case {
        const char* name;
        std::optional<ForeignPlacement> server;
        const SentPlacement* sent;
        double now;
        const ClientMove* pending;
        std::optional<platform::Rect> frame;
    };
    const Case cases[] = {
        {"the server's word", server, nullptr, 1.0, nullptr, platform::Rect{0, 0, 802, 626}},
        {"sent, unconfirmed", server, &sent, 1.0, nullptr, platform::Rect{100, 0, 802, 626}},
        {"sent, long ago", server, &sent, 5.0, nullptr, platform::Rect{0, 0, 802, 626}},
        {"moved in this step, over what was sent", server, &sent, 1.0, &move,
         platform::Rect{300, 200, 802, 626}},
        {"gone", std::nullopt, &sent, 1.0, &move, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto believed = believedPlacement(c.server, c.sent, c.now, c.pending);
        EXPECT_EQ(believed ? std::optional(believed->frame) : std::nullopt, c.frame) << c.name;
    }
}

}  // namespace
}  // namespace corvane::x11
