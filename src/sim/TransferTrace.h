#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lt260 {

enum class TransferKind { SetFeature, GetFeature, InputRead };

// One transfer a mouse saw: a feature report set or got, or an input report
// read. The simulated mouse and the virtual mouse's driver keep them.
struct TransferRecord {
  // The interface, in memory only: a trace line names the interface by its
  // feature length, which tells the mouse's interfaces apart.
  std::u16string Path;
  int FeatureLength = 0;  // of the interface a feature transfer went to; 0 for reads
  TransferKind Kind = TransferKind::SetFeature;
  std::vector<uint8_t> Bytes;  // as sent, as answered, or as read
  bool Accepted = false;       // reads are always accepted
};

// The trace line of a transfer, the one form in which every trace is written
// and read (one line a transfer, bytes in lowercase hex):
//   "set 40 accepted 03 03 02 ..."   the interface's feature length, the
//   "get 2049 refused 04 00 ..."     outcome, and every byte of the report
//   "read 4 02 00 03 00"             the bytes read and every byte
std::string TraceLine(const TransferRecord& record);

// Bytes as a trace line writes them: two lowercase hex digits each, separated
// by spaces ("03 03 02").
std::string TraceBytes(std::span<const uint8_t> bytes);

// The trace line with a feature transfer's bytes cut to the report ID
// ("set 40 refused 03"); an input report keeps every byte. A test compares
// these where the whole report would say nothing more.
std::string TraceSummary(const TransferRecord& record);

// The transfer a trace line (or its summary) describes, without the path;
// empty when the line is not one. A summary's feature transfer holds only its
// report ID.
std::optional<TransferRecord> ParseTraceLine(std::string_view line);

}  // namespace lt260
