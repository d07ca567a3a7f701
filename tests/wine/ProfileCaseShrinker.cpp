#include "wine/ProfileCaseShrinker.h"

#include <cstddef>
#include <utility>

namespace lt260::wine {
namespace {

constexpr int kRunBudget = 400;

}  // namespace

ProfileCase ShrinkCase(ProfileCase failing, const Mismatch& mismatch, const FailsAlike& failsAlike,
                       Mismatch& last) {
  last = mismatch;
  int budget = kRunBudget;
  auto stillFails = [&](const ProfileCase& candidate) {
    if (budget-- <= 0) return false;
    std::optional<Mismatch> found = failsAlike(candidate);
    if (found) last = std::move(*found);
    return found.has_value();
  };
  ProfileCase candidate = failing;
  if (mismatch.signature.starts_with("call ")) {
    candidate.sections.clear();
    candidate.keys.clear();
  } else if (!mismatch.signature.starts_with("file")) {
    candidate.sections = {mismatch.section};
    candidate.keys = {mismatch.key};
  }
  if (stillFails(candidate)) failing = candidate;

  for (bool progress = true; progress && budget > 0;) {
    progress = false;
    for (std::size_t i = failing.ops.size(); i-- > 0;) {
      candidate = failing;
      candidate.ops.erase(candidate.ops.begin() + static_cast<std::ptrdiff_t>(i));
      if (stillFails(candidate)) {
        failing = candidate;
        progress = true;
      }
    }
    for (std::size_t i = failing.file.lines.size(); i-- > 0;) {
      candidate = failing;
      candidate.file.lines.erase(candidate.file.lines.begin() + static_cast<std::ptrdiff_t>(i));
      if (stillFails(candidate)) {
        failing = candidate;
        progress = true;
      }
    }
  }
  // Run once more so that `last` describes the final case.
  budget = 1;
  stillFails(failing);
  return failing;
}

}  // namespace lt260::wine
