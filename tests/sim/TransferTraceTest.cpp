#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/TransferTrace.h"

namespace lt260 {
namespace {

bool SameTransfer(const TransferRecord& a, const TransferRecord& b) {
  return a.Kind == b.Kind && a.FeatureLength == b.FeatureLength && a.Accepted == b.Accepted &&
         a.Bytes == b.Bytes;
}

TEST(TransferTrace, EveryKindAndOutcomeReadsBackAsWritten) {
  std::vector<uint8_t> settings(40);
  for (size_t i = 0; i < settings.size(); ++i) settings[i] = static_cast<uint8_t>(i * 37);
  settings[0] = 0x03;
  std::vector<uint8_t> buttons(2049, 0xFF);
  buttons[0] = 0x04;
  const std::vector<TransferRecord> records = {
      {u"a", 40, TransferKind::SetFeature, settings, true},
      {u"a", 40, TransferKind::SetFeature, settings, false},
      {u"b", 2049, TransferKind::SetFeature, buttons, true},
      {u"c", 8, TransferKind::SetFeature, {0x03}, false},  // a wrong ID on the command interface
      {u"d", 0, TransferKind::SetFeature, {}, false},      // nothing sent at all
      {u"a", 40, TransferKind::GetFeature, settings, true},
      {u"b", 2049, TransferKind::GetFeature, {0x04, 0x00, 0x00}, false},
      {u"e", 0, TransferKind::InputRead, {0x02, 0x00, 0x03, 0x00}, true},
      {u"e", 0, TransferKind::InputRead, {0xA7}, true},
      {u"e", 0, TransferKind::InputRead, {}, true},
  };
  for (const TransferRecord& record : records) {
    const std::string line = TraceLine(record);
    SCOPED_TRACE(line.substr(0, 40));
    const std::optional<TransferRecord> parsed = ParseTraceLine(line);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(SameTransfer(*parsed, record));
    EXPECT_EQ(TraceLine(*parsed), line);
    EXPECT_EQ(line.rfind(TraceSummary(record), 0), 0u) << "a summary begins the line";
  }
}

TEST(TransferTrace, LinesAndSummariesHaveOneForm) {
  const TransferRecord set{u"", 40, TransferKind::SetFeature, {0x03, 0x03, 0x02, 0xFF}, true};
  EXPECT_EQ(TraceLine(set), "set 40 accepted 03 03 02 ff");
  EXPECT_EQ(TraceSummary(set), "set 40 accepted 03");
  const TransferRecord get{u"", 2049, TransferKind::GetFeature, {0x04, 0x01}, false};
  EXPECT_EQ(TraceLine(get), "get 2049 refused 04 01");
  EXPECT_EQ(TraceSummary(get), "get 2049 refused 04");
  const TransferRecord read{u"", 0, TransferKind::InputRead, {0x02, 0x00, 0x03, 0x00}, true};
  EXPECT_EQ(TraceLine(read), "read 4 02 00 03 00");
  EXPECT_EQ(TraceSummary(read), "read 4 02 00 03 00");
  EXPECT_EQ(TraceBytes(set.Bytes), "03 03 02 ff");
  EXPECT_EQ(TraceBytes({}), "");

  // A summary reads back as the transfer of its report ID alone.
  const std::optional<TransferRecord> summary = ParseTraceLine("set 8 refused 06");
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(SameTransfer(*summary, {u"", 8, TransferKind::SetFeature, {0x06}, false}));
  // Upper-case hex and extra spaces are read too.
  const std::optional<TransferRecord> loose = ParseTraceLine("read  2 0A FF ");
  ASSERT_TRUE(loose.has_value());
  EXPECT_EQ(loose->Bytes, (std::vector<uint8_t>{0x0A, 0xFF}));
}

TEST(TransferTrace, WhatIsNotATransferIsRefused) {
  for (const char* line : {
           "",
           "set",
           "set 40",
           "set 40 03 accepted",  // the report ID before the outcome
           "set 40 maybe 03",     // no outcome
           "set -1 accepted 03",  // no length
           "set 4x accepted 03",
           "put 40 accepted 03",    // no such kind
           "set 40 accepted 3",     // bytes are two digits
           "set 40 accepted 03 0",  // a line cut while written
           "get 40 accepted 03 zz",
           "read 4 02 00 03",  // fewer bytes than it says
           "read 2 02 00 03",  // more
           "read 4 accepted 02 00 03 00",
       }) {
    EXPECT_FALSE(ParseTraceLine(line).has_value()) << '"' << line << '"';
  }
}

}  // namespace
}  // namespace lt260
