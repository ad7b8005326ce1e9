#include "corvane/clients/rect_string.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <string_view>

namespace corvane::platform {
namespace {

struct WrittenCase {
    Rect rect;
    std::string_view text;
};

class RectStringWritten : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(RectStringWritten, WritesTheClassicFormAndReadsItBack) {
    const auto& c = GetParam();
    EXPECT_EQ(stringFromRect(c.rect), c.text);
    EXPECT_EQ(rectFromString(c.text), c.rect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RectStringWritten,
    ::testing::Values(WrittenCase{{996, 24, 420, 236}, "{{996, 24}, {420, 236}}"},
                      WrittenCase{{10.5, 20, 300.25, 169}, "{{10.5, 20}, {300.25, 169}}"},
                      WrittenCase{{-1440, -12.75, 0, 0}, "{{-1440, -12.75}, {0, 0}}"},
                      WrittenCase{{0.1 + 0.2, 1.0 / 3.0, 0, 0},
                                  "{{0.30000000000000004, 0.3333333333333333}, {0, 0}}"},
                      WrittenCase{{100000, 2560, 1e21, 1e-7}, "{{100000, 2560}, {1e+21, 1e-07}}"}));

class RectStringRoundTrip : public ::testing::TestWithParam<Rect> {};

TEST_P(RectStringRoundTrip, ReadsBackExactly) {
    EXPECT_EQ(rectFromString(stringFromRect(GetParam())), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, RectStringRoundTrip,
                         ::testing::Values(Rect{0.72, 420.9, 1e-300, 1.7976931348623157e308},
                                           Rect{std::numeric_limits<double>::denorm_min(), -0.0001,
                                                9999999999999998.0, 0.00009999},
                                           Rect{-2.5e-5, 123456.789, -1e16, 4.9406564584124654e-324}));

struct ReadCase {
    std::string_view text;
    Rect rect;
};

class RectStringRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RectStringRead, ScansNumbersLeniently) {
    EXPECT_EQ(rectFromString(GetParam().text), GetParam().rect);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectStringRead,
                         ::testing::Values(
                             // Anything without a number is the zero rectangle.
                             ReadCase{"", {}}, ReadCase{"garbage", {}}, ReadCase{"{{, }, {, }}", {}},
                             ReadCase{"inf nan - . -. + e", {}},
                             // Missing trailing numbers are zero; a fifth is ignored.
                             ReadCase{"{{7, 8}}", {7, 8, 0, 0}}, ReadCase{"1 2 3 4 5", {1, 2, 3, 4}},
                             // Separators do not matter.
                             ReadCase{"x=3;y=4 w:5 h:6", {3, 4, 5, 6}}, ReadCase{"1,2,3,4", {1, 2, 3, 4}},
                             // Signs and bare points.
                             ReadCase{"{{-5, +6}, {-.5, .25}}", {-5, 6, -0.5, 0.25}},
                             ReadCase{"a-b 3", {3, 0, 0, 0}}, ReadCase{"1.2.3", {1.2, 0.3, 0, 0}},
                             // Exponents, and an incomplete one stays outside the number.
                             ReadCase{"{{1e3, 2.5E-1}, {-1e+2, 3e}}", {1000, 0.25, -100, 3}},
                             // Magnitudes beyond a double saturate.
                             ReadCase{"1e400 -1e400 1e-400 -1e-400",
                                      {std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(), 0, -0.0}}));

}  // namespace
}  // namespace corvane::platform
