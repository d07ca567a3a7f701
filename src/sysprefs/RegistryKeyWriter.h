#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sysprefs/RegistryAccess.h"

namespace lt260 {

// Holds one registry key open for writing string values, named by a full path
// such as "HKEY_CURRENT_USER\Control Panel\Mouse". The key stays open until the
// next Open, Close or the writer's destruction.
class RegistryKeyWriter {
 public:
  // Subkey paths are kept within the system's path buffers of this many
  // characters, terminator included.
  static constexpr std::size_t kSubKeyCapacity = 260;

  explicit RegistryKeyWriter(RegistryAccess& registry) : registry_(registry) {}
  ~RegistryKeyWriter() { Close(); }
  RegistryKeyWriter(const RegistryKeyWriter&) = delete;
  RegistryKeyWriter& operator=(const RegistryKeyWriter&) = delete;

  // Opens the key at `path`, creating it if it cannot be opened. True when a
  // key is open afterwards. A path that names no subkey (no backslash, or too
  // long for the buffers) opens nothing.
  bool Open(std::u16string_view path, uint32_t access);
  // Writes a string value to the open key; false without one.
  bool SetString(std::u16string_view name, std::u16string_view text);
  void Close();

  bool IsOpen() const { return openKey_ != 0; }

 private:
  bool Parse(std::u16string_view path);

  RegistryKey openKey_ = 0;
  std::optional<RegistryRoot> root_;
  std::u16string subKey_;
  RegistryAccess& registry_;
};

}  // namespace lt260
