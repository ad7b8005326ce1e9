#include <gtest/gtest.h>

#include "x11_test.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Owned by gtest from here on.
    ::testing::AddGlobalTestEnvironment(new corvane::x11test::SessionEnvironment);
    return RUN_ALL_TESTS();
}
