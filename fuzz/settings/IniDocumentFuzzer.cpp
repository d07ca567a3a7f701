// Arbitrary bytes as an INI file: parsing, lookups, a write and a re-read must
// neither crash nor lose what was written.
#include <cstdlib>
#include <string>

#include "settings/IniDocument.h"

namespace {

std::u16string NameFrom(const uint8_t* data, std::size_t size, std::size_t at) {
  std::u16string name;
  for (std::size_t i = at; i < size && i < at + 6; ++i) {
    const char16_t unit = static_cast<char16_t>(data[i]);
    if (unit == u'\r' || unit == u'\n' || unit == u'\0' || unit == u'=' || unit == u'[') break;
    name.push_back(unit);
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  lt260::IniDocument document = lt260::IniDocument::Parse(std::span(data, size));
  const std::u16string section = NameFrom(data, size, size / 3);
  const std::u16string key = NameFrom(data, size, size / 2);
  (void)document.ReadInt(section, key, 7);
  (void)document.ReadString(section, key, u"default");
  uint8_t record[8];
  (void)document.ReadStruct(section, key, record);

  // A key with a plain name always reads back what was written to it, however
  // odd the file around it.
  if (!document.WriteInt(u"Fuzz Section", u"FuzzKey", 1234567)) std::abort();
  const std::vector<uint8_t> bytes = document.Serialize();
  const lt260::IniDocument reread = lt260::IniDocument::Parse(bytes);
  if (reread.ReadInt(u"fuzz section", u"fuzzkey", 0) != 1234567) std::abort();
  return 0;
}
