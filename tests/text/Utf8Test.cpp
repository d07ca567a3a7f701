#include <gtest/gtest.h>

#include <string>

#include "text/Utf8.h"

namespace lt260 {
namespace {

TEST(Utf8, EveryCodePointGoesThereAndBack) {
  std::u16string all;
  for (char32_t code = 1; code <= 0x10FFFF; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    if (code < 0x10000) {
      all.push_back(static_cast<char16_t>(code));
    } else {
      all.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      all.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
  }
  EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
  EXPECT_EQ(ToUtf8(u"Stufe \u00E9 \u65E5 \U0001F5B1"),
            "Stufe \xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x96\xB1");
  EXPECT_EQ(ToUtf8(u""), "");
  EXPECT_EQ(FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf8, WhatIsMalformedBecomesReplacementCharacters) {
  // Lone halves of a surrogate pair, at either end and in the middle.
  EXPECT_EQ(ToUtf8(u"\xD83D"), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(u"a\xDC00"
                   u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(ToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");

  const struct {
    const char* bytes;
    std::u16string expected;
  } cases[] = {
      {"\x80", u"\xFFFD"},    // a continuation byte alone
      {"a\xC3", u"a\xFFFD"},  // cut short at the end
      {"\xE6\x97"
       "b",
       u"\xFFFD"
       u"b"},                         // cut short before another character
      {"\xC0\x80", u"\xFFFD\xFFFD"},  // an overlong form
      {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // a surrogate written as UTF-8
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
      {"\xFF"
       "a",
       u"\xFFFD"
       u"a"},
      {"\xF0\x9F\x96"
       "\xC3\xA9",
       u"\xFFFD\x00E9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromUtf8(c.bytes), c.expected) << ToUtf8(c.expected);
  }
}

}  // namespace
}  // namespace lt260
