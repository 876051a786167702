#include "platform/text.h"

#include <gtest/gtest.h>

using rk::text::cp932ToUtf8;
using rk::text::toCp932;
using rk::text::tryToCp932;

TEST(Cp932Text, WaveDashBecomesTheSpreadsheetTilde) {
    EXPECT_EQ(toCp932("～"), "\x81\x60");
    EXPECT_EQ(cp932ToUtf8("\x81\x60"), "～");
}

TEST(Cp932Text, ColumnHeadersHaveTheirFileLengths) {
    EXPECT_EQ(toCp932("短縮番号,電話番号,漢字名称,カナ名称,グループ番号\r\n").size(), 50u);
    EXPECT_EQ(toCp932("収容位置,短縮番号,電話番号,漢字名称,カナ名称\r\n").size(), 46u);
}

TEST(Cp932Text, HalfWidthKatakanaAndKanjiBytes) {
    EXPECT_EQ(toCp932("ﾔﾏﾀﾞ"), "\xD4\xCF\xC0\xDE");
    EXPECT_EQ(toCp932("山田"), "\x8E\x52\x93\x63");
    EXPECT_EQ(toCp932("　"), "\x81\x40");
    EXPECT_EQ(cp932ToUtf8("\xD4\xCF\xC0\xDE,\x8E\x52\x93\x63"), "ﾔﾏﾀﾞ,山田");
}

TEST(Cp932Text, UnconvertibleTextIsReportedOrReplaced) {
    EXPECT_FALSE(tryToCp932("😀").has_value());
    EXPECT_FALSE(tryToCp932("\xFF").has_value()); // not UTF-8
    EXPECT_EQ(toCp932("a😀b"), "a?b");
    ASSERT_TRUE(tryToCp932("abc").has_value());
    EXPECT_EQ(*tryToCp932("abc"), "abc");
}

TEST(Cp932Text, BrokenShiftJisKeepsTheBytesAroundIt) {
    // A lead byte at the end, and one followed by a line feed: the line feed must survive.
    EXPECT_EQ(cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(cp932ToUtf8("\x81\n,"), "\xEF\xBF\xBD\n,");
}

TEST(Cp932Text, LongTextsConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 3000; ++i) utf8 += "電話";
    const std::string cp932 = toCp932(utf8);
    EXPECT_EQ(cp932.size(), 12000u);
    EXPECT_EQ(cp932ToUtf8(cp932), utf8);
}

TEST(Cp932Text, LeadByteRanges) {
    EXPECT_TRUE(rk::text::isLeadByte(0x81));
    EXPECT_TRUE(rk::text::isLeadByte(0x9F));
    EXPECT_TRUE(rk::text::isLeadByte(0xE0));
    EXPECT_FALSE(rk::text::isLeadByte(0xA1)); // half-width katakana
    EXPECT_FALSE(rk::text::isLeadByte(0x80));
    EXPECT_FALSE(rk::text::isLeadByte('A'));
}
