#pragma once

#include <ostream>

#include "hid/TransferResult.h"

namespace lt260 {

// GoogleTest prints an outcome by its name.
inline void PrintTo(TransferOutcome outcome, std::ostream* out) {
  *out << TransferOutcomeName(outcome);
}

}  // namespace lt260
