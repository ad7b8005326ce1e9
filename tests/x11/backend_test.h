#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/x11/x11_backend.h"
#include "x11_test.h"

namespace corvane::x11test {

/// The backend on the shared session, beside the test's own connection.
class BackendTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        openBackend(session());
    }
    void TearDown() override {
        backend_.reset();
        X11Test::TearDown();
    }

    /// Opens the backend on `on`'s display; fails the test when it cannot.
    void openBackend(XSession& on) {
        backend_ = x11::X11Backend::open(on.display(), {"corvane"});
        ASSERT_NE(backend_, nullptr);
    }

    /// Lets the backend hear of everything the server did so far: its loop
    /// handles every event that came before the answer to a round trip.
    void settle() {
        auto* c = backend_->connection().get();
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        backend_->loop().runFor(0);
    }

    std::unique_ptr<x11::X11Backend> backend_;
};

}  // namespace corvane::x11test
