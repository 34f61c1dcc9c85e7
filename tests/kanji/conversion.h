#ifndef TOBALIN_TESTS_KANJI_CONVERSION_H
#define TOBALIN_TESTS_KANJI_CONVERSION_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

// What a conversion gives into a buffer of the capacity, or "-1:" and what
// the buffer holds; checks that nothing was stored past the capacity. The
// source lies in a block of its own length, so that a read past it shows.
template <typename Convert>
std::string converted(Convert convert, const std::string& text, int capacity)
{
    std::vector<char> source(text.begin(), text.end());
    std::vector<char> buffer(static_cast<size_t>(capacity) + 16, '#');
    int result = convert(source.data(), static_cast<int>(source.size()), buffer.data(), capacity);
    EXPECT_EQ(std::string(buffer.begin() + capacity, buffer.end()), std::string(16, '#')) << "written past the capacity";
    if (result < 0)
        return "-1:" + std::string(buffer.data(), static_cast<size_t>(capacity));
    return std::string(buffer.data(), static_cast<size_t>(result));
}

inline std::string times(int count, const std::string& text)
{
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

#endif
