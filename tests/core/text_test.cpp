#include <climits>
#include <gtest/gtest.h>

#include "core/text.h"

TEST(Text, PaddingGroupingAndCase)
{
    EXPECT_EQ(PadLeft("ab", 5), "   ab");
    EXPECT_EQ(PadRight("ab", 5), "ab   ");
    EXPECT_EQ(PadLeft("abcdef", 3), "abcdef");
    EXPECT_EQ(GroupThousands(-1234567), "-1,234,567");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(1000), "1,000");
    EXPECT_EQ(GroupThousands(0), "0");
    EXPECT_EQ(GroupThousands(INT64_MIN), "-9,223,372,036,854,775,808");
    EXPECT_EQ(UpperText("abc Xy1"), "ABC XY1");
    EXPECT_EQ(TrimText(" \t\r\n x y \x01"), "x y");
    EXPECT_TRUE(SameText("Alice", "aLICE"));
    EXPECT_FALSE(SameText("Alice", "Alic"));
}

TEST(Text, MulDivAndClamp)
{
    EXPECT_EQ(MulDiv(7, 3, 0), 0);
    EXPECT_EQ(MulDiv(7, 3, 2), 10);
    EXPECT_EQ(MulDiv(-7, 3, 2), -10);   // toward zero
    EXPECT_EQ(MulDiv(3000000000LL, 3000000000LL, 1000000000LL), 9000000000LL);
    EXPECT_EQ(MulDiv(INT64_MAX, INT64_MAX, 1), INT64_MAX);
    EXPECT_EQ(MulDiv(INT64_MIN, 1, 1), INT64_MIN);
    EXPECT_EQ(MulDiv(INT64_MIN, -1, 1), INT64_MAX);
    EXPECT_EQ(MulDiv(INT64_MIN, INT64_MIN, INT64_MIN), INT64_MIN);
    EXPECT_EQ(MulDiv(INT64_MAX, INT64_MAX, INT64_MAX), INT64_MAX);
    EXPECT_EQ(MulDiv(INT64_MAX, -3, 7), -3952873730080618203LL);   // 128-bit product, negative
#ifdef __SIZEOF_INT128__
    // Where the compiler has a 128-bit type: the hand-made product and
    // division agree with it over numbers of every size and sign.
    uint64_t x = 88172645463325252ull;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        int64_t v = (int64_t)(x >> (x % 64));   // small and large magnitudes
        return (x & 1) ? -v : v;
    };
    for (int i = 0; i < 200000; i++) {
        int64_t a = next(), b = next(), c = next();
        if (c == 0) continue;
        __int128 q = (__int128)a * b / c;
        int64_t want = q > INT64_MAX ? INT64_MAX : q < INT64_MIN ? INT64_MIN : (int64_t)q;
        ASSERT_EQ(MulDiv(a, b, c), want) << a << " * " << b << " / " << c;
    }
#endif
    EXPECT_EQ(Clamp(40, 2, 25), 25);
    EXPECT_EQ(Clamp(1, 2, 25), 2);
    EXPECT_EQ(Clamp(7, 2, 25), 7);
}

TEST(Text, ParseWholeNumbers)
{
    int64_t v = 0;
    EXPECT_TRUE(ParseInt64(" -42 ", v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(ParseInt64("9223372036854775807", v));
    EXPECT_EQ(v, INT64_MAX);
    EXPECT_TRUE(ParseInt64("-9223372036854775808", v));
    EXPECT_EQ(v, INT64_MIN);
    EXPECT_FALSE(ParseInt64("9223372036854775808", v));
    EXPECT_FALSE(ParseInt64("12x", v));
    EXPECT_FALSE(ParseInt64("", v));
    EXPECT_FALSE(ParseInt64("-", v));
    EXPECT_FALSE(ParseInt64("1 2", v));
}

TEST(Text, WrappedLinesKeepShortLastWordsInCompany)
{
    // A news line whose closing *** alone passes the edge: it goes down with
    // the word before it.
    std::string news = "`8day  12`7  *** The sysop has ended the game. Astrael wins with the highest score. ***";
    std::vector<std::string> lines = WrapColour(news, 79);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "`8day  12`7  *** The sysop has ended the game. Astrael wins with the highest");
    EXPECT_EQ(lines[1], "`7score. ***");
    lines = WrapColour("one two three four", 15);
    EXPECT_EQ(lines, (std::vector<std::string>{"one two", "three four"}));
    // A long last word stands alone as before; a line that fits is left as it is.
    lines = WrapColour("one two three fourteen", 15);
    EXPECT_EQ(lines, (std::vector<std::string>{"one two three", "fourteen"}));
    EXPECT_EQ(WrapColour("`Ashort`7", 79), (std::vector<std::string>{"`Ashort`7"}));
    EXPECT_TRUE(HasLetter("No. 9"));
    EXPECT_FALSE(HasLetter("1234 -"));
}
