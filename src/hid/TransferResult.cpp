#include "hid/TransferResult.h"

namespace lt260 {

const char* TransferOutcomeName(TransferOutcome outcome) {
  switch (outcome) {
    case TransferOutcome::Done:
      return "done";
    case TransferOutcome::Refused:
      return "refused";
    case TransferOutcome::Gone:
      return "gone";
    case TransferOutcome::WrongLength:
      return "wrong length";
  }
  return "unknown";
}

}  // namespace lt260
