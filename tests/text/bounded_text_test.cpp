// The bounded text helpers: nothing written at or past the capacity, the text always
// terminated, a cut reported, and a capacity they cannot work with leaves the buffer alone.
#include "text/bounded_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

namespace {

TEST(BoundedText, WritesWithinTheCapacityAndReportsACut) {
    using Call = std::function<BoundedResult(char*, std::size_t)>;
    const auto copy = [](const char* s) -> Call {
        return [s](char* b, std::size_t n) { return BoundedCopy(b, n, s); };
    };
    const auto append = [](const char* s) -> Call {
        return [s](char* b, std::size_t n) { return BoundedAppend(b, n, s); };
    };
    const Call format = [](char* b, std::size_t n) {
        return BoundedFormat(b, n, "%s Monitor", "HP");
    };
    const std::string terminated13("1.3", 4);
    const struct {
        std::string before;  // the buffer's first bytes; the rest is '~'
        std::size_t capacity;
        Call call;
        BoundedResult result;
        const char* text;  // null: not a byte written
    } cases[] = {
        {"", 8, copy("abcdefg"), BOUNDED_OK, "abcdefg"},
        {"", 8, copy("abcdefgh"), BOUNDED_INSUFFICIENT_BUFFER, "abcdefg"},
        {"", 1, copy("x"), BOUNDED_INSUFFICIENT_BUFFER, ""},
        {"", 0, copy("abc"), BOUNDED_E_INVALIDARG, nullptr},
        {"", 11, format, BOUNDED_OK, "HP Monitor"},
        {"", 10, format, BOUNDED_INSUFFICIENT_BUFFER, "HP Monito"},
        {"", 0, format, BOUNDED_E_INVALIDARG, nullptr},
        {"", 0x80000000u, format, BOUNDED_E_INVALIDARG, nullptr},
        {terminated13, 8, append(".6"), BOUNDED_OK, "1.3.6"},
        {terminated13, 8, append(".6.1.2"), BOUNDED_INSUFFICIENT_BUFFER, "1.3.6.1"},
        {"zzzzzzzz", 8, append("abc"), BOUNDED_E_INVALIDARG, nullptr},  // no terminator within
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::array<char, 64> before{}, buffer{};
        before.fill('~');
        std::copy(c.before.begin(), c.before.end(), before.begin());
        buffer = before;
        EXPECT_EQ(c.call(buffer.data(), c.capacity), c.result);
        if (c.text == nullptr) {
            EXPECT_EQ(buffer, before);
        } else {
            EXPECT_STREQ(buffer.data(), c.text);
            EXPECT_TRUE(std::equal(buffer.begin() + static_cast<long>(c.capacity), buffer.end(),
                                   before.begin() + static_cast<long>(c.capacity)));
        }
    }
}

}  // namespace
