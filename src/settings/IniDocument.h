#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lt260 {

enum class IniEncoding {
  Ansi,     // the system's ANSI code page; what a new file gets
  Utf16Le,  // chosen by an FF FE byte-order mark at the start of the file
};

// The text of an INI file held in memory, read and written with the rules of
// the Windows private-profile functions: names compared without regard to
// case, the first section and the first key of a name win, values trimmed and
// stripped of one pair of matching quotes, lines ending at CR, LF or CRLF.
// Writes edit the text in place the way Windows does: a key's line is
// replaced, a new key goes after the last line of its section, a new section
// at the end; everything else keeps its bytes.
class IniDocument {
 public:
  IniDocument() = default;

  static IniDocument Parse(std::span<const uint8_t> bytes);
  std::vector<uint8_t> Serialize() const;

  IniEncoding Encoding() const { return encoding_; }
  // True once a write has changed the text.
  bool Modified() const { return modified_; }

  // As GetPrivateProfileIntW: the number at the start of the value, wrapping
  // modulo 2^32; `defaultValue` when the key is missing or its value empty.
  int32_t ReadInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const;
  // As GetPrivateProfileStringW with a buffer large enough for any value.
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;
  // As GetPrivateProfileStructW: succeeds only when the value holds exactly
  // destination.size() bytes in hexadecimal and their checksum. On failure the
  // destination is left as it was.
  bool ReadStruct(std::u16string_view section, std::u16string_view key,
                  std::span<uint8_t> destination) const;

  // As WritePrivateProfileStringW / WritePrivateProfileStructW. A name or value
  // that would break the file form (a line break or NUL in it, an '=' in a key,
  // a key starting with '[') is refused and nothing changes.
  bool WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  bool WriteInt(std::u16string_view section, std::u16string_view key, int32_t value);
  bool WriteStruct(std::u16string_view section, std::u16string_view key,
                   std::span<const uint8_t> source);

 private:
  enum class LineKind { Other, Section, Entry, Bare };
  struct Line {
    std::size_t begin = 0;  // first unit of the line in text_
    std::size_t end = 0;    // one past its last unit, before the line break
    std::size_t next = 0;   // one past its line break
    LineKind kind = LineKind::Other;
    std::size_t nameBegin = 0;  // section or key name, trimmed
    std::size_t nameEnd = 0;
    std::size_t valueBegin = 0;  // value, trimmed; quotes still on
    std::size_t valueEnd = 0;
  };
  struct SectionIndex {
    std::size_t header = 0;       // line of the section's first header
    std::size_t lastContent = 0;  // last non-blank line before the next header
    std::unordered_map<std::u16string, std::size_t> keys;  // folded key -> first line
  };

  const Line* FindEntry(std::u16string_view section, std::u16string_view key) const;
  const SectionIndex* FindSection(std::u16string_view section) const;
  void Reindex();

  IniEncoding encoding_ = IniEncoding::Ansi;
  bool hasByteOrderMark_ = false;
  bool hasOddTrailingByte_ = false;
  uint8_t oddTrailingByte_ = 0;
  bool modified_ = false;
  std::u16string text_;
  std::vector<Line> lines_;
  std::unordered_map<std::u16string, SectionIndex> sections_;  // folded name -> first section
};

}  // namespace lt260
