#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/IniDocument.h"

namespace lt260 {
namespace {

IniDocument ParseText(std::string_view bytes) {
  return IniDocument::Parse(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string Bytes(const IniDocument& document) {
  const std::vector<uint8_t> bytes = document.Serialize();
  return std::string(bytes.begin(), bytes.end());
}

std::string Utf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(IniDocumentRead, TrimsSpacesAndQuotesAndMatchesNamesWithoutCase) {
  const IniDocument document = ParseText(
      "  [ Sec ]  \r\n"
      "  MyKey = some value  \r\n"
      "Quoted = \"  padded  \"\n"
      "Single='x'\r"
      "Equals=a=b=c\n"
      "Empty=\n"
      "NoEquals\n"
      "=nameless\n"
      "Comment=v ; not a comment\n"
      "; c=1\n");
  EXPECT_EQ(document.ReadString(u"sec", u"mykey", u"d"), u"some value");
  EXPECT_EQ(document.ReadString(u" SEC ", u" MYKEY ", u"d"), u"some value");
  EXPECT_EQ(document.ReadString(u"Sec", u"Quoted", u"d"), u"  padded  ");
  EXPECT_EQ(document.ReadString(u"Sec", u"Single", u"d"), u"x");
  EXPECT_EQ(document.ReadString(u"Sec", u"Equals", u"d"), u"a=b=c");
  EXPECT_EQ(document.ReadString(u"Sec", u"Empty", u"d"), u"");
  EXPECT_EQ(document.ReadString(u"Sec", u"NoEquals", u"d"), u"d");
  EXPECT_EQ(document.ReadString(u"Sec", u"", u"d"), u"nameless");
  EXPECT_EQ(document.ReadString(u"Sec", u"Comment", u"d"), u"v ; not a comment");
  EXPECT_EQ(document.ReadString(u"Sec", u"Missing", u"dflt  "), u"dflt")
      << "trailing spaces are cut from the default";
  EXPECT_EQ(document.ReadString(u"Other", u"MyKey", u"\t"), u"\t");
  EXPECT_EQ(document.ReadInt(u"Sec", u"Empty", 77), 77) << "an empty value reads the default";
  EXPECT_EQ(document.ReadInt(u"Sec", u"Equals", 77), 0) << "a value that is no number reads 0";
}

TEST(IniDocumentRead, FirstSectionAndFirstKeyWin) {
  const IniDocument document = ParseText("[s]\na=1\na=2\n[t]\nx=0\n[s]\na=3\nb=4\n[S]\nc=5\n");
  EXPECT_EQ(document.ReadInt(u"s", u"a", -1), 1);
  EXPECT_EQ(document.ReadInt(u"s", u"b", -1), -1);
  EXPECT_EQ(document.ReadInt(u"s", u"c", -1), -1);
}

TEST(IniDocument, LineWithoutEqualsIsAKeyWithoutValue) {
  IniDocument document = ParseText("[s]\r\n  noequals \r\nnoequals=1\r\n");
  EXPECT_EQ(document.ReadString(u"s", u"NOEQUALS", u"d"), u"d") << "it hides the later line";
  EXPECT_EQ(document.ReadInt(u"s", u"noequals", 7), 7);
  std::array<uint8_t, 1> record{};
  EXPECT_FALSE(document.ReadStruct(u"s", u"noequals", record));

  ASSERT_TRUE(document.WriteString(u"s", u"noequals", u"x"));
  EXPECT_EQ(Bytes(document), "[s]\r\n  noequals=x \r\nnoequals=1\r\n");
  EXPECT_EQ(document.ReadString(u"s", u"noequals", u"d"), u"x");
}

TEST(IniDocumentRead, HeadersEndAtTheLastBracket) {
  const IniDocument document = ParseText(
      "top=0\n"
      "[a]\nk=a\n"
      "[c]junk\nk=c\n"
      "[e]x]\nk=e\n"
      "[b\nk2=b\n"
      "[]\nk=empty\n");
  EXPECT_EQ(document.ReadString(u"a", u"k", u""), u"a");
  EXPECT_EQ(document.ReadString(u"c", u"k", u""), u"c");
  EXPECT_EQ(document.ReadString(u"e]x", u"k", u""), u"e");
  EXPECT_EQ(document.ReadString(u"e]x", u"k2", u""), u"b") << "[b is no header";
  EXPECT_EQ(document.ReadString(u"b", u"k2", u"none"), u"none");
  EXPECT_EQ(document.ReadString(u"", u"k", u""), u"empty") << "the empty name is the [] section";
  EXPECT_EQ(document.ReadString(u"", u"top", u"none"), u"none");
}

TEST(IniDocumentWrite, PlacesNewKeysAndSectionsAsWindowsDoes) {
  IniDocument document;
  for (auto [section, key, value] :
       {std::array<std::u16string_view, 3>{u"App1", u"key1", u"string1"},
        {u"App1", u"key2", u"string2"},
        {u"App1", u"key3", u"string3"},
        {u"App2", u"key4", u"string4"},
        {u"App3", u"key5", u"string5"}}) {
    ASSERT_TRUE(document.WriteString(section, key, value));
  }
  EXPECT_EQ(Bytes(document),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
            "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
}

TEST(IniDocumentWrite, EditsInPlaceAndKeepsEverythingElse) {
  IniDocument document = ParseText(
      "; header comment\r\n\r\n[Sec]\r\n  MyKey = old value  \r\n\r\nOther=1 ; c\n\n\n[b]\nz=1");
  ASSERT_TRUE(document.WriteString(u"sec", u"MYKEY", u"new"));
  ASSERT_TRUE(document.WriteString(u"Sec", u"Added", u"2"));
  ASSERT_TRUE(document.WriteString(u"b", u"y", u"3"));
  EXPECT_EQ(Bytes(document),
            "; header comment\r\n\r\n[Sec]\r\n  MyKey = new  \r\n\r\nOther=1 ; c\nAdded=2\r\n\n\n"
            "[b]\nz=1\r\ny=3\r\n");

  IniDocument unchanged = ParseText("[s]\r\n  k = v\r\n\r\n");
  ASSERT_TRUE(unchanged.WriteString(u"s", u"k", u"v"));
  EXPECT_FALSE(unchanged.Modified());
  EXPECT_EQ(Bytes(unchanged), "[s]\r\n  k = v\r\n\r\n");
}

TEST(IniDocumentWrite, AddsALineBreakBeforeANewSectionAndKeepsDataAfterNul) {
  const std::string data("Data \0 before \0 first \0 section", 31);
  IniDocument document = ParseText(data);
  ASSERT_TRUE(document.WriteString(u"section1", u"key1", u"string1"));
  EXPECT_EQ(Bytes(document), data + "\r\n[section1]\r\nkey1=string1\r\n");
}

TEST(IniDocumentWrite, RefusesWhatWouldBreakTheFileForm) {
  IniDocument document = ParseText("[s]\r\nk=v\r\n");
  EXPECT_FALSE(document.WriteString(u"s", u"k", u"line1\r\nk2=inj"));
  EXPECT_FALSE(document.WriteString(u"s", u"k", u"a\nb"));
  EXPECT_FALSE(document.WriteString(u"s", u"k", std::u16string(u"a\0b", 3)));
  EXPECT_FALSE(document.WriteString(u"s", u"a=b", u"c"));
  EXPECT_FALSE(document.WriteString(u"s", u"[k]", u"c"));
  EXPECT_FALSE(document.WriteString(u"s\r\n[t]", u"k", u"c"));
  EXPECT_FALSE(document.Modified());
  EXPECT_EQ(Bytes(document), "[s]\r\nk=v\r\n");
  EXPECT_EQ(document.ReadString(u"s", u"k2", u"none"), u"none");
}

TEST(IniDocumentWrite, ValuesReadBackAsWritten) {
  IniDocument document;
  const std::array<uint8_t, 4> bytes = {0x00, 0x01, 0xAB, 0xFF};
  ASSERT_TRUE(document.WriteInt(u"s", u"colour", 0xFFFF00));
  ASSERT_TRUE(document.WriteInt(u"s", u"negative", -1));
  ASSERT_TRUE(document.WriteStruct(u"s", u"record", bytes));
  ASSERT_TRUE(document.WriteString(u"s", u"text", u"a=b=c"));
  EXPECT_EQ(Bytes(document),
            "[s]\r\ncolour=16776960\r\nnegative=-1\r\nrecord=0001ABFFAB\r\ntext=a=b=c\r\n");
  EXPECT_EQ(document.ReadInt(u"s", u"colour", 0), 0xFFFF00);
  EXPECT_EQ(document.ReadInt(u"s", u"negative", 0), -1);
  std::array<uint8_t, 4> read{};
  EXPECT_TRUE(document.ReadStruct(u"s", u"record", read));
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(document.ReadString(u"s", u"text", u""), u"a=b=c");
}

TEST(IniDocumentEncoding, NewFilesAreAnsiAndByteOrderMarkedFilesStayUtf16) {
  IniDocument ansi;
  ASSERT_TRUE(ansi.WriteString(u"s", u"k", u"caf\u00E9 \u20AC5 \u65E5\u672C"));
  EXPECT_EQ(ansi.Encoding(), IniEncoding::Ansi);
  EXPECT_EQ(Bytes(ansi),
            "[s]\r\nk=caf\xE9 \x80"
            "5 ??\r\n");

  const IniDocument utf8 = ParseText("[s]\r\nk=caf\xC3\xA9\r\n");
  EXPECT_EQ(utf8.ReadString(u"s", u"k", u""), u"caf\u00C3\u00A9") << "no mark: read as ANSI";

  IniDocument wide = ParseText(Utf16(u"[s]\r\nk=\u65E5\u672C\r\n"));
  EXPECT_EQ(wide.Encoding(), IniEncoding::Utf16Le);
  EXPECT_EQ(wide.ReadString(u"S", u"K", u""), u"\u65E5\u672C");
  ASSERT_TRUE(wide.WriteString(u"s", u"e", u"\u00E9"));
  EXPECT_EQ(Bytes(wide), Utf16(u"[s]\r\nk=\u65E5\u672C\r\ne=\u00E9\r\n"));

  IniDocument markOnly = ParseText("\xFF\xFE");
  ASSERT_TRUE(markOnly.WriteString(u"s", u"k", u"\u00E9"));
  EXPECT_EQ(Bytes(markOnly), Utf16(u"[s]\r\nk=\u00E9\r\n"));
}

TEST(IniDocumentEncoding, EveryAnsiByteSurvivesARewrite) {
  std::string all = "[s]\r\nk=";
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n') all.push_back(static_cast<char>(byte));
  }
  all += "\r\n";
  IniDocument document = ParseText(all);
  ASSERT_TRUE(document.WriteString(u"t", u"k", u"v"));
  EXPECT_EQ(Bytes(document), all + "[t]\r\nk=v\r\n");
}

}  // namespace
}  // namespace lt260
