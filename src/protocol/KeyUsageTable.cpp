#include "protocol/KeyUsageTable.h"

namespace lt260 {

// Both lookups visit every row and keep the last match, so that a usage shared
// by several key ids always maps back to the same one.
uint32_t KeyIdToUsage(uint32_t keyId) {
  uint32_t usage = 0;
  for (const KeyUsageRow& row : KeyUsageTable) {
    if (row.KeyId == keyId) usage = row.Usage;
  }
  return usage;
}

uint32_t UsageToKeyId(uint32_t usage) {
  uint32_t keyId = 0;
  for (const KeyUsageRow& row : KeyUsageTable) {
    if (row.Usage == usage) keyId = row.KeyId;
  }
  return keyId;
}

}  // namespace lt260
