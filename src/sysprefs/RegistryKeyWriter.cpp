#include "sysprefs/RegistryKeyWriter.h"

#include <array>
#include <utility>

namespace lt260 {
namespace {

constexpr std::array<std::pair<std::u16string_view, RegistryRoot>, 4> kRootNames = {{
    {u"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {u"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {u"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
    {u"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
}};

// The root names are ASCII, so ASCII case folding decides equality.
char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

bool RegistryKeyWriter::Parse(std::u16string_view path) {
  const auto separator = path.find(u'\\');
  if (separator == std::u16string_view::npos) return false;

  const std::u16string_view first = path.substr(0, separator);
  RegistryRoot root = RegistryRoot::LocalMachine;
  std::u16string_view subKey = path;
  for (const auto& [name, namedRoot] : kRootNames) {
    if (EqualsIgnoringCase(first, name)) {
      root = namedRoot;
      subKey = path.substr(separator + 1);
      break;
    }
  }
  if (subKey.size() >= kSubKeyCapacity) return false;

  root_ = root;
  subKey_.assign(subKey);
  return true;
}

bool RegistryKeyWriter::Open(std::u16string_view path, uint32_t access) {
  Close();
  if (!Parse(path)) return false;
  openKey_ = registry_.OpenKey(*root_, subKey_, access);
  if (openKey_ == 0) openKey_ = registry_.CreateKey(*root_, subKey_);
  return openKey_ != 0;
}

bool RegistryKeyWriter::SetString(std::u16string_view name, std::u16string_view text) {
  if (openKey_ == 0) return false;
  return registry_.SetStringValue(openKey_, name, text);
}

void RegistryKeyWriter::Close() {
  if (openKey_ != 0) {
    registry_.CloseKey(openKey_);
    openKey_ = 0;
  }
  subKey_.clear();
}

}  // namespace lt260
