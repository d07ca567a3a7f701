#include <gtest/gtest.h>

#include <optional>

#include "ProtocolTestSupport.h"
#include "protocol/InputReport.h"

namespace lt260 {
namespace {

using test::HexBytes;

TEST(DpiStageOfTest, OnlyTheExactStageShapeWithAStageAnnouncesOne) {
  struct Case {
    const char* report;
    std::optional<int> stage;
  };
  const Case cases[] = {
      {"02 00 03 00", 3},
      {"02 00 01 00", 1},
      {"02 00 07 00", 7},
      // Stages the mouse does not have are passed on; the next load
      // validates them away.
      {"02 00 08 00", 8},
      {"02 00 ff 00", 255},
      {"02 00 00 00", std::nullopt},
      {"02 01 03 00", std::nullopt},
      {"02 00 03 01", std::nullopt},
      {"01 00 03 00", std::nullopt},
      {"00 00 00 00", std::nullopt},
      // Missing bytes read as zero; bytes past the fourth do not count.
      {"02 00 05", 5},
      {"02 00", std::nullopt},
      {"", std::nullopt},
      {"02 00 04 00 ff ff", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    EXPECT_EQ(DpiStageOf(HexBytes(c.report)), c.stage);
  }
}

}  // namespace
}  // namespace lt260
