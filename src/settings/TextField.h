#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace lt260 {

template <std::size_t N>
using TextField = std::array<char16_t, N>;

// Text fields are fixed arrays of UTF-16 units holding a NUL-terminated string.
inline constexpr std::size_t kPathCapacity = 260;
inline constexpr std::size_t kProfileNameCapacity = 50;

// The string a field holds, up to its terminator (or its capacity, should a
// damaged record lack one).
template <std::size_t N>
std::u16string_view FieldText(const TextField<N>& field) {
  std::size_t length = 0;
  while (length < N && field[length] != u'\0') ++length;
  return std::u16string_view(field.data(), length);
}

// Stores `text` in a field, cut to the capacity less one and always terminated,
// so a long text never runs into the next field. Units after the terminator are
// cleared.
template <std::size_t N>
void SetFieldText(TextField<N>& field, std::u16string_view text) {
  static_assert(N > 0);
  const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::size_t i = 0;
  for (; i < length && text[i] != u'\0'; ++i) field[i] = text[i];
  for (; i < N; ++i) field[i] = u'\0';
}

}  // namespace lt260
