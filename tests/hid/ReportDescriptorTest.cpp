#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hid/DescriptorText.h"
#include "hid/ReportDescriptor.h"

namespace lt260 {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One value of a .pp_data dump: the hex number after "<key> =".
int DumpValue(const std::string& dump, const std::string& key) {
  const std::regex pattern(std::regex_replace(key, std::regex(R"([\[\]\->.])"), R"(\$&)") +
                           R"(\s*=\s*(0x[0-9A-Fa-f]+|[0-9]+))");
  std::smatch match;
  if (!std::regex_search(dump, match, pattern)) return -1;
  return std::stoi(match[1].str(), nullptr, 0);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

// Every captured collection parses to the usage and the three lengths that
// Windows computed for it.
TEST(ReportDescriptorTest, ReproducesWindowsLengthsOfEveryCapture) {
  const std::filesystem::path folder = LT260_HID_CAPTURES_DIR;
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const std::string suffix = "_expected.rpt_desc";
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
    const std::string stem = name.substr(0, name.size() - suffix.size());
    SCOPED_TRACE(stem);

    const DescriptorBytes descriptor = ReadDescriptorContent(ReadText(entry.path()));
    ASSERT_TRUE(descriptor.Error.empty()) << descriptor.Error << " line " << descriptor.ErrorLine;
    const std::string dump = ReadText(folder / (stem + ".pp_data"));
    ASSERT_FALSE(dump.empty());

    const DescriptorParse parse = ParseReportDescriptor(descriptor.Bytes);
    ASSERT_TRUE(parse.Ok()) << parse.Error << " at " << parse.ErrorOffset;
    ASSERT_EQ(parse.Collections.size(), 1u);
    const CollectionCaps& caps = parse.Collections[0];
    EXPECT_EQ(caps.UsagePage, DumpValue(dump, "dev->usage_page"));
    EXPECT_EQ(caps.Usage, DumpValue(dump, "dev->usage"));
    EXPECT_EQ(caps.InputReportLength, DumpValue(dump, "pp_data->caps_info[0]->ReportByteLength"));
    EXPECT_EQ(caps.OutputReportLength, DumpValue(dump, "pp_data->caps_info[1]->ReportByteLength"));
    EXPECT_EQ(caps.FeatureReportLength, DumpValue(dump, "pp_data->caps_info[2]->ReportByteLength"));
    ++checked;
  }
  EXPECT_EQ(checked, 15);
}

// The LT-260's vendor interfaces as a descriptor: three feature collections
// of 39, 2048 and 7 data bytes behind IDs 3, 4 and 6, and the DPI-stage input
// collection, each its own top-level collection.
std::vector<uint8_t> LT260LikeDescriptor() {
  return Bytes({
      0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,        // vendor page, usage 1, application
      0x85, 0x03, 0x75, 0x08, 0x95, 0x27, 0xB1, 0x02,  // ID 3: 39 feature bytes
      0xC0,                                            //
      0x09, 0x02, 0xA1, 0x01,                          // usage 2
      0x85, 0x04, 0x96, 0x00, 0x08, 0xB1, 0x02,        // ID 4: 2048 feature bytes
      0xC0,                                            //
      0x09, 0x03, 0xA1, 0x01,                          // usage 3
      0x85, 0x06, 0x95, 0x07, 0xB1, 0x02,              // ID 6: 7 feature bytes
      0xC0,                                            //
      0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // generic desktop keyboard
      0x85, 0x02, 0x95, 0x03, 0x81, 0x02,              // ID 2: 3 input bytes
      0xC0,
  });
}

TEST(ReportDescriptorTest, SplitsTopLevelCollectionsAndCountsTheReportIdByte) {
  const DescriptorParse parse = ParseReportDescriptor(LT260LikeDescriptor());
  ASSERT_TRUE(parse.Ok()) << parse.Error;
  ASSERT_EQ(parse.Collections.size(), 4u);
  const int expected[4][5] = {
      {0xFF00, 1, 0, 0, 40}, {0xFF00, 2, 0, 0, 2049}, {0xFF00, 3, 0, 0, 8}, {0x0001, 6, 4, 0, 0}};
  for (std::size_t i = 0; i < 4; ++i) {
    const CollectionCaps& caps = parse.Collections[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(caps.UsagePage, expected[i][0]);
    EXPECT_EQ(caps.Usage, expected[i][1]);
    EXPECT_EQ(caps.InputReportLength, expected[i][2]);
    EXPECT_EQ(caps.OutputReportLength, expected[i][3]);
    EXPECT_EQ(caps.FeatureReportLength, expected[i][4]);
    EXPECT_TRUE(caps.NumberedReports);
  }
  EXPECT_EQ(parse.Collections[3].InputReportIds, std::vector<uint8_t>{2});
}

// The rules that decide a length beyond a plain list of items: bits add up
// per report ID and round up once, the longest report wins, nested
// collections belong to their top-level one, Push and Pop restore the global
// state, long items and items outside collections count nothing, and a
// four-byte usage carries its own page.
TEST(ReportDescriptorTest, LengthRules) {
  struct Case {
    const char* name;
    std::vector<uint8_t> descriptor;
    int usagePage, usage, input, output, feature;
  };
  const Case cases[] = {
      {"unnumbered reports still count the ID byte",
       Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0xC0}), 1, 2,
       4, 0, 0},
      {"bits round up once per report, constants included",
       Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x05, 0x81, 0x02, 0x75,
              0x03, 0x95, 0x01, 0x81, 0x03, 0x75, 0x04, 0x95, 0x01, 0x81, 0x02, 0xC0}),
       1, 2, 3, 0, 0},
      {"the longest report of each kind wins",
       Bytes({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x91,
              0x02, 0x85, 0x02, 0x95, 0x10, 0x91, 0x02, 0x85, 0x03, 0x95, 0x04, 0x91, 0x02, 0xC0}),
       0xFF00, 1, 0, 17, 0},
      {"nested collections add to their top-level collection",
       Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x75, 0x08, 0x95,
              0x02, 0x81, 0x02, 0xA1, 0x02, 0x95, 0x01, 0x81, 0x02, 0xC0, 0xC0, 0xC0}),
       1, 2, 4, 0, 0},
      {"push and pop restore size, count and ID",
       Bytes({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95,
              0x04, 0xA4, 0x85, 0x02, 0x95, 0x20, 0xB1, 0x02, 0xB4, 0xB1, 0x02, 0xC0}),
       0xFF00, 1, 0, 0, 33},
      {"long items are skipped whole",
       Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xFE, 0x03, 0x10, 0x81, 0x95, 0x7F, 0x75, 0x08,
              0x95, 0x01, 0x81, 0x02, 0xC0}),
       1, 2, 2, 0, 0},
      {"main items outside collections count nothing",
       Bytes({0x75, 0x08, 0x95, 0x09, 0x81, 0x02, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x95, 0x01,
              0x81, 0x02, 0xC0, 0xB1, 0x02}),
       1, 2, 2, 0, 0},
      {"a four-byte usage names its page",
       Bytes({0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x75, 0x10, 0x95, 0x01, 0x81,
              0x00, 0xC0}),
       0x0C, 1, 3, 0, 0},
      {"report count zero makes no report",
       Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x00, 0xB1, 0x02, 0xC0}), 1, 2,
       0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DescriptorParse parse = ParseReportDescriptor(c.descriptor);
    ASSERT_TRUE(parse.Ok()) << parse.Error << " at " << parse.ErrorOffset;
    ASSERT_EQ(parse.Collections.size(), 1u);
    const CollectionCaps& caps = parse.Collections[0];
    EXPECT_EQ(caps.UsagePage, c.usagePage);
    EXPECT_EQ(caps.Usage, c.usage);
    EXPECT_EQ(caps.InputReportLength, c.input);
    EXPECT_EQ(caps.OutputReportLength, c.output);
    EXPECT_EQ(caps.FeatureReportLength, c.feature);
  }
}

