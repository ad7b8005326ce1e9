// What a screen reader finds of the panel, through AT-SPI as Orca reads it.
#include <gtest/gtest.h>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using PanelAccessTest = ProgramTest;

TEST_F(PanelAccessTest, thePickersSayWhichKeysAreChosen) {
    writeSettings(R"({"jumpStyle": "functionKeys"})");
    auto program = startProgram();
    EXPECT_TRUE(control(program.pid(), "combo box", "` (backtick)").has_value()) << programErrors();
    EXPECT_TRUE(control(program.pid(), "combo box", "F13\u2026F17").has_value());
}

}  // namespace
}  // namespace corvane::x11test
