#include "cli/ProfileText.h"

#include <cstdio>
#include <sstream>

namespace lt260 {
namespace {

std::string Quoted(const std::string& text) {
  std::string json = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      json += escape;
    } else {
      json += static_cast<char>(c);
    }
  }
  return json + "\"";
}

bool IsWholeNumber(const std::string& text) {
  std::size_t at = text.starts_with("-") ? 1 : 0;
  if (at == text.size() || text.size() - at > 10) return false;
  if (text[at] == '0' && text.size() - at > 1) return false;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
  }
  return true;
}

}  // namespace

std::string IniTextToJson(const std::string& text) {
  std::ostringstream json;
  json << "{";
  bool firstSection = true;
  bool firstKey = true;
  bool open = false;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("[") && line.find(']') != std::string::npos) {
      if (open) json << (firstKey ? "}" : "\n  }");
      json << (firstSection ? "" : ",") << "\n  " << Quoted(line.substr(1, line.find(']') - 1))
           << ": {";
      firstSection = false;
      firstKey = true;
      open = true;
      continue;
    }
    const auto equals = line.find('=');
    if (!open || equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    json << (firstKey ? "" : ",") << "\n    " << Quoted(line.substr(0, equals)) << ": "
         << (IsWholeNumber(value) ? value : Quoted(value));
    firstKey = false;
  }
  if (open) json << (firstKey ? "}" : "\n  }");
  json << (firstSection ? "}" : "\n}") << "\n";
  return json.str();
}

}  // namespace lt260
