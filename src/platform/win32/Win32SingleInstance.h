#pragma once

#include <cstdint>
#include <string_view>

#include "ports/SingleInstance.h"

namespace lt260 {

// A named mutex, created not owned, only as a marker: it is never waited on.
// The name is per session and shared by every process of it, this one
// included, so a second Acquire of the same name fails here too.
class Win32SingleInstance final : public SingleInstance {
 public:
  Win32SingleInstance() = default;
  ~Win32SingleInstance() override;
  Win32SingleInstance(const Win32SingleInstance&) = delete;
  Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;

  // Also false when the mutex cannot be made at all (for example because one
  // of that name exists with a security that bars us, which is itself a sign
  // of another instance). Acquiring again first releases what is held.
  bool Acquire(std::u16string_view name) override;
  void Release() override;

 private:
  uintptr_t mutex_ = 0;
};

}  // namespace lt260
