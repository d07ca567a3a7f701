#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lt260::wine {

// The starting file of a differential case, kept as lines so that a failing
// case can be cut down line by line.
enum class FileForm {
  Missing,
  Ansi,     // every unit of the lines is one byte of the file (0x01 to 0xFF)
  Utf16Le,  // FF FE, then the units of the lines
};

struct ProfileFile {
  FileForm form = FileForm::Missing;
  std::vector<std::u16string> lines;  // each with its own line ending, if any

  std::vector<uint8_t> Bytes() const;
};

enum class OpKind { ReadInt, ReadString, ReadStruct, WriteInt, WriteString, WriteStruct };

struct ProfileOp {
  OpKind kind = OpKind::ReadString;
  std::u16string section;
  std::u16string key;
  std::u16string text;         // ReadString's default, WriteString's value
  int32_t number = 0;          // ReadInt's default, WriteInt's value
  std::vector<uint8_t> bytes;  // WriteStruct's data
  std::size_t size = 0;        // ReadStruct's size

  bool IsWrite() const {
    return kind == OpKind::WriteInt || kind == OpKind::WriteString || kind == OpKind::WriteStruct;
  }
};

// A starting file, the calls made on it, and the names read back from both
// files once the calls are done.
struct ProfileCase {
  std::string name;
  ProfileFile file;
  std::vector<ProfileOp> ops;
  std::vector<std::u16string> sections;
  std::vector<std::u16string> keys;
};

// Printable forms for failure messages: C-style escapes for everything that
// is not plain printable ASCII.
std::string EscapeBytes(const std::vector<uint8_t>& bytes);
std::string EscapeText(std::u16string_view text);
std::string DescribeFile(const ProfileFile& file);
std::string DescribeOp(const ProfileOp& op);
std::string DescribeBytes(const std::vector<uint8_t>& bytes);  // "01 AB FF"

}  // namespace lt260::wine
