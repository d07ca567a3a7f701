/*
 * What a HID minidriver needs from the HID class driver that MinGW-w64's
 * headers do not give: the registration and extension records, the device
 * attributes and descriptor records, and the true codes of the internal
 * requests, declared from the documented driver ABI.
 */
#ifndef LT260_HID_MINIDRIVER_H
#define LT260_HID_MINIDRIVER_H

#include <ddk/wdm.h>
/* The HID usage types first: the class header builds on them. */
#include <hidusage.h>
#include <ddk/hidclass.h>

/* The internal requests of the class driver to its minidriver. MinGW's
 * <ddk/hidclass.h> numbers six of them 0 to 5, which no class driver sends (a
 * driver switching on those answers nothing it is asked), and lacks the rest;
 * they go by names of their own here, so the header's stay untouched. */
#define MINIDRIVER_GET_DEVICE_DESCRIPTOR HID_CTL_CODE(0)
#define MINIDRIVER_GET_REPORT_DESCRIPTOR HID_CTL_CODE(1)
#define MINIDRIVER_READ_REPORT HID_CTL_CODE(2)
#define MINIDRIVER_WRITE_REPORT HID_CTL_CODE(3)
#define MINIDRIVER_GET_STRING HID_CTL_CODE(4)
#define MINIDRIVER_ACTIVATE_DEVICE HID_CTL_CODE(7)
#define MINIDRIVER_DEACTIVATE_DEVICE HID_CTL_CODE(8)
#define MINIDRIVER_GET_DEVICE_ATTRIBUTES HID_CTL_CODE(9)
#define MINIDRIVER_SEND_IDLE_NOTIFICATION_REQUEST HID_CTL_CODE(10)

typedef struct _HID_MINIDRIVER_REGISTRATION {
  ULONG Revision;
  PDRIVER_OBJECT DriverObject;
  PUNICODE_STRING RegistryPath;
  ULONG DeviceExtensionSize;
  BOOLEAN DevicesArePolled;
  UCHAR Reserved[3];
} HID_MINIDRIVER_REGISTRATION;

typedef struct _HID_DEVICE_EXTENSION {
  PDEVICE_OBJECT PhysicalDeviceObject;
  PDEVICE_OBJECT NextDeviceObject;
  PVOID MiniDeviceExtension;
} HID_DEVICE_EXTENSION;

typedef struct _HID_DEVICE_ATTRIBUTES {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
  USHORT Reserved[11];
} HID_DEVICE_ATTRIBUTES;

#include <pshpack1.h>
typedef struct _HID_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdHID;
  UCHAR bCountry;
  UCHAR bNumDescriptors;
  struct {
    UCHAR bReportType;
    USHORT wReportLength;
  } DescriptorList[1];
} HID_DESCRIPTOR;
#include <poppack.h>

NTSTATUS NTAPI HidRegisterMinidriver(HID_MINIDRIVER_REGISTRATION* registration);

#endif
