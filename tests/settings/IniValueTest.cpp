#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "settings/IniValue.h"

namespace lt260 {
namespace {

TEST(ParseProfileInt, ReadsNumbersAsTheIntegerReadDoes) {
  struct Case {
    std::u16string_view text;
    uint32_t expected;
  };
  const Case cases[] = {
      {u"123", 123},
      {u"\t42", 42},
      {u"+5", 5},
      {u"-5", 4294967291u},
      {u"- 5", 0},
      {u"+-5", 0},
      {u"abc", 0},
      {u"0x1F", 31},
      {u"-0x10", 4294967280u},
      {u"0X1f", 0},
      {u"0B11", 0},
      {u"0b101", 5},
      {u"0o17", 15},
      {u"017", 17},
      {u"12abc", 12},
      {u"1.9", 1},
      {u"7 8", 7},
      {u"42\"", 42},
      {u"4294967296", 0},
      {u"4294967297", 1},
      {u"-4294967297", 4294967295u},
      {u"42A94967297", 42},
      {u"B4294967297", 0},
      {u"99999999999999999999", 1661992959},
      {u"16776960", 0xFFFF00},
      {u"000000000000000000000000000042", 4},  // only 29 characters are read
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseProfileInt(c.text), c.expected) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(StripQuotes, RemovesOneMatchingPairOnly) {
  EXPECT_EQ(StripQuotes(u"\"abc\""), u"abc");
  EXPECT_EQ(StripQuotes(u"'abc'"), u"abc");
  EXPECT_EQ(StripQuotes(u"\"\""), u"");
  EXPECT_EQ(StripQuotes(u"\" a b \""), u" a b ");
  EXPECT_EQ(StripQuotes(u"\"a\"b\""), u"a\"b");
  for (std::u16string_view untouched : {u"\"abc'", u"\"abc", u"abc\"", u"\"", u"a\"b\""}) {
    EXPECT_EQ(StripQuotes(untouched), untouched);
  }
}

TEST(FoldName, IgnoresCaseAcrossCommonScripts) {
  EXPECT_EQ(FoldName(u"Profil_Name"), FoldName(u"PROFIL_name"));
  EXPECT_EQ(FoldName(u"\u00E4rger"), FoldName(u"\u00C4RGER"));
  EXPECT_EQ(FoldName(u"\u0436"), FoldName(u"\u0416"));
  EXPECT_NE(FoldName(u"key  4"), FoldName(u"key 4"));
}

// The folding is a set of ranges and parity rules; its faults hide at their edges.
TEST(FoldName, PairsEveryCapitalWithItsSmallLetterAtTheEdgesOfEachRange) {
  struct Pair {
    char16_t capital;
    char16_t small;
  };
  const Pair pairs[] = {
      {u'A', u'a'},     {u'Z', u'z'},     {0x00C0, 0x00E0}, {0x00DE, 0x00FE},  // À, Þ
      {0x0178, 0x00FF},                                                        // Ÿ ÿ
      {0x0100, 0x0101}, {0x0136, 0x0137},  // Latin Extended-A, capital even
      {0x0139, 0x013A}, {0x0147, 0x0148},  // capital odd
      {0x014A, 0x014B}, {0x0176, 0x0177},  // capital even again
      {0x0179, 0x017A}, {0x017D, 0x017E},  // capital odd again
      {0x0391, 0x03B1}, {0x03A1, 0x03C1}, {0x03A3, 0x03C3}, {0x03A9, 0x03C9},  // Α Ρ Σ Ω
      {0x0410, 0x0430}, {0x042F, 0x044F},                                      // А, Я
      {0x0400, 0x0450}, {0x040F, 0x045F},                                      // Ѐ, Џ
  };
  for (const Pair& pair : pairs) {
    const std::u16string capital(1, pair.capital);
    const std::u16string small(1, pair.small);
    EXPECT_EQ(FoldName(small), capital) << std::hex << int(pair.small);
    EXPECT_EQ(FoldName(capital), capital) << std::hex << int(pair.capital);
  }
  // Letters without a partner in these ranges, and signs beside them, stay as written:
  // × and ÷ sit between the Latin-1 letters, ĸ and ŉ between the Extended-A pairs, and the
  // final sigma has no capital of its own (its neighbour U+03A2 is unassigned).
  for (const char16_t alone :
       {u'@', u'[', u'`', u'{', char16_t{0xD7}, char16_t{0xF7}, char16_t{0x138}, char16_t{0x149},
        char16_t{0x17F}, char16_t{0x3C2}, char16_t{0x3B0}, char16_t{0x3CA}}) {
    EXPECT_EQ(FoldName(std::u16string(1, alone)), std::u16string(1, alone))
        << std::hex << int(alone);
  }
}

TEST(ProfileStruct, EncodesWithUpperCaseHexAndChecksum) {
  const std::vector<uint8_t> abacus = {0x61, 0x62, 0x61, 0x63, 0x75, 0x73, 0x00};
  EXPECT_EQ(EncodeProfileStruct(abacus), u"616261637573006F");
  EXPECT_EQ(EncodeProfileStruct(std::vector<uint8_t>{0x00, 0x01, 0xAB, 0xFF}), u"0001ABFFAB");
  EXPECT_EQ(EncodeProfileStruct(std::vector<uint8_t>{0xFF, 0xFF, 0xFF}), u"FFFFFFFD");
  EXPECT_EQ(EncodeProfileStruct({}), u"00");
}

TEST(ProfileStruct, DecodesOnlyTheExactLengthWithAMatchingChecksum) {
  std::array<uint8_t, 4> four{};
  EXPECT_TRUE(DecodeProfileStruct(u"0001ABFFAB", four));
  EXPECT_EQ(four, (std::array<uint8_t, 4>{0x00, 0x01, 0xAB, 0xFF}));
  EXPECT_TRUE(DecodeProfileStruct(u"0001abffab", four));

  std::array<uint8_t, 3> three{7, 7, 7};
  std::array<uint8_t, 5> five{};
  EXPECT_FALSE(DecodeProfileStruct(u"0001ABFFAB", three));
  EXPECT_FALSE(DecodeProfileStruct(u"0001ABFFAB", five));
  EXPECT_EQ(three, (std::array<uint8_t, 3>{7, 7, 7})) << "a failed read leaves the bytes alone";

  std::array<uint8_t, 7> seven{};
  EXPECT_FALSE(DecodeProfileStruct(u"636163747573008Q", seven));
  EXPECT_FALSE(DecodeProfileStruct(u"0001ABFFAC", four)) << "wrong checksum";
  EXPECT_FALSE(DecodeProfileStruct(u"0001ABFFAB0", four)) << "one character too many";
  std::array<uint8_t, 2> two{};
  EXPECT_FALSE(DecodeProfileStruct(u"0G1020", two)) << "G is no hex digit";
}

}  // namespace
}  // namespace lt260
