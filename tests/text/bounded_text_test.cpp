// The bounded text helpers: nothing written at or past the capacity, the text always
// terminated, a cut reported, and a capacity they cannot work with leaves the buffer alone.
#include "text/bounded_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

enum class Call { Copy, Format, Append };  // BoundedFormat with "%s Monitor"

TEST(BoundedText, WritesWithinTheCapacityAndReportsACut) {
    const struct {
        const char* name;
        Call call;
        std::string before;  // the buffer's first bytes; the rest is '~'
        std::size_t capacity;
        const char* source;
        BoundedResult result;
        const char* text;  // null: not a byte written
    } cases[] = {
        {"copy fits", Call::Copy, "", 8, "abcdefg", BOUNDED_OK, "abcdefg"},
        {"copy cut", Call::Copy, "", 8, "abcdefgh", BOUNDED_INSUFFICIENT_BUFFER, "abcdefg"},
        {"copy into one byte", Call::Copy, "", 1, "x", BOUNDED_INSUFFICIENT_BUFFER, ""},
        {"copy into none", Call::Copy, "", 0, "abc", BOUNDED_E_INVALIDARG, nullptr},
        {"format fits", Call::Format, "", 11, "HP", BOUNDED_OK, "HP Monitor"},
        {"format cut", Call::Format, "", 10, "HP", BOUNDED_INSUFFICIENT_BUFFER, "HP Monito"},
        {"format into none", Call::Format, "", 0, "HP", BOUNDED_E_INVALIDARG, nullptr},
        {"format past int", Call::Format, "", 0x80000000u, "HP", BOUNDED_E_INVALIDARG, nullptr},
        {"append fits", Call::Append, std::string("1.3", 4), 8, ".6", BOUNDED_OK, "1.3.6"},
        {"append cut", Call::Append, std::string("1.3", 4), 8, ".6.1.2",
         BOUNDED_INSUFFICIENT_BUFFER, "1.3.6.1"},
        {"append, no terminator within", Call::Append, "zzzzzzzz", 8, "abc", BOUNDED_E_INVALIDARG,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<char, 64> before{}, buffer{};
        before.fill('~');
        std::copy(c.before.begin(), c.before.end(), before.begin());
        buffer = before;
        char* b = buffer.data();
        EXPECT_EQ(c.call == Call::Copy     ? BoundedCopy(b, c.capacity, c.source)
                  : c.call == Call::Append ? BoundedAppend(b, c.capacity, c.source)
                                           : BoundedFormat(b, c.capacity, "%s Monitor", c.source),
                  c.result);
        if (c.text == nullptr) {
            EXPECT_EQ(buffer, before);
        } else {
            EXPECT_STREQ(b, c.text);
            EXPECT_TRUE(std::equal(buffer.begin() + static_cast<long>(c.capacity), buffer.end(),
                                   before.begin() + static_cast<long>(c.capacity)));
        }
    }
}

}  // namespace
