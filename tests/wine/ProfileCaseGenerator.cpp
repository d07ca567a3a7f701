#include "wine/ProfileCaseGenerator.h"

#include "text/Utf8.h"

namespace lt260::wine {
namespace {

// Every form the integer read knows, good and bad.
const std::vector<std::u16string> kNumbers = {u"123",
                                              u"+5",
                                              u"-5",
                                              u"- 5",
                                              u"+-5",
                                              u"abc",
                                              u"0x1F",
                                              u"-0x10",
                                              u"0b101",
                                              u"0o17",
                                              u"017",
                                              u"4294967296",
                                              u"4294967297",
                                              u"-4294967297",
                                              u"42A94967297",
                                              u"B4294967297",
                                              u"99999999999999999999",
                                              u"\"42\"",
                                              u"'42'",
                                              u"\" 42\"",
                                              u"\"42",
                                              u"42\"",
                                              u"0X1f",
                                              u"0B11",
                                              u"12abc",
                                              u"1.9",
                                              u"7 8",
                                              u"0x",
                                              u"0xG",
                                              u"-0",
                                              u"2147483648",
                                              u"-2147483649",
                                              u"0x7FFFFFFF",
                                              u"0xffffffff",
                                              u"0b",
                                              u"00000000000000000000000000000042",
                                              u"0000000000000000000000000042"};

// Texts with quotes, equals signs and comment marks where a reader might
// mistake them for structure.
const std::vector<std::u16string> kTexts = {
    u"abc",   u"\"abc\"", u"'abc'", u"\"\"",   u"\" a b \"", u"\"a\"b\"",      u"\"abc'",
    u"\"abc", u"abc\"",   u"\"",    u"a\"b\"", u"a=b=c",     u"v ; x",         u"v # x",
    u"[x]",   u"x]",      u"'",     u"''",     u"\"'\"",     u"C:\\a b\\c.exe"};

// Values for writes, including what the write and the next read treat
// differently: leading and trailing spaces, quotes, characters outside the
// ANSI code page.
const std::vector<std::u16string> kWrittenTexts = {u"",
                                                   u"v",
                                                   u"   v",
                                                   u"v   ",
                                                   u"\"q\"",
                                                   u"\"  padded  \"",
                                                   u"a=b=c",
                                                   u";x",
                                                   u"#x",
                                                   u"[x]",
                                                   u"caf\u00E9",
                                                   u"\u20AC5",
                                                   u"\u65E5\u672C",
                                                   u"\u00FC",
                                                   u"\t tab",
                                                   u"' '",
                                                   u"\"0001ABFFAB\"",
                                                   u"0001abffab",
                                                   u"12abc",
                                                   u"-0x10",
                                                   u" \" 42 \" "};

}  // namespace

const std::vector<std::u16string>& ProfileCaseGenerator::Sections() {
  static const std::vector<std::u16string> sections = {u"s", u"Setting", u"Profile0Setting", u"a]b",
                                                       u"x y"};
  return sections;
}

const std::vector<std::u16string>& ProfileCaseGenerator::Keys() {
  static const std::vector<std::u16string> keys = {
      u"a", u"Key", u"DPI_Cur", u"0", u"k 2", u"ButtonAssigned0", u""};
  return keys;
}

std::size_t ProfileCaseGenerator::Pick(std::size_t count) {
  // Plain modulo rather than a distribution, whose results the standard leaves
  // to each library: the seed must give the same cases everywhere.
  return static_cast<std::size_t>(random_() % count);
}

std::u16string ProfileCaseGenerator::VaryCase(std::u16string name) {
  for (char16_t& unit : name) {
    if (unit >= u'a' && unit <= u'z' && Chance(40))
      unit = static_cast<char16_t>(unit - 0x20);
    else if (unit >= u'A' && unit <= u'Z' && Chance(40))
      unit = static_cast<char16_t>(unit + 0x20);
  }
  return name;
}

std::u16string ProfileCaseGenerator::Space() {
  static const std::vector<std::u16string> spaces = {u"", u"", u"", u" ", u"  ", u"\t", u" \t "};
  if (Chance(3)) return PickOf(std::vector<std::u16string>{u"\v", u"\f", u"\x1A"});
  return PickOf(spaces);
}

std::u16string ProfileCaseGenerator::LineEnd(bool last) {
  const std::size_t roll = Pick(100);
  if (last && roll < 15) return u"";
  if (roll < 55) return u"\r\n";
  if (roll < 77) return u"\n";
  if (roll < 95) return u"\r";
  return u"\n\r";
}

std::u16string ProfileCaseGenerator::InFileName(const std::vector<std::u16string>& names) {
  // Near misses too: a name with an extra inner space or letter must not match.
  if (Chance(6))
    return PickOf(std::vector<std::u16string>{u"k  2", u"Key1", u"ke y", u"s0", u"x  y"});
  return VaryCase(PickOf(names));
}

std::u16string ProfileCaseGenerator::CallName(const std::vector<std::u16string>& names,
                                              bool writing) {
  std::u16string name;
  do {
    name = Chance(4) ? std::u16string(u"nope") : VaryCase(PickOf(names));
  } while (writing && name.empty());
  if (Chance(10)) name = Space() + name + Space();
  if (name.find_first_not_of(u" \t\v\f\x1A") == std::u16string::npos && !name.empty()) {
    name = u"a";  // all-space names would name the empty section or key
  }
  return name;
}

std::vector<uint8_t> ProfileCaseGenerator::RandomBytes() {
  std::vector<uint8_t> bytes(Chance(3) ? 380 : Pick(7));
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(Chance(30) ? 0xFF : Pick(256));
  return bytes;
}

std::u16string ProfileCaseGenerator::StructValue() {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  const std::vector<uint8_t> bytes = RandomBytes();
  uint8_t sum = 0;
  for (uint8_t byte : bytes) sum = static_cast<uint8_t>(sum + byte);
  std::u16string value;
  for (uint8_t byte : bytes) {
    value += kHex[byte >> 4];
    value += kHex[byte & 15];
  }
  const std::size_t roll = Pick(100);
  if (roll < 15) sum = static_cast<uint8_t>(sum + 1 + Pick(255));  // wrong checksum
  value += kHex[sum >> 4];
  value += kHex[sum & 15];
  if (roll >= 15 && roll < 25) {
    for (char16_t& unit : value) {
      if (unit >= u'A' && unit <= u'F') unit = static_cast<char16_t>(unit + 0x20);
    }
  } else if (roll >= 25 && roll < 32) {
    value += kHex[Pick(16)];  // one character too many
  } else if (roll >= 32 && roll < 38) {
    value[Pick(value.size())] = u'G' + static_cast<char16_t>(Pick(20));  // not a hex digit
  } else if (roll >= 38 && roll < 48) {
    value = u"\"" + value + u"\"";
  } else if (roll >= 48 && roll < 52 && value.size() > 2) {
    value.pop_back();  // one character short
  }
  return value;
}

std::u16string ProfileCaseGenerator::Value(FileForm form) {
  const std::size_t roll = Pick(100);
  if (roll < 30) return PickOf(kNumbers);
  if (roll < 50) return PickOf(kTexts);
  if (roll < 70) return StructValue();
  if (roll < 78) return u"";
  if (roll < 85) return FromUtf8(std::to_string(static_cast<int32_t>(random_())));
  if (form == FileForm::Utf16Le) {
    return PickOf(std::vector<std::u16string>{u"\u65E5\u672C", u"caf\u00E9", u"\u0416\u0436",
                                              u"\u20AC5", u"\"\u00E9\""});
  }
  // Bytes above 0x7F in the ANSI code page, UTF-8 read as ANSI among them.
  return PickOf(std::vector<std::u16string>{u"caf\xE9",
                                            u"\x80"
                                            u"5",
                                            u"caf\xC3\xA9", u"\xFF\xA0x", u"\"\xE9\""});
}

std::u16string ProfileCaseGenerator::Line(FileForm form, bool last) {
  std::u16string line;
  const std::size_t roll = Pick(100);
  if (roll < 22) {
    line = Space() + u"[" + Space() + InFileName(Sections()) + Space();
    const std::size_t shape = Pick(100);
    if (shape < 80)
      line += u"]";
    else if (shape < 88)
      line += u"]junk";
    else if (shape < 93)
      line += u"]" + Space() + u"x]";
    // otherwise no ']' at all: not a header
  } else if (roll < 75) {
    line = Space() + InFileName(Keys()) + Space() + u"=" + Space() + Value(form) + Space();
  } else if (roll < 81) {
    line = Space() + InFileName(Keys()) + Space();  // no '='
  } else if (roll < 89) {
    line = (Chance(50) ? u";" : u"#") + InFileName(Keys()) + u"=" + Value(form);
  } else {
    line = Space();  // blank
  }
  return line + LineEnd(last);
}

ProfileFile ProfileCaseGenerator::File() {
  ProfileFile file;
  const std::size_t roll = Pick(100);
  if (roll < 8) return file;
  file.form = roll < 28 ? FileForm::Utf16Le : FileForm::Ansi;
  const std::size_t count = Chance(6) ? 0 : 1 + Pick(14);
  for (std::size_t i = 0; i < count; ++i) file.lines.push_back(Line(file.form, i + 1 == count));
  return file;
}

ProfileOp ProfileCaseGenerator::Op(FileForm form) {
  ProfileOp op;
  const std::size_t roll = Pick(100);
  const bool writing = roll >= 60;
  op.section = CallName(Sections(), writing);
  op.key = CallName(Keys(), writing);
  if (roll < 20) {
    op.kind = OpKind::ReadInt;
    op.number = static_cast<int32_t>(Pick(200)) - 50;
  } else if (roll < 42) {
    op.kind = OpKind::ReadString;
    op.text = PickOf(std::vector<std::u16string>{u"", u"dflt", u"d  ", u"  lead", u"d\t"});
  } else if (roll < 60) {
    op.kind = OpKind::ReadStruct;
    op.size = Chance(3) ? 380 : Pick(8);
  } else if (roll < 72) {
    op.kind = OpKind::WriteInt;
    op.number = Chance(30) ? static_cast<int32_t>(Pick(20)) - 5 : static_cast<int32_t>(random_());
  } else if (roll < 88) {
    op.kind = OpKind::WriteString;
    op.text = Chance(60) ? PickOf(kWrittenTexts) : Value(form);
    if (op.text.size() > 1 && op.text.front() == u'"' && Chance(50)) op.text += u"  ";
  } else {
    op.kind = OpKind::WriteStruct;
    op.bytes = RandomBytes();
  }
  return op;
}

ProfileCase ProfileCaseGenerator::Next(const std::string& name) {
  ProfileCase profileCase;
  profileCase.name = name;
  profileCase.file = File();
  const std::size_t count = 1 + Pick(8);
  for (std::size_t i = 0; i < count; ++i) profileCase.ops.push_back(Op(profileCase.file.form));
  profileCase.sections = Sections();
  profileCase.keys = Keys();
  return profileCase;
}

}  // namespace lt260::wine
