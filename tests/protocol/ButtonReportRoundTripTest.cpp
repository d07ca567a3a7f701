// Property test: button assignments written into the button-assignment report
// and read back through the decoders come out as they went in.
//
// The read-back cannot represent every assignment; the generator leaves out:
// - codes 0xA7 to 0xA9: like 0xAA they send no records and read back as 0xAA;
// - empty macros: they share their offset with the next button and read back
//   as that button's first record;
// - macro mode 15 (and any mode of the form 16k + 15): its mode byte is 0, so
//   the block reads back as a fixed function; modes from 16 on read back as
//   their low four bits;
// - key id 0x10, which as a macro event is mouse button 5;
// - keys without a usage, consumer-page keys (only the low byte of the usage
//   is sent) and the first of two keys sharing a usage: they read back as
//   another key or none;
// - a leading delay, two delays in a row and zero delays: the encoder folds or
//   drops them;
// - a release of anything but the last key or button pressed or released: the
//   records of a release name no key, so the read-back releases the last one;
// - pressed values other than 1 (only bit 0 is sent);
// - macros that do not fit the record area, tested on their own below;
// - whatever button 7 holds: it is always sent as the right button.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReadBack.h"
#include "protocol/ButtonReport.h"
#include "protocol/KeyUsageTable.h"
#include "protocol/MacroDecoding.h"
#include "protocol/MacroEncoding.h"
#include "protocol/SameButtonAssignment.h"
#include "settings/ProfileSetting.h"

