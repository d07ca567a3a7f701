/*
 * The LT-260 firmware's rules, in C without a runtime so that the same code
 * runs in the simulated mouse and in the virtual mouse's kernel-mode driver.
 *
 * The firmware holds three reports: 3 (settings, 40 bytes), 4 (button
 * assignments, 2049 bytes) and the last command report 6 (8 bytes). A feature
 * transfer goes to an interface whose feature reports have one length; it is
 * accepted only when its length is that length and its report ID is the ID of
 * that length (40: 3, 2049: 4, 8: 6). A set stores the report, a get answers
 * with the stored one. A refusal count makes the next transfers fail whatever
 * they carry. The DPI button switches the stage held in byte 1 of report 3 and
 * sends the input report 02 00 stage 00.
 *
 * Every length a caller gives is checked; nothing here reads or writes
 * outside the buffers it is given or its own arrays.
 */
#ifndef LT260_FIRMWARE_CORE_H
#define LT260_FIRMWARE_CORE_H

#include "protocol/DeviceIdentity.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LT260_SETTINGS_REPORT_ID 0x03
#define LT260_SETTINGS_REPORT_LENGTH 40
#define LT260_BUTTON_REPORT_ID 0x04
#define LT260_BUTTON_REPORT_LENGTH 2049
#define LT260_COMMAND_REPORT_ID 0x06
#define LT260_COMMAND_REPORT_LENGTH 8

typedef struct Lt260Firmware {
  unsigned char Settings[LT260_SETTINGS_REPORT_LENGTH];
  unsigned char Buttons[LT260_BUTTON_REPORT_LENGTH];
  unsigned char Command[LT260_COMMAND_REPORT_LENGTH];
  /* Feature transfers still to be refused. */
  unsigned long Refusals;
} Lt260Firmware;

/* Every report zero but its ID byte, no refusals pending. */
void Lt260FirmwareReset(Lt260Firmware* firmware);

/* The stored report a transfer of `length` bytes with `reportId` reaches, or
 * null when no report has that length and ID. Its length is `length`. */
unsigned char* Lt260FirmwareReport(Lt260Firmware* firmware, unsigned long length,
                                   unsigned char reportId);

/* One feature transfer on an interface whose feature reports are
 * `interfaceLength` bytes long. Each call uses up one pending refusal, whatever
 * it carries. Nonzero when accepted: a set has then stored `report`, a get has
 * filled it with the stored report. */
int Lt260FirmwareSetFeature(Lt260Firmware* firmware, unsigned long interfaceLength,
                            const unsigned char* report, unsigned long length);
int Lt260FirmwareGetFeature(Lt260Firmware* firmware, unsigned long interfaceLength,
                            unsigned char* report, unsigned long length);

/* The next `count` feature transfers are refused. */
void Lt260FirmwareRefuse(Lt260Firmware* firmware, unsigned long count);

/* Replaces report 3 or 4 as if it had been programmed, with no transfer:
 * byte 0 of `report` names it; shorter input is padded with zeros, longer cut.
 * Nonzero when byte 0 is 3 or 4 and `length` is not 0. */
int Lt260FirmwareHold(Lt260Firmware* firmware, const unsigned char* report, unsigned long length);

/* The DPI button: stores `stage` in report 3 and writes the input report the
 * mouse sends into `inputReport`. */
void Lt260FirmwarePressDpi(Lt260Firmware* firmware, unsigned char stage,
                           unsigned char inputReport[LT260_INPUT_REPORT_LENGTH]);

#ifdef __cplusplus
}
#endif

#endif
