#include "sim/FirmwareCore.h"

/* Byte loops rather than the C library: the driver links no runtime. */
static void CopyBytes(unsigned char* to, const unsigned char* from, unsigned long count) {
  unsigned long i;
  for (i = 0; i < count; ++i) to[i] = from[i];
}

static void ClearBytes(unsigned char* to, unsigned long count) {
  unsigned long i;
  for (i = 0; i < count; ++i) to[i] = 0;
}

void Lt260FirmwareReset(Lt260Firmware* firmware) {
  ClearBytes(firmware->Settings, LT260_SETTINGS_REPORT_LENGTH);
  ClearBytes(firmware->Buttons, LT260_BUTTON_REPORT_LENGTH);
  ClearBytes(firmware->Command, LT260_COMMAND_REPORT_LENGTH);
  firmware->Settings[0] = LT260_SETTINGS_REPORT_ID;
  firmware->Buttons[0] = LT260_BUTTON_REPORT_ID;
  firmware->Command[0] = LT260_COMMAND_REPORT_ID;
  firmware->Refusals = 0;
}

unsigned char* Lt260FirmwareReport(Lt260Firmware* firmware, unsigned long length,
                                   unsigned char reportId) {
  if (length == LT260_SETTINGS_REPORT_LENGTH && reportId == LT260_SETTINGS_REPORT_ID) {
    return firmware->Settings;
  }
  if (length == LT260_BUTTON_REPORT_LENGTH && reportId == LT260_BUTTON_REPORT_ID) {
    return firmware->Buttons;
  }
  if (length == LT260_COMMAND_REPORT_LENGTH && reportId == LT260_COMMAND_REPORT_ID) {
    return firmware->Command;
  }
  return 0;
}

/* The stored report a transfer reaches, after using up a refusal; null when
 * the transfer is refused. */
static unsigned char* TransferTarget(Lt260Firmware* firmware, unsigned long interfaceLength,
                                     const unsigned char* report, unsigned long length) {
  if (firmware->Refusals > 0) {
    --firmware->Refusals;
    return 0;
  }
  if (report == 0 || length == 0 || length != interfaceLength) return 0;
  return Lt260FirmwareReport(firmware, length, report[0]);
}

int Lt260FirmwareSetFeature(Lt260Firmware* firmware, unsigned long interfaceLength,
                            const unsigned char* report, unsigned long length) {
  unsigned char* stored = TransferTarget(firmware, interfaceLength, report, length);
  if (stored == 0) return 0;
  CopyBytes(stored, report, length);
  return 1;
}

int Lt260FirmwareGetFeature(Lt260Firmware* firmware, unsigned long interfaceLength,
                            unsigned char* report, unsigned long length) {
  unsigned char* stored = TransferTarget(firmware, interfaceLength, report, length);
  if (stored == 0) return 0;
  CopyBytes(report, stored, length);
  return 1;
}

void Lt260FirmwareRefuse(Lt260Firmware* firmware, unsigned long count) {
  firmware->Refusals = count;
}

int Lt260FirmwareHold(Lt260Firmware* firmware, const unsigned char* report, unsigned long length) {
  unsigned char* stored;
  unsigned long storedLength;
  if (report == 0 || length == 0) return 0;
  if (report[0] == LT260_SETTINGS_REPORT_ID) {
    stored = firmware->Settings;
    storedLength = LT260_SETTINGS_REPORT_LENGTH;
  } else if (report[0] == LT260_BUTTON_REPORT_ID) {
    stored = firmware->Buttons;
    storedLength = LT260_BUTTON_REPORT_LENGTH;
  } else {
    return 0;
  }
  if (length > storedLength) length = storedLength;
  CopyBytes(stored, report, length);
  ClearBytes(stored + length, storedLength - length);
  return 1;
}

void Lt260FirmwarePressDpi(Lt260Firmware* firmware, unsigned char stage,
                           unsigned char inputReport[LT260_INPUT_REPORT_LENGTH]) {
  firmware->Settings[1] = stage;
  inputReport[0] = LT260_INPUT_REPORT_ID;
  inputReport[1] = 0;
  inputReport[2] = stage;
  inputReport[3] = 0;
}
