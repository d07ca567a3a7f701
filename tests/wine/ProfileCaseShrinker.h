#pragma once

#include <functional>
#include <optional>

#include "wine/ProfileCase.h"
#include "wine/ProfileDifferential.h"

namespace lt260::wine {

// Runs a candidate case and returns its mismatch of the kind being chased,
// or nothing when the candidate no longer fails that way.
using FailsAlike = std::function<std::optional<Mismatch>(const ProfileCase&)>;

// Cuts a failing case down while it still fails the same way: first to the one
// name read back (or to no read-back at all when a call failed), then call by
// call, then line by line. Gives up cutting after a few hundred runs. `last`
// receives the mismatch the returned case shows.
ProfileCase ShrinkCase(ProfileCase failing, const Mismatch& mismatch, const FailsAlike& failsAlike,
                       Mismatch& last);

}  // namespace lt260::wine
