#pragma once

#include <optional>
#include <string>

namespace lt260::driver {

// A string value of HKEY_CURRENT_USER\Control Panel\Mouse; empty when missing.
std::optional<std::wstring> ReadMouseRegistryValue(const wchar_t* name);

}  // namespace lt260::driver
