#include "settings/IniDocument.h"

#include "settings/AnsiCodePage.h"
#include "settings/IniValue.h"

namespace lt260 {
namespace {

constexpr char16_t kLineBreak[] = u"\r\n";

bool IsLineBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

bool HasUnit(std::u16string_view text, char16_t unit) {
  return text.find(unit) != std::u16string_view::npos;
}

// What a value or name must not hold, or the line written for it would read
// back as something else.
bool BreaksLine(std::u16string_view text) {
  for (char16_t unit : text) {
    if (IsLineBreak(unit) || unit == u'\0') return true;
  }
  return false;
}

bool IsWritableKey(std::u16string_view key) {
  const std::u16string_view trimmed = TrimProfileSpace(key);
  return !BreaksLine(key) && !HasUnit(key, u'=') && !(!trimmed.empty() && trimmed[0] == u'[');
}

}  // namespace

IniDocument IniDocument::Parse(std::span<const uint8_t> bytes) {
  IniDocument document;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    document.encoding_ = IniEncoding::Utf16Le;
    document.hasByteOrderMark_ = true;
    const std::size_t units = (bytes.size() - 2) / 2;
    document.text_.resize(units);
    for (std::size_t i = 0; i < units; ++i) {
      document.text_[i] = static_cast<char16_t>(bytes[2 + 2 * i] | bytes[3 + 2 * i] << 8);
    }
    if ((bytes.size() - 2) % 2 != 0) {
      document.hasOddTrailingByte_ = true;
      document.oddTrailingByte_ = bytes.back();
    }
  } else {
    document.text_ = DecodeAnsi(bytes);
  }
  document.Reindex();
  return document;
}

std::vector<uint8_t> IniDocument::Serialize() const {
  std::vector<uint8_t> bytes;
  if (encoding_ == IniEncoding::Ansi) {
    AppendAnsi(text_, bytes);
    return bytes;
  }
  bytes.reserve(2 + text_.size() * 2 + 1);
  if (hasByteOrderMark_) {
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
  }
  for (char16_t unit : text_) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  if (hasOddTrailingByte_) bytes.push_back(oddTrailingByte_);
  return bytes;
}

// Splits the text into lines and indexes the first section of every name and
// the first key of every name within it.
void IniDocument::Reindex() {
  lines_.clear();
  sections_.clear();
  const std::u16string_view text(text_);
  SectionIndex* current = nullptr;
  std::size_t begin = 0;
  while (begin < text.size()) {
    Line line;
    line.begin = begin;
    std::size_t end = begin;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    line.end = end;
    line.next = end;
    if (line.next < text.size() && text[line.next] == u'\r') ++line.next;
    if (line.next < text.size() && text[line.next] == u'\n') ++line.next;
    begin = line.next;

    std::size_t first = line.begin;
    while (first < line.end && IsProfileSpace(text[first])) ++first;
    const std::u16string_view content = text.substr(first, line.end - first);
    const std::size_t lineIndex = lines_.size();

    // A header runs to the last ']' on its line; without one the line is no
    // header, and the lines after it stay in the section before.
    const std::size_t close = content.rfind(u']');
    if (!content.empty() && content[0] == u'[' && close != std::u16string_view::npos) {
      line.kind = LineKind::Section;
      const std::u16string_view inner = content.substr(1, close - 1);
      const std::u16string_view name = TrimProfileSpace(inner);
      line.nameBegin = first + 1 + static_cast<std::size_t>(name.data() - inner.data());
      line.nameEnd = line.nameBegin + name.size();
      lines_.push_back(line);
      auto [entry, inserted] = sections_.try_emplace(FoldName(name));
      if (inserted) {
        entry->second.header = lineIndex;
        entry->second.lastContent = lineIndex;
        current = &entry->second;
      } else {
        current = nullptr;  // a later section of a name already seen is never searched
      }
      continue;
    }

    std::u16string_view key;
    const std::size_t equals = content.find(u'=');
    if (equals != std::u16string_view::npos) {
      line.kind = LineKind::Entry;
      const std::u16string_view rawKey = content.substr(0, equals);
      key = TrimProfileSpace(rawKey);
      line.nameBegin = first;
      line.nameEnd = first + key.size();
      const std::u16string_view rawValue = content.substr(equals + 1);
      const std::u16string_view value = TrimProfileSpace(rawValue);
      line.valueBegin =
          value.empty()
              ? first + equals + 1
              : first + equals + 1 + static_cast<std::size_t>(value.data() - rawValue.data());
      line.valueEnd = line.valueBegin + value.size();
    } else if (!content.empty()) {
      // A line without '=' is a key without a value: looking it up gives the
      // default, it hides later lines of the same key, and writing the key
      // gives it its value.
      line.kind = LineKind::Bare;
      key = TrimProfileSpace(content);
      line.nameBegin = first;
      line.nameEnd = first + key.size();
    }
    lines_.push_back(line);
    if (current == nullptr) continue;
    if (line.kind != LineKind::Other) current->keys.try_emplace(FoldName(key), lineIndex);
    if (!content.empty()) current->lastContent = lineIndex;
  }
}

