// The backend's main loop: the order tasks run in, timers that stop when
// dropped, event subscribers, X errors from vanished windows, and the end of
// the X connection.
#include <gtest/gtest.h>

#include <unistd.h>
#include <xcb/xcb.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"
#include "stderr_capture.h"
#include "x11_test.h"

namespace corvane::x11test {
namespace {

class EventLoopTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        connection_ = x11::Connection::open(session().display());
        ASSERT_NE(connection_, nullptr);
        loop_ = std::make_unique<x11::EventLoop>(*connection_);
    }
    void TearDown() override {
        loop_.reset();
        connection_.reset();
        X11Test::TearDown();
    }

    /// Makes the server send this connection a PropertyNotify on a window of its own.
    xcb_window_t ownWindowWithPropertyEvents() {
        auto* c = connection_->get();
        const xcb_window_t window = xcb_generate_id(c);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, connection_->root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        return window;
    }
    void touchProperty(xcb_window_t window) {
        const std::uint32_t value = 1;
        xcb_change_property(connection_->get(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                            XCB_ATOM_CARDINAL, 32, 1, &value);
        connection_->flush();
    }

    std::unique_ptr<x11::Connection> connection_;
    std::unique_ptr<x11::EventLoop> loop_;
};

TEST_F(EventLoopTest, tasksRunInOrderAndATasksOwnPostsWaitForTheNextTurn) {
    std::vector<std::string> ran;
    loop_->post([&] {
        ran.emplace_back("a");
        loop_->post([&] { ran.emplace_back("a2"); });
    });
    loop_->post([&] { ran.emplace_back("b"); });

    ASSERT_TRUE(loop_->runUntil([&] { return ran.size() == 3; }, 5.0));
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "b", "a2"}));
}

TEST_F(EventLoopTest, aTimerRepeatsUntilItIsDestroyedEvenFromItsOwnFiring) {
    int fired = 0;
    std::unique_ptr<platform::Timer> timer;
    timer = loop_->scheduleRepeating(0.001, [&] {
        if (++fired == 3) timer.reset();
    });

    ASSERT_TRUE(loop_->runUntil([&] { return timer == nullptr; }, 5.0));
    loop_->runFor(0.05);
    EXPECT_EQ(fired, 3);
}

TEST_F(EventLoopTest, aOneShotTimerFiresOnceAndNeverOnceDropped) {
    int fired = 0;
    int dropped = 0;
    const auto once = loop_->scheduleOnce(0.001, [&] { ++fired; });
    auto never = loop_->scheduleOnce(0.001, [&] { ++dropped; });
    never.reset();
    loop_->runFor(0.05);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(loop_->millisecondsUntilNextTimer(), -1);
}

TEST_F(EventLoopTest, quitEndsRunAfterTheCurrentStep) {
    bool after = false;
    loop_->post([&] { loop_->quit(); });
    loop_->post([&] { after = true; });

    EXPECT_EQ(loop_->run(), x11::EventLoop::Exit::quit);
    EXPECT_TRUE(after);  // the same turn's tasks still ran
}

TEST_F(EventLoopTest, subscribersSeeTheirEventTypeUntilTheyUnsubscribe) {
    const xcb_window_t window = ownWindowWithPropertyEvents();
    int first = 0;
    int second = 0;
    auto firstSubscription = loop_->subscribe(XCB_PROPERTY_NOTIFY, [&](const auto&) { ++first; });
    auto secondSubscription = loop_->subscribe(XCB_PROPERTY_NOTIFY, [&](const auto&) {
        ++second;
        firstSubscription.cancel();  // a handler may end another's subscription mid-dispatch
    });
    auto unrelated =
        loop_->subscribe(XCB_KEY_PRESS, [&](const auto&) { ADD_FAILURE() << "no key was pressed"; });

    touchProperty(window);
    ASSERT_TRUE(loop_->runUntil([&] { return second == 1; }, 5.0));
    touchProperty(window);
    ASSERT_TRUE(loop_->runUntil([&] { return second == 2; }, 5.0));

    EXPECT_EQ(first, 1);
}

