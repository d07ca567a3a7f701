#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "wine/ProfileCase.h"

namespace lt260::wine {

// Random files and call sequences over a small alphabet of section and key
// names, so that the calls keep hitting what the file holds. The names are
// ASCII and never empty, which keeps the generated cases clear of the places
// where Wine is known to part from Windows (non-ASCII case folding and the
// empty section name); those get hand-written checks of their own.
class ProfileCaseGenerator {
 public:
  explicit ProfileCaseGenerator(uint32_t seed) : random_(seed) {}

  ProfileCase Next(const std::string& name);

  static const std::vector<std::u16string>& Sections();
  static const std::vector<std::u16string>& Keys();

 private:
  std::size_t Pick(std::size_t count);
  bool Chance(int percent) { return static_cast<int>(Pick(100)) < percent; }
  template <typename T>
  const T& PickOf(const std::vector<T>& items) {
    return items[Pick(items.size())];
  }

  ProfileFile File();
  std::u16string Line(FileForm form, bool last);
  std::u16string Space();
  std::u16string LineEnd(bool last);
  std::u16string InFileName(const std::vector<std::u16string>& names);
  std::u16string CallName(const std::vector<std::u16string>& names, bool writing);
  std::u16string VaryCase(std::u16string name);
  std::u16string Value(FileForm form);
  std::u16string StructValue();
  std::vector<uint8_t> RandomBytes();
  ProfileOp Op(FileForm form);

  std::mt19937 random_;
};

}  // namespace lt260::wine
