// Reading field values as integers and as text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Value.h"

namespace {

using rm::Value;

struct IntCase {
    const char* what;
    Value value;
    std::int64_t expected;
};

TEST(ValueAsInt64, ReadsEveryKindOfValue) {
    const std::int64_t maxI = std::numeric_limits<std::int64_t>::max();
    const std::int64_t minI = std::numeric_limits<std::int64_t>::min();
    const IntCase cases[] = {
        {"null", Value{}, 0},
        {"integer", Value{std::int64_t{-42}}, -42},
        {"largest integer", Value{maxI}, maxI},
        {"double truncated toward zero", Value{2.9}, 2},
        {"negative double truncated toward zero", Value{-2.9}, -2},
        {"NaN", Value{std::nan("")}, 0},
        {"double above the range", Value{1e300}, maxI},
        {"double below the range", Value{-1e300}, minI},
        {"decimal text", Value{std::string("123")}, 123},
        {"text with sign and blanks", Value{std::string("  -7 ")}, -7},
        {"text with plus sign", Value{std::string("+8")}, 8},
        {"empty text", Value{std::string("")}, 0},
        {"text that is no integer", Value{std::string("12abc")}, 0},
        {"text with a fraction", Value{std::string("1.5")}, 0},
        {"text with two signs", Value{std::string("+-3")}, 0},
        {"text beyond the range", Value{std::string("99999999999999999999")}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rm::ValueAsInt64(c.value), c.expected) << c.what;
    }
}

struct TextCase {
    const char* what;
    Value value;
    const char* expected;
};

TEST(ValueAsString, WritesNumbersInDecimal) {
    const TextCase cases[] = {
        {"null", Value{}, ""},
        {"integer", Value{std::int64_t{1234567}}, "1234567"},
        {"negative integer", Value{std::int64_t{-5}}, "-5"},
        {"smallest integer", Value{std::numeric_limits<std::int64_t>::min()},
         "-9223372036854775808"},
        {"whole double has no point", Value{20.0}, "20"},
        {"scaled numeric", Value{18.25}, "18.25"},
        {"sum with binary noise", Value{0.1 + 0.2}, "0.3"},
        {"text unchanged", Value{std::string("НДС 20%")}, "НДС 20%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rm::ValueAsString(c.value), c.expected) << c.what;
    }
}

}  // namespace
