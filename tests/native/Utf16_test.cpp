// The UTF-8 and UTF-16 forms of paths: names with letters no single code page holds together,
// separators, the empty name, and byte sequences that must never turn into another name.
#include <gtest/gtest.h>

#include "Utf16.h"

namespace {

using pellucor::Utf16FromUtf8;
using pellucor::Utf8FromUtf16;

TEST(Utf16, PathsConvertBothWaysWithEveryLetterAndSeparator) {
    const std::string path = "C:\\users\\Łukasz Жуков\\AppData/Pellucor\\😀.uci";
    const std::u16string wide = u"C:\\users\\Łukasz Жуков\\AppData/Pellucor\\😀.uci";
    EXPECT_EQ(Utf16FromUtf8(path), wide);
    EXPECT_EQ(Utf8FromUtf16(wide), path);
    EXPECT_EQ(Utf16FromUtf8(""), u"");
    EXPECT_EQ(Utf8FromUtf16(u""), "");
    // Where the encoded length changes (two bytes to three), and on both sides of the
    // surrogates' end, which alone is no letter.
    EXPECT_EQ(Utf16FromUtf8("\xDF\xBF\xE0\xA0\x80\xEE\x80\x80"), u"\u07FF\u0800\uE000");
    EXPECT_EQ(Utf8FromUtf16(u"\u07FF\u0800\uE000"), "\xDF\xBF\xE0\xA0\x80\xEE\x80\x80");
    EXPECT_EQ(Utf16FromUtf8("\xED\xBF\xBF"), u"\uFFFD");
    EXPECT_EQ(Utf8FromUtf16(std::u16string{char16_t(0xDFFF), u'\uE000'}),
              "\xEF\xBF\xBD\xEE\x80\x80");
}

TEST(Utf16, WhatIsNotUtf8NeverBecomesAnotherName) {
    // ANSI "été", a cut sequence, an overlong "/" and an encoded surrogate: one U+FFFD for
    // each bad sequence, never a separator, and the letters after them kept.
    EXPECT_EQ(Utf16FromUtf8("\xE9t\xE9"), u"\uFFFDt\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("a\xC5"), u"a\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF..\xE2\x88"), u"\uFFFD..\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80x"), u"\uFFFDx");
    EXPECT_EQ(Utf8FromUtf16(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

}  // namespace
