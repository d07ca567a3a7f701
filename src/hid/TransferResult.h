#pragma once

namespace lt260 {

// How one feature-report transfer ended.
enum class TransferOutcome {
  Done,
  // The device would not take or give the report: the firmware refused it,
  // or the system failed the transfer for a reason that may pass.
  Refused,
  // The device is no longer attached, or no interface is held for it.
  Gone,
  // The report's length is not the interface's feature report length, so
  // it was not sent.
  WrongLength,
};

// "done", "refused", "gone", "wrong length": for debug lines and messages.
const char* TransferOutcomeName(TransferOutcome outcome);

// The outcome of a feature transfer. It reads as true when the transfer was
// done, so a caller that only asks whether it worked treats it as the bool
// transfers used to return; callers that care ask for the outcome.
struct TransferResult {
  constexpr TransferResult(TransferOutcome outcome) : Outcome(outcome) {}
  constexpr operator bool() const { return Outcome == TransferOutcome::Done; }
  friend constexpr bool operator==(const TransferResult&, const TransferResult&) = default;

  TransferOutcome Outcome;
};

}  // namespace lt260
