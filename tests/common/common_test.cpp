// Decimal numbers read the atol way, and files whose lines end in CR LF.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "common/decimal.h"
#include "common/text_file.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(decimal_value, reads_numbers_the_way_atol_does_without_overflow)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {" \t\r\n\v\f07x", 7}, {"ab", 0}, {"-1", -1}, {"+5", 5}, {"+-5", 0}, {"", 0},
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"4294967304", INT32_MAX},
        {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN}, {"-99999999999999999999999", INT32_MIN},
        {"99999999999999999999999", INT32_MAX}, {"000000000000000000008", 8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimal_value(c.text), c.value) << '"' << c.text << '"';
}

class text_file_lines : public in_temp_dir {};

TEST_F(text_file_lines, every_line_ends_in_one_cr_lf_on_disk)
{
    const struct {
        std::string written;
        std::string on_disk;
    } cases[] = {
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\r\r\nb", "a\r\nb"},
        {"a\rb\r", "a\rb\r"},  // a CR that no LF follows is kept
        {std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        text_file file;
        ASSERT_EQ(text_file_create(&file, "out.txt"), 0);
        text_file_write(&file, c.written.data(), c.written.size());
        ASSERT_EQ(text_file_close(&file), 0);
        EXPECT_EQ(file_bytes("out.txt"), c.on_disk);
    }
}

TEST_F(text_file_lines, a_line_end_split_between_writes_is_still_one)
{
    text_file file;
    ASSERT_EQ(text_file_create(&file, "out.txt"), 0);
    text_file_puts(&file, "title\r");
    text_file_printf(&file, "\nnext: %02d:%02d\n", 9, 5);
    text_file_printf(&file, "%s\n", std::string(1000, 'x').c_str());  // longer than the printf buffer
    ASSERT_EQ(text_file_close(&file), 0);
    EXPECT_EQ(file_bytes("out.txt"), "title\r\nnext: 09:05\r\n" + std::string(1000, 'x') + "\r\n");
}

TEST_F(text_file_lines, failures_are_reported)
{
    text_file file;
    EXPECT_EQ(text_file_create(&file, "no-such-dir/out.txt"), -1);
#if !defined(_WIN32)
    // A full disk: the bytes do not reach the file, and closing says so.
    ASSERT_EQ(text_file_create(&file, "/dev/full"), 0);
    text_file_puts(&file, "x\n");
    EXPECT_EQ(text_file_close(&file), -1);
#endif
}

}  // namespace
