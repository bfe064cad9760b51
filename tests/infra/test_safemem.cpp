#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "SafeMem.h"

namespace {

TEST(CSafeMem, StrcpyClearsAndTruncatesToSizeMinusOne) {
    char buf[8];
    memset(buf, 'x', sizeof(buf));
    CSafeMem::strcpy(buf, 6, "abcdefghij");
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(buf[6], 'x') << "nothing written past size";
    CSafeMem::strcpy(buf, 6, "ab");
    EXPECT_EQ(0, memcmp(buf, "ab\0\0\0\0", 6));
    CSafeMem::strcpy(buf, 6, nullptr);
    EXPECT_STREQ(buf, "");

    wchar_t w[5];
    CSafeMem::wcscpy(w, 4, L"wxyz12");
    EXPECT_EQ(std::wstring(w), L"wxy");
}

TEST(CSafeMem, StrncpyCopiesNOrNMinusOne) {
    char buf[8];
    char src[] = "abcdef";
    CSafeMem::strncpy(buf, 8, src, 4);
    EXPECT_STREQ(buf, "abcd");
    char longSrc[] = "abcdefghijkl";
    memset(buf, 'x', sizeof(buf));
    CSafeMem::strncpy(buf, 6, longSrc, 4);
    EXPECT_STREQ(buf, "abc") << "source does not fit: n - 1";
    CSafeMem::strncpy(buf, 6, longSrc, 40);
    EXPECT_STREQ(buf, "abcde") << "never past the destination";
    EXPECT_EQ(buf[6], 'x');
}

TEST(CSafeMem, StrcatOnlyWhenResultFits) {
    char buf[8] = "abc";
    CSafeMem::strcat(buf, 8, "defg");
    EXPECT_STREQ(buf, "abcdefg");
    CSafeMem::strcat(buf, 8, "h");
    EXPECT_STREQ(buf, "abcdefg") << "unchanged when it would not fit";
}

TEST(CSafeMem, SprintfBoundsOutput) {
    char buf[8];
    memset(buf, 'x', sizeof(buf));
    CSafeMem::sprintf(buf, 5, "%d-%s", 42, "abcdef");
    EXPECT_STREQ(buf, "42-a");
    EXPECT_EQ(buf[5], 'x');
}

TEST(Text, BytesToStrUpperHex) {
    const unsigned char b[] = {0x3f, 0x00, 0xab, 0x0c};
    char out[9];
    EXPECT_STREQ(BytesToStr(4, b, out), "3F00AB0C");
    EXPECT_STREQ(BytesToStr(0, b, out), "");
}

TEST(Text, ItoaRadices) {
    char buf[40];
    EXPECT_STREQ(itoa(255, buf, 16), "ff");
    EXPECT_STREQ(itoa(5, buf, 2), "101");
    EXPECT_STREQ(itoa(-42, buf, 10), "-42");
    EXPECT_STREQ(itoa(0, buf, 10), "0");
    EXPECT_STREQ(itoa(INT_MIN, buf, 10), "-2147483648");
    EXPECT_STREQ(itoa(-1, buf, 16), "ffffffff") << "no sign outside radix 10";
    EXPECT_STREQ(itoa(-1, buf, 2), "11111111111111111111111111111111");
    EXPECT_STREQ(itoa(10, buf, 1), "");
    EXPECT_STREQ(itoa(10, buf, 17), "");
    EXPECT_STREQ(itoa(35, buf, 8), "43");
}

TEST(Text, UniformPathRemovesSeparatorsAndUppercases) {
    EXPECT_EQ(strTools::uniformPath("3f00/5015/4304/4301"), "3F00501543044301");
    EXPECT_EQ(strTools::uniformPath("3F00df01c000"), "3F00DF01C000");
    EXPECT_EQ(strTools::uniformPath(""), "");
}

}  // namespace
