// The firmware's rules as the virtual mouse's driver meets them: lengths and
// buffers come from another program, so every one is checked here.
#include <gtest/gtest.h>

#include <vector>

#include "sim/FirmwareCore.h"

namespace lt260 {
namespace {

struct Firmware : testing::Test {
  Firmware() { Lt260FirmwareReset(&firmware); }
  Lt260Firmware firmware{};
};

TEST_F(Firmware, HoldPadsOrCutsAndTakesOnlyReportsThreeAndFour) {
  const unsigned char shortSettings[] = {0x03, 0x07, 0x01};
  ASSERT_TRUE(Lt260FirmwareHold(&firmware, shortSettings, sizeof shortSettings));
  std::vector<unsigned char> expected(LT260_SETTINGS_REPORT_LENGTH, 0);
  expected[0] = 0x03;
  expected[1] = 0x07;
  expected[2] = 0x01;
  EXPECT_EQ(std::vector<unsigned char>(std::begin(firmware.Settings), std::end(firmware.Settings)),
            expected);

  // Longer than the report: the rest is never read into it or past it.
  std::vector<unsigned char> longButtons(LT260_BUTTON_REPORT_LENGTH + 100, 0xAB);
  longButtons[0] = 0x04;
  ASSERT_TRUE(Lt260FirmwareHold(&firmware, longButtons.data(),
                                static_cast<unsigned long>(longButtons.size())));
  EXPECT_EQ(firmware.Buttons[LT260_BUTTON_REPORT_LENGTH - 1], 0xAB);

  const unsigned char command[] = {0x06, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_FALSE(Lt260FirmwareHold(&firmware, command, sizeof command));
  EXPECT_FALSE(Lt260FirmwareHold(&firmware, nullptr, 40));
  EXPECT_FALSE(Lt260FirmwareHold(&firmware, shortSettings, 0));
  EXPECT_EQ(firmware.Command[1], 0) << "a refused hold changed the command report";
}

TEST_F(Firmware, TransfersNeedTheInterfaceLengthAndItsIdAndLeaveRefusedBuffersAlone) {
  std::vector<unsigned char> settings(LT260_SETTINGS_REPORT_LENGTH, 0x11);
  settings[0] = 0x03;
  EXPECT_TRUE(Lt260FirmwareSetFeature(&firmware, 40, settings.data(), 40));
  EXPECT_EQ(firmware.Settings[39], 0x11);

  std::vector<unsigned char> answer(LT260_SETTINGS_REPORT_LENGTH, 0);
  answer[0] = 0x03;
  struct Case {
    unsigned long interfaceLength;
    unsigned char id;
    unsigned long length;
  };
  for (const Case& c : {Case{40, 0x03, 39}, Case{2049, 0x03, 40}, Case{40, 0x04, 40},
                        Case{8, 0x03, 40}, Case{40, 0x03, 0}}) {
    std::vector<unsigned char> buffer(LT260_SETTINGS_REPORT_LENGTH, 0x55);
    buffer[0] = c.id;
    EXPECT_FALSE(Lt260FirmwareGetFeature(&firmware, c.interfaceLength, buffer.data(), c.length))
        << c.interfaceLength << " " << int{c.id} << " " << c.length;
    EXPECT_EQ(buffer[1], 0x55) << "a refused get wrote the caller's buffer";
  }
  EXPECT_FALSE(Lt260FirmwareSetFeature(&firmware, 40, nullptr, 40));
  EXPECT_TRUE(Lt260FirmwareGetFeature(&firmware, 40, answer.data(), 40));
  EXPECT_EQ(answer, settings);
}

TEST_F(Firmware, EveryTransferUsesUpARefusalAndTheButtonSwitchesTheStage) {
  Lt260FirmwareRefuse(&firmware, 2);
  std::vector<unsigned char> command(LT260_COMMAND_REPORT_LENGTH, 0);
  command[0] = 0x06;
  // A malformed transfer is refused and still counts.
  EXPECT_FALSE(Lt260FirmwareSetFeature(&firmware, 8, command.data(), 7));
  EXPECT_FALSE(Lt260FirmwareSetFeature(&firmware, 8, command.data(), 8));
  EXPECT_TRUE(Lt260FirmwareSetFeature(&firmware, 8, command.data(), 8));

  unsigned char input[LT260_INPUT_REPORT_LENGTH] = {0xFF, 0xFF, 0xFF, 0xFF};
  Lt260FirmwarePressDpi(&firmware, 5, input);
  EXPECT_EQ(std::vector<unsigned char>(std::begin(input), std::end(input)),
            (std::vector<unsigned char>{0x02, 0x00, 0x05, 0x00}));
  EXPECT_EQ(firmware.Settings[1], 5);
}

}  // namespace
}  // namespace lt260
