#pragma once

#include "settings/ButtonAssignment.h"

namespace lt260 {

// Whether a button assignment read back from the mouse says the same as the
// stored one: equal function code and event count, and equal code and value in
// each of the 92 event slots, except that a slot holding a delay on either side
// is not compared. Delays are the mouse's to round, so they never make two
// assignments differ. Button number, mode, repeat, macro index and the reserved
// bytes are not compared.
bool SameButtonAssignment(const ButtonAssignment& readBack, const ButtonAssignment& stored);

}  // namespace lt260
