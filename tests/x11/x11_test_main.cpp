#include <gtest/gtest.h>

#include <cstdlib>

#include "x11_test.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The tests' desktop is Xvfb, whatever session runs them.
    unsetenv("WAYLAND_DISPLAY");
    // Owned by gtest from here on.
    ::testing::AddGlobalTestEnvironment(new corvane::x11test::SessionEnvironment);
    return RUN_ALL_TESTS();
}
