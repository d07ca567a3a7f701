#include <gtest/gtest.h>

#include "protocol/CommandReport.h"
#include "protocol/ProtocolTestSupport.h"

namespace lt260 {
namespace {

TEST(CommandReport, IsTheFixedCommand) {
  EXPECT_EQ(test::Bytes(BuildCommandReport()), test::HexBytes("06 5A 00 00 00 00 00 00"));
}

}  // namespace
}  // namespace lt260
