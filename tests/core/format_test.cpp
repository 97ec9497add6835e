// Number and date texts: fixed-point texts of single-precision values (infinities, NaN, rounding,
// large values) and the date mask tokens.

#include "core/format.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <limits>

namespace quendar {
namespace {

struct FixedCase {
    float value;
    int decimals;
    const char* text;
};

TEST(FormatFixedTest, WritesTheCConversionOfTheWidenedValue) {
    const float inf = std::numeric_limits<float>::infinity();
    const FixedCase cases[] = {
        {inf, 1, "+Infinity"},
        {-inf, 3, "-Infinity"},
        {std::bit_cast<float>(std::uint32_t{0xFFFFFFFF}), 1, "NaN"},
        {std::numeric_limits<float>::quiet_NaN(), 1, "NaN"},
        {0.0f, 1, "0.0"},
        {0.0f, 3, "0.000"},
        {156.872345f, 1, "156.9"},
        {156.872345f, 3, "156.872"},
        {998.263855f, 1, "998.3"},
        {999.975464f, 1, "1000.0"}, // just below the limit, written as 1000.0
        {1674808.75f, 1, "1674808.8"},
        {0.05f, 1, "0.1"}, // the float lies just above 0.05
        {0.25f, 1, "0.2"}, // exactly halfway: the even neighbour
        {0.35f, 1, "0.3"}, // the float lies just below 0.35
        {-2.5f, 1, "-2.5"},
        {-0.04f, 1, "-0.0"},
        {1e30f, 1, "1000000015047466219876688855040.0"},
        {50.0f, 0, "50"},
        {4.05704355f, 3, "4.057"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.text;
    }
}

TEST(FormatFixedTest, IgnoresTheProcessLocale) {
    // The GUI toolkit switches LC_NUMERIC to the user's locale; a German one writes commas.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "de_DE locale not installed";
    }
    const std::string text = formatFixed(156.872345f, 1);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text, "156.9");
}

TEST(FormatIntegerTest, PlainDecimal) {
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(12), "12");
    EXPECT_EQ(formatInteger(-7), "-7");
    EXPECT_EQ(formatInteger(1234567), "1234567");
}

struct DateCase {
    const char* mask;
    const char* text;
};

TEST(FormatDateTest, ReplacesTokensAndCopiesTheRest) {
    const DateTime date{2013, 5, 3, 9, 7, 5};
    const DateCase cases[] = {
        {"%dd.%mm.%yyyy", "03.05.2013"},
        {"%hh:%ii:%ss", "09:07:05"},
        {"%yy", "13"},
        {"%yyy", "13y"}, // "yyyy" does not match, "yy" does
        {"%YYYY/%Yy", "2013/13"},
        {"%DD%Mm%hH%II%sS", "0305090705"},
        {"%", "%"},
        {"50%", "50%"},
        {"%x", "%x"},
        {"%%dd", "%03"},
        {"%d", "%d"},
        {"a%m b", "a%m b"},
        {"", ""},
    };
    for (const DateCase& c : cases) {
        EXPECT_EQ(formatDate(c.mask, date), c.text) << c.mask;
    }
}

TEST(FormatDateTest, TwoDigitFieldsKeepTheirLeadingZeroAndEveryDigit) {
    const DateTime date{2009, 12, 31, 23, 59, 0};
    EXPECT_EQ(formatDate("%dd.%mm.%yyyy %hh:%ii:%ss %yy", date), "31.12.2009 23:59:00 09");
}

} // namespace
} // namespace quendar
