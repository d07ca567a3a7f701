#pragma once

#include <chrono>
#include <functional>

namespace lt260::driver {

using namespace std::chrono_literals;

// How long a wait for something the Agent does in a moment may last before it
// counts as never happening: a hang guard, not a measure of speed.
inline constexpr std::chrono::milliseconds kPatience = 20s;

// Checks `condition` every 20 ms until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = kPatience);

}  // namespace lt260::driver