namespace lt260 {
namespace {

constexpr uint32_t kSeed = 0x1260;
constexpr int kProfiles = 3000;

const std::vector<uint8_t>& FixedFunctionCodes() {
  static const std::vector<uint8_t> codes = [] {
    std::vector<uint8_t> all;
    for (int code = 0xA0; code <= 0xA5; ++code) all.push_back(static_cast<uint8_t>(code));
    for (int code = 0xB0; code <= 0xBA; ++code) all.push_back(static_cast<uint8_t>(code));
    for (int code = 0xC0; code <= 0xC7; ++code) all.push_back(static_cast<uint8_t>(code));
    for (int code = 0xD0; code <= 0xD6; ++code) all.push_back(static_cast<uint8_t>(code));
    return all;
  }();
  return codes;
}

// Key ids whose usage is on one byte and belongs to no other key id, less 0x10,
// which as a macro event is mouse button 5.
const std::vector<uint8_t>& RepresentableKeyIds() {
  static const std::vector<uint8_t> keys = [] {
    std::vector<uint8_t> all;
    for (uint32_t keyId = 0x10; keyId <= 0xA0; ++keyId) {
      const uint32_t usage = KeyIdToUsage(keyId);
      if (usage != 0 && usage <= 0xFF && UsageToKeyId(usage) == keyId &&
          !IsMouseButtonCode(static_cast<uint8_t>(keyId))) {
        all.push_back(static_cast<uint8_t>(keyId));
      }
    }
    return all;
  }();
  return keys;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool OneIn(int n) { return Between(1, n) == 1; }

  // A macro the read-back represents, with at most `maxRecords` key or button
  // events (each becomes one record).
  ButtonAssignment Macro(int buttonIndex, int maxRecords) {
    ButtonAssignment macro = ResetButtonAssignmentFor(buttonIndex);
    macro.FunctionCode = kMacroFunctionCode;
    macro.MacroMode = static_cast<uint8_t>(Between(0, 14));
    macro.MacroRepeat = static_cast<uint8_t>(Between(0, 255));
    const int records = Between(1, std::min(maxRecords, kMacroEventCapacity));
    int events = 0;
    uint8_t lastNamed = 0;
    for (int r = 0; r < records && events < kMacroEventCapacity; ++r) {
      if (lastNamed != 0 && OneIn(2)) {
        macro.MacroEvents[events++] = MacroEvent{lastNamed, 0, 0};
      } else {
        lastNamed = PressCode();
        macro.MacroEvents[events++] = MacroEvent{lastNamed, 0, 1};
      }
      if (events < kMacroEventCapacity && OneIn(2)) {
        const auto delay = static_cast<uint16_t>(OneIn(4) ? Between(1, 0xFFFF) : Between(1, 200));
        macro.MacroEvents[events++] = MacroEvent{kMacroDelayCode, 0, delay};
      }
    }
    macro.MacroEventCount = static_cast<uint8_t>(events);
    return macro;
  }

 private:
  uint8_t PressCode() {
    static constexpr uint8_t kMouseButtons[] = {0x01, 0x02, 0x04, 0x08, 0x10};
    if (OneIn(3)) return kMouseButtons[Between(0, 4)];
    const auto& keys = RepresentableKeyIds();
    return keys[static_cast<std::size_t>(Between(0, static_cast<int>(keys.size()) - 1))];
  }

  std::mt19937 rng_;
};

uint8_t ClampedRepeat(uint8_t repeat) {
  return repeat < 1 ? uint8_t{1} : (repeat > 15 ? uint8_t{15} : repeat);
}

TEST(ButtonReportRoundTrip, RepresentableAssignmentsReadBackUnchanged) {
  ASSERT_EQ(RepresentableKeyIds().size(), 119u)
      << "145 keys less 15 without usage, 7 consumer keys, 3 sharing a usage with a later key "
         "and key id 0x10, which in a macro is mouse button 5";
  Generator generate(kSeed);
  int macrosSeen = 0;
  for (int p = 0; p < kProfiles; ++p) {
    ProfileSetting profile = DefaultProfileSetting();
    // Records the fixed functions need at most, so macros are kept within the area.
    int budget = static_cast<int>(kRecordAreaRecords) - 1 - 4 * (kButtonCount - 1);
    for (int b = 0; b < kButtonCount; ++b) {
      const int kind = generate.Between(0, 9);
      if (kind < 4 && budget > 0) {
        profile.ButtonAssigned[b] = generate.Macro(b, budget);
        budget -= profile.ButtonAssigned[b].MacroEventCount;  // at least the records used
      } else if (kind == 4) {
        profile.ButtonAssigned[b].FunctionCode = 0xAA;
      } else {
        const auto& codes = FixedFunctionCodes();
        profile.ButtonAssigned[b].FunctionCode = codes[static_cast<std::size_t>(
            generate.Between(0, static_cast<int>(codes.size()) - 1))];
      }
    }

    const ButtonReportBytes report = BuildButtonReport(profile);
    const auto blocks = SplitButtonBlocks(report);
    for (int b = 0; b < kButtonCount; ++b) {
      ButtonAssignment expected = profile.ButtonAssigned[b];
      if (b == kButtonCount - 1) {
        expected = ButtonAssignment{};
        expected.FunctionCode = kLastButtonFunctionCode;
      }
      // The read-back clears the value of a macro's last event, so a macro that
      // ends on a press reads back ending on a release.
      if (expected.FunctionCode == kMacroFunctionCode) {
        expected.MacroEvents[expected.MacroEventCount - 1].Value = 0;
      }
      const ButtonAssignment readBack = ReadBackButtonAssignment(report, blocks[b], b);
      ASSERT_TRUE(SameButtonAssignment(readBack, expected))
          << "profile " << p << " button " << b << " code 0x" << std::hex
          << int{expected.FunctionCode} << " read back as 0x" << int{readBack.FunctionCode};
      // Delays, mode and repeat come back too, though the comparison skips them.
      if (expected.FunctionCode == kMacroFunctionCode) {
        ++macrosSeen;
        for (int i = 0; i < expected.MacroEventCount; ++i) {
          ASSERT_EQ(readBack.MacroEvents[i].Value, expected.MacroEvents[i].Value)
              << "profile " << p << " button " << b << " event " << i;
        }
        EXPECT_EQ(readBack.MacroMode, expected.MacroMode);
        EXPECT_EQ(readBack.MacroRepeat,
                  expected.MacroMode == 1 ? ClampedRepeat(expected.MacroRepeat) : 0);
      }
    }
  }
  EXPECT_GT(macrosSeen, kProfiles);
}

// Index of the first event after the first `records` key or button events: the
// events a macro cut to that many records still carries.
int EventsInFirstRecords(const ButtonAssignment& macro, int records) {
  int seen = 0;
  for (int i = 0; i < macro.MacroEventCount; ++i) {
    if (macro.MacroEvents[i].Code != kMacroDelayCode && seen++ == records) return i;
  }
  return macro.MacroEventCount;
}

// Macros beyond the record area: fixed functions still read back exactly, and a
// macro cut short reads back as the events of the records it kept.
TEST(ButtonReportRoundTrip, OverfullReportsKeepFixedButtonsAndMacroPrefixes) {
  Generator generate(kSeed + 1);
  for (int p = 0; p < kProfiles / 3; ++p) {
    ProfileSetting profile = DefaultProfileSetting();
    for (int b = 0; b < kButtonCount - 1; ++b) {
      if (generate.OneIn(4)) {
        const auto& codes = FixedFunctionCodes();
        profile.ButtonAssigned[b].FunctionCode = codes[static_cast<std::size_t>(
            generate.Between(0, static_cast<int>(codes.size()) - 1))];
      } else {
        profile.ButtonAssigned[b] = generate.Macro(b, kMacroEventCapacity);
      }
    }
    const ButtonReportBytes report = BuildButtonReport(profile);
    const auto blocks = SplitButtonBlocks(report);
    for (int b = 0; b < kButtonCount; ++b) {
      const ButtonAssignment readBack = ReadBackButtonAssignment(report, blocks[b], b);
      const ButtonAssignment& sent = profile.ButtonAssigned[b];
      if (b == kButtonCount - 1) {
        ASSERT_EQ(readBack.FunctionCode, 0xA1) << "profile " << p;
      } else if (sent.FunctionCode != kMacroFunctionCode) {
        ASSERT_EQ(readBack.FunctionCode, sent.FunctionCode) << "profile " << p << " button " << b;
      } else if (readBack.FunctionCode == kMacroFunctionCode) {
        const int kept = static_cast<int>(blocks[b].Length / kActionRecordLength);
        const int events = EventsInFirstRecords(sent, kept);
        ASSERT_EQ(readBack.MacroEventCount, events) << "profile " << p << " button " << b;
        for (int i = 0; i < events; ++i) {
          ASSERT_EQ(readBack.MacroEvents[i].Code, sent.MacroEvents[i].Code);
          if (i + 1 < events) {
            ASSERT_EQ(readBack.MacroEvents[i].Value, sent.MacroEvents[i].Value);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace lt260