// A damaged or hostile descriptor is refused with what is wrong and where,
// never read past its end and never left with a half-built answer.
TEST(ReportDescriptorTest, RefusesBrokenDescriptorsWithTheirPlace) {
  std::vector<uint8_t> deep;
  for (int i = 0; i < kMaxCollectionDepth + 1; ++i) deep.insert(deep.end(), {0xA1, 0x01});
  std::vector<uint8_t> pushes;
  for (int i = 0; i < kMaxGlobalStackDepth + 1; ++i) pushes.push_back(0xA4);
  std::vector<uint8_t> many;
  for (int i = 0; i < kMaxTopLevelCollections + 1; ++i) many.insert(many.end(), {0xA1, 0x01, 0xC0});

  struct Case {
    const char* name;
    std::vector<uint8_t> descriptor;
    std::string error;
    std::size_t offset;
  };
  const Case cases[] = {
      {"item data cut off", Bytes({0x05, 0x01, 0x26, 0xFF}), "item data cut off", 2},
      {"four-byte item cut off", Bytes({0x27, 0xFF, 0xFF}), "item data cut off", 0},
      {"long item header cut off", Bytes({0xFE, 0x05}), "long item cut off", 0},
      {"long item data cut off", Bytes({0xFE, 0x05, 0x01, 0x00}), "long item data cut off", 0},
      {"end collection first", Bytes({0xC0}), "End Collection without a Collection", 0},
      {"unclosed collection", Bytes({0xA1, 0x01, 0x75, 0x08}), "collection not closed at the end",
       4},
      {"pop without push", Bytes({0xB4}), "Pop without a Push", 0},
      {"report ID zero", Bytes({0x85, 0x00}), "Report ID 0 outside 1 to 255", 0},
      {"report ID above a byte", Bytes({0x86, 0x00, 0x01}), "Report ID 256 outside 1 to 255", 0},
      {"nesting too deep", deep, "collections nested deeper than 32", 64},
      {"push too deep", pushes, "Push nested deeper than 32", 32},
      {"too many collections", many, "more than 255 top-level collections", 765},
      {"size times count beyond 16-bit lengths",
       Bytes({0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02,
              0xC0}),
       "report 0 longer than 65535 bytes", 12},
      {"bits adding up beyond 16-bit lengths",
       Bytes({0xA1, 0x01, 0x75, 0x08, 0x96, 0xFF, 0x7F, 0xB1, 0x02, 0xB1, 0x02, 0xB1, 0x02, 0xC0}),
       "report 0 longer than 65535 bytes", 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DescriptorParse parse = ParseReportDescriptor(c.descriptor);
    EXPECT_FALSE(parse.Ok());
    EXPECT_EQ(parse.Error, c.error);
    EXPECT_EQ(parse.ErrorOffset, c.offset);
    EXPECT_TRUE(parse.Collections.empty());
  }
  EXPECT_TRUE(ParseReportDescriptor({}).Ok());
}

// A descriptor file is raw bytes or hex text, told apart by its characters.
TEST(DescriptorTextTest, ReadsRawBytesCSourceAndDumps) {
  const std::string raw("\x05\x01\x09\x02\xA1\x01\xC0", 7);
  EXPECT_EQ(ReadDescriptorContent(raw).Bytes, Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}));
  EXPECT_EQ(ReadDescriptorContent("0x05, 0x01, 0x09,\r\n0x02, 0xA1, 0x01, 0xC0\n").Bytes,
            Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}));
  EXPECT_EQ(ReadDescriptorContent("05 01 09 02\n a1 01 c0").Bytes,
            Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}));

  const DescriptorBytes bad = ReadDescriptorContent("0x05, 0x01,\n0x09, 0x1234,\n");
  EXPECT_EQ(bad.Error, "\"0x1234\" is not a hex byte");
  EXPECT_EQ(bad.ErrorLine, 2);
  EXPECT_TRUE(bad.Bytes.empty());
  EXPECT_FALSE(ReadDescriptorContent("0x, 0x01").Error.empty());
  EXPECT_FALSE(ReadDescriptorContent("0x05, 0EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE").Error.empty());
  EXPECT_TRUE(ReadDescriptorContent("").Bytes.empty());
}

}  // namespace
}  // namespace lt260
