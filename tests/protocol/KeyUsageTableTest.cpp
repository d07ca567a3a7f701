#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "protocol/KeyUsageTable.h"

namespace lt260 {
namespace {

// The key grid written out again by hand: each line is the high digits of the
// key id, then the usages of the low digits 0 to F in hex.
constexpr const char* kGrid[] = {
    "10: 35 1E 14 2B 04 29 1D 00 3A 1F 1A 39 16 00 1B 00",
    "20: 3B 20 08 3C 07 3D 06 00 22 21 15 17 09 0A 19 05",
    "30: 23 24 18 1C 0D 0B 10 11 2E 25 0C 30 0E 3F 36 00",
    "40: 41 26 12 40 0F 00 37 00 2D 27 13 2F 33 34 00 38",
    "50: 42 43 00 2A 31 3E 28 2C 49 45 60 5D 5A 62 54 4F",
    "60: 4C 44 5F 5C 59 00 53 51 4B 4E 61 5E 5B 63 55 56",
    "70: 4A 4D 57 00 58 52 48 50 00 47 46 00 00 E2 00 E6",
    "80: B1 B2 B3 E1 B4 B5 E5 B0 E0 B6 B7 B8 B9 BA E4 E2",
    "90: 183 CD EA E9 E8 1C9 E9 EA 82 223 65 1C8 E3 22D 22E 231",
    "A0: E7",
};

std::vector<KeyUsageRow> ParseGrid() {
  std::vector<KeyUsageRow> rows;
  for (const char* line : kGrid) {
    std::istringstream in(line);
    std::string base;
    in >> base;
    const auto first =
        static_cast<uint32_t>(std::stoul(base.substr(0, base.size() - 1), nullptr, 16));
    std::string cell;
    for (uint32_t low = 0; in >> cell; ++low) {
      rows.push_back({first + low, static_cast<uint32_t>(std::stoul(cell, nullptr, 16))});
    }
  }
  return rows;
}

TEST(KeyUsageTable, MatchesTheGridRowByRow) {
  const std::vector<KeyUsageRow> grid = ParseGrid();
  ASSERT_EQ(grid.size(), kKeyUsageRowCount);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    EXPECT_EQ(KeyUsageTable[i].KeyId, grid[i].KeyId) << "row " << i;
    EXPECT_EQ(KeyUsageTable[i].Usage, grid[i].Usage) << "key id 0x" << std::hex << grid[i].KeyId;
    EXPECT_EQ(KeyIdToUsage(grid[i].KeyId), grid[i].Usage)
        << "key id 0x" << std::hex << grid[i].KeyId;
  }
}

TEST(KeyUsageTable, KeyIdToUsageOutsideTheTableIsZero) {
  for (uint32_t keyId : {0x00u, 0x01u, 0x0Fu, 0xA1u, 0xFFu, 0x110u, 0xFFFFFFFFu}) {
    EXPECT_EQ(KeyIdToUsage(keyId), 0u) << "key id 0x" << std::hex << keyId;
  }
}

TEST(KeyUsageTable, UsageToKeyIdTakesTheLastMatchingRow) {
  struct Case {
    uint32_t usage;
    uint32_t expectedKeyId;
  };
  const Case cases[] = {
      {0x04, 0x14}, {0x35, 0x10}, {0xE7, 0xA0}, {0x183, 0x90},   {0x231, 0x9F},
      {0xE2, 0x8F}, {0xE9, 0x96}, {0xEA, 0x97}, {0x00, 0x7E},  // shared usages
      {0x83, 0x00}, {0x01, 0x00}, {0xFF, 0x00}, {0x10000, 0x00},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UsageToKeyId(c.usage), c.expectedKeyId) << "usage 0x" << std::hex << c.usage;
  }
}

}  // namespace
}  // namespace lt260
