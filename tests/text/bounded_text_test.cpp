#include "text/bounded_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

// A buffer with guard bytes after `capacity`, so a write at or beyond it is seen.
struct Guarded {
    static constexpr char GUARD = '#';
    std::array<char, 64> bytes;
    explicit Guarded(char fill = '~') { bytes.fill(fill); }
    bool GuardIntact(std::size_t capacity) const {
        for (std::size_t i = capacity; i < bytes.size(); ++i) {
            if (bytes[i] != '~' && bytes[i] != GUARD) {
                return false;
            }
        }
        return true;
    }
};

TEST(BoundedCopy, CopiesWholeCutsAtCapacityAndRejectsZero) {
    struct Case {
        std::size_t capacity;
        const char* source;
        BoundedResult result;
        const char* expected;
    };
    const Case cases[] = {
        {8, "", BOUNDED_OK, ""},
        {8, "abcdefg", BOUNDED_OK, "abcdefg"},                    // exactly capacity - 1
        {8, "abcdefgh", BOUNDED_INSUFFICIENT_BUFFER, "abcdefg"},  // one too many
        {8, "a much longer text", BOUNDED_INSUFFICIENT_BUFFER, "a much "},
        {1, "x", BOUNDED_INSUFFICIENT_BUFFER, ""},
        {1, "", BOUNDED_OK, ""},
    };
    for (const Case& c : cases) {
        Guarded buffer;
        EXPECT_EQ(BoundedCopy(buffer.bytes.data(), c.capacity, c.source), c.result) << c.source;
        EXPECT_STREQ(buffer.bytes.data(), c.expected);
        EXPECT_TRUE(buffer.GuardIntact(c.capacity)) << c.source;
    }
    Guarded untouched;
    EXPECT_EQ(BoundedCopy(untouched.bytes.data(), 0, "abc"), BOUNDED_E_INVALIDARG);
    EXPECT_EQ(untouched.bytes[0], '~');
}

TEST(BoundedFormat, FormatsCutsAndRejectsBadCapacities) {
    Guarded buffer;
    EXPECT_EQ(BoundedFormat(buffer.bytes.data(), 12, "%s Monitor", "HP"), BOUNDED_OK);
    EXPECT_STREQ(buffer.bytes.data(), "HP Monitor");

    Guarded exact;
    EXPECT_EQ(BoundedFormat(exact.bytes.data(), 11, "%s Monitor", "HP"), BOUNDED_OK);
    EXPECT_STREQ(exact.bytes.data(), "HP Monitor");

    Guarded cut;
    EXPECT_EQ(BoundedFormat(cut.bytes.data(), 10, "%s Monitor", "HP"), BOUNDED_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(cut.bytes.data(), "HP Monito");
    EXPECT_TRUE(cut.GuardIntact(10));

    Guarded line;
    EXPECT_EQ(BoundedFormat(line.bytes.data(), 8, "%s\r\n", "READY"), BOUNDED_OK);
    EXPECT_STREQ(line.bytes.data(), "READY\r\n");

    Guarded zero;
    EXPECT_EQ(BoundedFormat(zero.bytes.data(), 0, "%d", 1), BOUNDED_E_INVALIDARG);
    EXPECT_EQ(zero.bytes[0], '~');
    EXPECT_EQ(BoundedFormat(zero.bytes.data(), std::size_t{0x80000000u}, "%d", 1),
              BOUNDED_E_INVALIDARG);
    EXPECT_EQ(zero.bytes[0], '~');
}

TEST(BoundedAppend, AppendsWithTheCapacityLeftAndNeedsATerminator) {
    Guarded buffer;
    std::strcpy(buffer.bytes.data(), "1.3");
    EXPECT_EQ(BoundedAppend(buffer.bytes.data(), 8, ".6"), BOUNDED_OK);
    EXPECT_STREQ(buffer.bytes.data(), "1.3.6");
    EXPECT_EQ(BoundedAppend(buffer.bytes.data(), 8, ".1.2"), BOUNDED_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer.bytes.data(), "1.3.6.1");
    EXPECT_TRUE(buffer.GuardIntact(8));
    // Full: nothing more fits, and the text stays terminated.
    EXPECT_EQ(BoundedAppend(buffer.bytes.data(), 8, "x"), BOUNDED_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer.bytes.data(), "1.3.6.1");

    // No terminator within the capacity: nothing is appended and nothing is written.
    Guarded unterminated('z');
    EXPECT_EQ(BoundedAppend(unterminated.bytes.data(), 8, "abc"), BOUNDED_E_INVALIDARG);
    EXPECT_EQ(std::string(unterminated.bytes.data(), 8), "zzzzzzzz");
}

}  // namespace