const IniDocument::SectionIndex* IniDocument::FindSection(std::u16string_view section) const {
  const auto found = sections_.find(FoldName(TrimProfileSpace(section)));
  return found == sections_.end() ? nullptr : &found->second;
}

const IniDocument::Line* IniDocument::FindEntry(std::u16string_view section,
                                                std::u16string_view key) const {
  const SectionIndex* index = FindSection(section);
  if (index == nullptr) return nullptr;
  const auto found = index->keys.find(FoldName(TrimProfileSpace(key)));
  return found == index->keys.end() ? nullptr : &lines_[found->second];
}

std::u16string IniDocument::ReadString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue) const {
  const Line* line = FindEntry(section, key);
  if (line == nullptr || line->kind == LineKind::Bare) {
    while (!defaultValue.empty() && defaultValue.back() == u' ') defaultValue.remove_suffix(1);
    return std::u16string(defaultValue);
  }
  const std::u16string_view value(text_.data() + line->valueBegin,
                                  line->valueEnd - line->valueBegin);
  return std::u16string(StripQuotes(value));
}

int32_t IniDocument::ReadInt(std::u16string_view section, std::u16string_view key,
                             int32_t defaultValue) const {
  const std::u16string value = ReadString(section, key, u"");
  if (value.empty()) return defaultValue;
  return static_cast<int32_t>(ParseProfileInt(value));
}

bool IniDocument::ReadStruct(std::u16string_view section, std::u16string_view key,
                             std::span<uint8_t> destination) const {
  const Line* line = FindEntry(section, key);
  if (line == nullptr || line->kind == LineKind::Bare) return false;
  return DecodeProfileStruct(ReadString(section, key, u""), destination);
}

bool IniDocument::WriteString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view value) {
  if (BreaksLine(section) || !IsWritableKey(key) || BreaksLine(value)) return false;
  section = TrimProfileSpace(section);
  key = TrimProfileSpace(key);

  std::size_t at = 0;
  std::u16string insertion;
  std::size_t replaced = 0;
  if (const SectionIndex* index = FindSection(section); index == nullptr) {
    // A new section goes at the end, after a line break if the file lacks one.
    at = text_.size();
    if (!text_.empty() && !IsLineBreak(text_.back())) insertion = kLineBreak;
    insertion.append(u"[").append(section).append(u"]").append(kLineBreak);
    insertion.append(key).append(u"=").append(value).append(kLineBreak);
  } else if (const Line* line = FindEntry(section, key);
             line != nullptr && line->kind == LineKind::Bare) {
    at = line->nameEnd;
    insertion.append(u"=").append(value);
  } else if (line != nullptr) {
    // An existing key keeps its line; only the value is replaced.
    const std::u16string_view current(text_.data() + line->valueBegin,
                                      line->valueEnd - line->valueBegin);
    if (current == value) return true;
    at = line->valueBegin;
    replaced = current.size();
    insertion = value;
  } else {
    // A new key follows the last line of its section that is not blank.
    const Line& last = lines_[index->lastContent];
    at = last.next;
    if (last.next == last.end) insertion = kLineBreak;
    insertion.append(key).append(u"=").append(value).append(kLineBreak);
  }
  text_.replace(at, replaced, insertion);
  modified_ = true;
  Reindex();
  return true;
}

bool IniDocument::WriteInt(std::u16string_view section, std::u16string_view key, int32_t value) {
  return WriteString(section, key, FormatInt(value));
}

bool IniDocument::WriteStruct(std::u16string_view section, std::u16string_view key,
                              std::span<const uint8_t> source) {
  return WriteString(section, key, EncodeProfileStruct(source));
}

}  // namespace lt260
