// The system's ANSI code page, through the same conversions the
// private-profile functions use.
#include <windows.h>

#include "platform/win32/Win32Text.h"
#include "settings/AnsiCodePage.h"

namespace lt260 {

std::u16string DecodeAnsi(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return {};
  const auto* source = reinterpret_cast<const char*>(bytes.data());
  const int sourceLength = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, source, sourceLength, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, source, sourceLength, wide.data(), length);
  return win32::FromWide(wide);
}

void AppendAnsi(std::u16string_view text, std::vector<uint8_t>& out) {
  if (text.empty()) return;
  const std::wstring wide = win32::Wide(text);
  const int wideLength = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength,
                      reinterpret_cast<char*>(out.data() + start), length, nullptr, nullptr);
}

}  // namespace lt260
