#include "hid/DescriptorText.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace lt260 {
namespace {

bool IsTextCharacter(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) || c == 'x' || c == 'X' || c == ',' ||
         c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Built in a stream: GCC 12 at -O3 warns falsely about string concatenation here.
std::string NotAHexByte(std::string_view token) {
  std::ostringstream message;
  message << '"' << token << "\" is not a hex byte";
  return message.str();
}

}  // namespace

DescriptorBytes ReadDescriptorContent(std::string_view content) {
  DescriptorBytes result;
  const bool isText =
      !content.empty() && std::all_of(content.begin(), content.end(), IsTextCharacter);
  if (!isText) {
    result.Bytes.assign(content.begin(), content.end());
    return result;
  }

  int line = 1;
  std::size_t at = 0;
  while (at < content.size()) {
    if (IsSeparator(content[at])) {
      if (content[at] == '\n') ++line;
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < content.size() && !IsSeparator(content[end])) ++end;
    std::string_view token = content.substr(at, end - at);
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
      token.remove_prefix(2);
    }
    int value = 0;
    bool valid = !token.empty() && token.size() <= 2;
    for (std::size_t i = 0; valid && i < token.size(); ++i) {
      const int digit = HexValue(token[i]);
      valid = digit >= 0;
      value = value * 16 + digit;
    }
    if (!valid) {
      result.Bytes.clear();
      result.Error = NotAHexByte(content.substr(at, end - at));
      result.ErrorLine = line;
      return result;
    }
    result.Bytes.push_back(static_cast<uint8_t>(value));
    at = end;
  }
  return result;
}

}  // namespace lt260
