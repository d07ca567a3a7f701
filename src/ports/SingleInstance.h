#pragma once

#include <string_view>

namespace lt260 {

// A named marker of the running instance (a named mutex on Windows).
class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // Creates the marker; false when another process already holds one of
  // that name (nothing is then held).
  virtual bool Acquire(std::u16string_view name) = 0;
  virtual void Release() = 0;
};

}  // namespace lt260
