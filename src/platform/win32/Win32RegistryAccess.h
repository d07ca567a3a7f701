#pragma once

#include <cstdint>
#include <string_view>

#include "sysprefs/RegistryAccess.h"

namespace lt260 {

// The registry port over the advapi32 registry functions. Key handles are the
// system's HKEY values.
class Win32RegistryAccess final : public RegistryAccess {
 public:
  RegistryKey OpenKey(RegistryRoot root, std::u16string_view subKey, uint32_t access) override;
  RegistryKey CreateKey(RegistryRoot root, std::u16string_view subKey) override;
  bool SetStringValue(RegistryKey key, std::u16string_view name, std::u16string_view text) override;
  void CloseKey(RegistryKey key) override;
};

}  // namespace lt260
