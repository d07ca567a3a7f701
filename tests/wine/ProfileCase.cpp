#include "wine/ProfileCase.h"

#include <cstdio>

namespace lt260::wine {
namespace {

void AppendEscaped(std::string& out, uint32_t unit, bool wide) {
  char buffer[12];
  switch (unit) {
    case '\r':
      out += "\\r";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\t':
      out += "\\t";
      return;
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    default:
      break;
  }
  if (unit >= 0x20 && unit < 0x7F) {
    out += static_cast<char>(unit);
  } else if (wide && unit > 0xFF) {
    std::snprintf(buffer, sizeof buffer, "\\u%04X", unit);
    out += buffer;
  } else {
    std::snprintf(buffer, sizeof buffer, "\\x%02X", unit);
    out += buffer;
  }
}

}  // namespace

std::vector<uint8_t> ProfileFile::Bytes() const {
  std::vector<uint8_t> bytes;
  if (form == FileForm::Utf16Le) {
    bytes = {0xFF, 0xFE};
  }
  for (const std::u16string& line : lines) {
    for (char16_t unit : line) {
      bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
      if (form == FileForm::Utf16Le) bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
  }
  return bytes;
}

std::string EscapeBytes(const std::vector<uint8_t>& bytes) {
  std::string out = "\"";
  for (uint8_t byte : bytes) AppendEscaped(out, byte, false);
  return out + "\"";
}

std::string EscapeText(std::u16string_view text) {
  std::string out = "u\"";
  for (char16_t unit : text) AppendEscaped(out, unit, true);
  return out + "\"";
}

std::string DescribeFile(const ProfileFile& file) {
  switch (file.form) {
    case FileForm::Missing:
      return "(no file)";
    case FileForm::Ansi:
      return "ANSI bytes " + EscapeBytes(file.Bytes());
    case FileForm::Utf16Le: {
      std::u16string text;
      for (const std::u16string& line : file.lines) text += line;
      return "FF FE + UTF-16LE of " + EscapeText(text);
    }
  }
  return {};
}

std::string DescribeBytes(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buffer[4];
  for (uint8_t byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", byte);
    if (!out.empty()) out += ' ';
    out += buffer;
  }
  return "[" + out + "]";
}

std::string DescribeOp(const ProfileOp& op) {
  const std::string names = EscapeText(op.section) + ", " + EscapeText(op.key);
  switch (op.kind) {
    case OpKind::ReadInt:
      return "ReadInt(" + names + ", default " + std::to_string(op.number) + ")";
    case OpKind::ReadString:
      return "ReadString(" + names + ", default " + EscapeText(op.text) + ")";
    case OpKind::ReadStruct:
      return "ReadStruct(" + names + ", size " + std::to_string(op.size) + ")";
    case OpKind::WriteInt:
      return "WriteInt(" + names + ", " + std::to_string(op.number) + ")";
    case OpKind::WriteString:
      return "WriteString(" + names + ", " + EscapeText(op.text) + ")";
    case OpKind::WriteStruct:
      return "WriteStruct(" + names + ", " + DescribeBytes(op.bytes) + ")";
  }
  return {};
}

}  // namespace lt260::wine
