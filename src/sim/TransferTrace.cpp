#include "sim/TransferTrace.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace lt260 {
namespace {

constexpr std::string_view kAccepted = "accepted";
constexpr std::string_view kRefused = "refused";

std::string_view KindWord(TransferKind kind) {
  switch (kind) {
    case TransferKind::SetFeature:
      return "set";
    case TransferKind::GetFeature:
      return "get";
    case TransferKind::InputRead:
      break;
  }
  return "read";
}

std::string Line(const TransferRecord& record, size_t shownBytes) {
  std::string line(KindWord(record.Kind));
  const bool read = record.Kind == TransferKind::InputRead;
  line += ' ';
  line += std::to_string(read ? record.Bytes.size() : static_cast<size_t>(record.FeatureLength));
  if (!read) {
    line += ' ';
    line += record.Accepted ? kAccepted : kRefused;
  }
  const size_t shown = std::min(record.Bytes.size(), shownBytes);
  if (shown > 0) {
    line += ' ';
    line += TraceBytes(std::span(record.Bytes).first(shown));
  }
  return line;
}

// The next word of `rest`, taken off it; empty at the end.
std::string_view NextWord(std::string_view& rest) {
  const size_t begin = rest.find_first_not_of(' ');
  if (begin == std::string_view::npos) {
    rest = {};
    return {};
  }
  rest.remove_prefix(begin);
  const size_t end = std::min(rest.find(' '), rest.size());
  const std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

bool ParseNumber(std::string_view word, int& value) {
  const char* end = word.data() + word.size();
  const auto [stop, problem] = std::from_chars(word.data(), end, value);
  return !word.empty() && problem == std::errc() && stop == end && value >= 0;
}

bool ParseHexByte(std::string_view word, uint8_t& value) {
  const char* end = word.data() + word.size();
  const auto [stop, problem] = std::from_chars(word.data(), end, value, 16);
  return word.size() == 2 && problem == std::errc() && stop == end;
}

}  // namespace

std::string TraceBytes(std::span<const uint8_t> bytes) {
  std::string text;
  char hex[4];
  for (const uint8_t byte : bytes) {
    std::snprintf(hex, sizeof hex, text.empty() ? "%02x" : " %02x", byte);
    text += hex;
  }
  return text;
}

std::string TraceLine(const TransferRecord& record) { return Line(record, record.Bytes.size()); }

std::string TraceSummary(const TransferRecord& record) {
  return Line(record, record.Kind == TransferKind::InputRead ? record.Bytes.size() : 1);
}

std::optional<TransferRecord> ParseTraceLine(std::string_view line) {
  std::string_view rest = line;
  TransferRecord record;
  const std::string_view kind = NextWord(rest);
  if (kind == KindWord(TransferKind::SetFeature)) {
    record.Kind = TransferKind::SetFeature;
  } else if (kind == KindWord(TransferKind::GetFeature)) {
    record.Kind = TransferKind::GetFeature;
  } else if (kind == KindWord(TransferKind::InputRead)) {
    record.Kind = TransferKind::InputRead;
  } else {
    return std::nullopt;
  }
  int length = 0;
  if (!ParseNumber(NextWord(rest), length)) return std::nullopt;
  if (record.Kind == TransferKind::InputRead) {
    record.Accepted = true;
  } else {
    record.FeatureLength = length;
    const std::string_view outcome = NextWord(rest);
    if (outcome != kAccepted && outcome != kRefused) return std::nullopt;
    record.Accepted = outcome == kAccepted;
  }
  for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
    uint8_t byte = 0;
    if (!ParseHexByte(word, byte)) return std::nullopt;
    record.Bytes.push_back(byte);
  }
  // A read says how many bytes it carries; a line cut short is not a read.
  if (record.Kind == TransferKind::InputRead &&
      record.Bytes.size() != static_cast<size_t>(length)) {
    return std::nullopt;
  }
  return record;
}

}  // namespace lt260
