#pragma once

#include <cstdint>
#include <string_view>

namespace lt260 {

enum class RegistryRoot { LocalMachine, CurrentUser, CurrentConfig, ClassesRoot };

// An open registry key; 0 is no key.
using RegistryKey = uintptr_t;

// Access masks as the system defines them.
inline constexpr uint32_t kRegistryReadWrite = 0x2001F;  // KEY_READ | KEY_WRITE
inline constexpr uint32_t kRegistryAllAccess = 0xF003F;  // KEY_ALL_ACCESS

// The registry, as far as the Agent writes to it.
class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;

  // Opens an existing key; 0 when it is missing or access is refused.
  virtual RegistryKey OpenKey(RegistryRoot root, std::u16string_view subKey, uint32_t access) = 0;
  // Opens a key, creating it and any missing parents; 0 on failure.
  virtual RegistryKey CreateKey(RegistryRoot root, std::u16string_view subKey) = 0;
  // Writes a string value (REG_SZ), stored with its terminating null.
  virtual bool SetStringValue(RegistryKey key, std::u16string_view name,
                              std::u16string_view text) = 0;
  virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace lt260
