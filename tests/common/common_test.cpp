// Decimal numbers read the atol way, and text whose lines end in CR LF.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "common/decimal.h"
#include "common/crlf_lines.h"

namespace {

TEST(decimal_value, reads_numbers_the_way_atol_does_without_overflow)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {" \t\r\n\v\f07x", 7}, {"ab", 0}, {"-1", -1}, {"+5", 5}, {"+-5", 0}, {"", 0}, {"000000000000000000008", 8},
        {"2147483647", INT32_MAX}, {"4294967304", INT32_MAX}, {"99999999999999999999999", INT32_MAX},
        {"-2147483647", -2147483647}, {"-2147483648", INT32_MIN}, {"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimal_value(c.text), c.value) << '"' << c.text << '"';
}

TEST(crlf_lines, every_line_ends_in_one_cr_lf_the_last_one_too)
{
    const struct {
        std::string text;
        std::string lines;
    } cases[] = {
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\r\r\nb", "a\r\nb\r\n"},
        {"a\rbc\r\r", "a\rbc\r\n"},  // a CR that no LF follows is kept, but a final run ends the line
        {"x", "x\r\n"},
        {std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string lines(crlf_room(c.text.size()) + 1, '#');
        lines.resize(crlf_lines(c.text.data(), c.text.size(), &lines[0]));
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

}  // namespace
