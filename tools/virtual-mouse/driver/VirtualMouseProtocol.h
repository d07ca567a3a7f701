/*
 * What the virtual mouse's driver and its control program agree on: the
 * hardware ids the driver serves, and the control interface's one feature
 * report. Plain C needing no system header, for the driver and the program
 * alike.
 */
#ifndef LT260_VIRTUAL_MOUSE_PROTOCOL_H
#define LT260_VIRTUAL_MOUSE_PROTOCOL_H

#include "protocol/DeviceIdentity.h"

/* The mouse's interfaces, one root-enumerated device each, in the order the
 * control program plugs them: the input reports, then the feature reports of
 * 40, 2049 and 8 bytes. Their ids name the LT-260's second vendor and product
 * (the control program checks that they do) and match the INF's. */
#define VIRTUAL_MOUSE_INPUT_ID L"root\\VID_1B80&PID_B412&MI_00"
#define VIRTUAL_MOUSE_SETTINGS_ID L"root\\VID_1B80&PID_B412&MI_01"
#define VIRTUAL_MOUSE_BUTTONS_ID L"root\\VID_1B80&PID_B412&MI_02"
#define VIRTUAL_MOUSE_COMMAND_ID L"root\\VID_1B80&PID_B412&MI_03"
/* A device that is no part of the mouse, of a vendor and product the Agent
 * does not accept: one input report that never comes, and no feature reports.
 * Plugged and unplugged on its own, beside the mouse. */
#define VIRTUAL_OTHER_DEVICE_ID L"root\\VID_1209&PID_0001"
#define VIRTUAL_OTHER_DEVICE_VENDOR 0x1209
#define VIRTUAL_OTHER_DEVICE_PRODUCT 0x0001
/* The control interface: present from install to uninstall, through every
 * unplug, and of a product the Agent does not accept. */
#define VIRTUAL_MOUSE_CONTROL_ID L"root\\LT260_VIRTUAL_MOUSE_CONTROL"
#define VIRTUAL_MOUSE_CONTROL_VENDOR LT260_SECOND_VENDOR_ID
#define VIRTUAL_MOUSE_CONTROL_PRODUCT 0x0260

/* The control report: byte 0 its ID, byte 1 an operation (set) or a record
 * kind (get), bytes 2-3 a byte count, bytes 4-7 an argument (little-endian),
 * then up to 2049 bytes of payload. */
#define CONTROL_REPORT_ID 0x01
#define CONTROL_HEADER_LENGTH 8
#define CONTROL_PAYLOAD_LENGTH 2049
#define CONTROL_REPORT_LENGTH (CONTROL_HEADER_LENGTH + CONTROL_PAYLOAD_LENGTH)

/* Operations, set with the control report. */
#define CONTROL_OP_PRESS 1  /* argument: the DPI stage, 0 to 255 */
#define CONTROL_OP_REFUSE 2 /* argument: how many feature transfers to refuse */
#define CONTROL_OP_HOLD 3   /* payload: report 3 or 4, ID first; count: its length */

/* A get of the control report takes the oldest transfer the mouse saw off the
 * driver's trace: byte 1 its kind, bytes 2-3 its byte count, bytes 4-5 the
 * feature length of its interface, byte 6 nonzero when accepted, then its
 * bytes. Kind "none" says the trace is empty; its byte 7 counts the transfers
 * that found the trace full since the last such answer (255 for more). */
#define CONTROL_RECORD_NONE 0
#define CONTROL_RECORD_SET 1
#define CONTROL_RECORD_GET 2
#define CONTROL_RECORD_READ 3

#endif