TEST_F(EventLoopTest, requestsMarkedForeignLogNothingWhenTheWindowVanishedButOtherErrorsAreReported) {
    StderrCapture stderrText(session().newPath("stderr"));
    const xcb_window_t gone = x().createProbeWindow();
    x().destroyWindow(gone);
    auto* c = connection_->get();
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    connection_->onForeignWindow(xcb_configure_window(c, gone, XCB_CONFIG_WINDOW_STACK_MODE, &above));
    connection_->onForeignWindow(xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, gone, XCB_CURRENT_TIME));
    // The same request about one of the program's own windows is a fault: it must show.
    xcb_configure_window(c, gone, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    auto geometry = connection_->getGeometry(gone);
    EXPECT_EQ(geometry.get(), nullptr);
    ASSERT_NE(geometry.error(), nullptr);
    // A request the program got wrong is not a vanished window: it must show, and where it came from.
    connection_->expectErrors(xcb_free_pixmap(c, connection_->root()), {XCB_WINDOW});
    bool done = false;
    loop_->post([&] { done = true; });
    auto sync = connection_->getGeometry(connection_->root());
    static_cast<void>(sync.get());  // every error before this reply has arrived
    loop_->runUntil([&] { return done; }, 5.0);

    const std::string text = stderrText.finish();
    EXPECT_EQ(text.find("on SetInputFocus"), std::string::npos) << text;
    EXPECT_NE(text.find("corvane: X error BadWindow (3) on ConfigureWindow, resource 0x"), std::string::npos)
        << text;
    EXPECT_NE(text.find("BadPixmap (4) on FreePixmap, resource 0x"), std::string::npos) << text;
    EXPECT_NE(text.find("sent from x11_backend_loop_test.cpp:"), std::string::npos) << text;
}

TEST_F(EventLoopTest, errorHandlersClaimErrorsBeforeTheLog) {
    StderrCapture stderrText(session().newPath("stderr"));
    std::vector<std::uint8_t> seen;
    auto claim = loop_->subscribeErrors([&](const xcb_generic_error_t& error) {
        seen.push_back(error.error_code);
        return true;
    });
    xcb_free_pixmap(connection_->get(), connection_->root());

    ASSERT_TRUE(loop_->runUntil([&] { return !seen.empty(); }, 5.0));
    EXPECT_EQ(seen, std::vector<std::uint8_t>{4});
    EXPECT_EQ(stderrText.finish(), "");
}

TEST_F(EventLoopTest, anUnreadCookieIsDiscardedAndLaterRepliesStillMatch) {
    {
        auto unread = connection_->getGeometry(connection_->root());
        auto alsoUnread = connection_->getProperty(connection_->root(), connection_->atoms().netClientList);
    }
    auto moved = connection_->getGeometry(connection_->root());
    auto target = std::move(moved);

    ASSERT_NE(target.get(), nullptr);
    EXPECT_EQ(target.get()->width, x().rootGeometry().width);
}

TEST_F(EventLoopTest, theEndOfTheServerEndsRunWithItsOwnOutcome) {
    auto doomed = std::make_unique<XSession>(SessionOptions{.windowManager = false});
    auto connection = x11::Connection::open(doomed->display());
    ASSERT_NE(connection, nullptr);
    x11::EventLoop loop(*connection);
    int ticks = 0;
    const auto timer = loop.scheduleRepeating(0.01, [&] { ++ticks; });
    ASSERT_TRUE(loop.runUntil([&] { return ticks > 0; }, 5.0));

    doomed.reset();
    // Should the loss go unnoticed, this ends the run and the test fails instead of hanging.
    const auto guard = loop.scheduleRepeating(10.0, [&] { loop.quit(); });

    EXPECT_EQ(loop.run(), x11::EventLoop::Exit::connectionLost);
    EXPECT_TRUE(loop.connectionLost());
    EXPECT_FALSE(loop.runFor(0.01));
}

}  // namespace
}  // namespace corvane::x11test
