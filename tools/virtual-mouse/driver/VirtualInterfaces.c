#include "VirtualInterfaces.h"

#include "protocol/DeviceIdentity.h"

/* Report descriptors of our own: each a vendor-page application collection
 * holding one report of 8-bit fields, so the lengths the class driver computes
 * are the report ID byte plus the count. */
#define VENDOR_PAGE 0x06, 0x00, 0xFF         /* Usage Page (Vendor 0xFF00) */
#define USAGE_ID(u) 0x09, (u)                /* Usage */
#define APPLICATION 0xA1, 0x01               /* Collection (Application) */
#define END_COLLECTION 0xC0                  /* End Collection */
#define REPORT_ID(id) 0x85, (id)             /* Report ID */
#define BYTE_FIELDS 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08 /* 0..255, 8 bits */
#define COUNT8(n) 0x95, (n)                  /* Report Count, one byte */
#define COUNT16(n) 0x96, ((n)&0xFF), ((n) >> 8) /* Report Count, two bytes */
#define INPUT_DATA 0x81, 0x02                /* Input (Data, Variable, Absolute) */
#define FEATURE_DATA 0xB1, 0x02              /* Feature (Data, Variable, Absolute) */

static const UCHAR InputDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x01), APPLICATION, REPORT_ID(LT260_INPUT_REPORT_ID), USAGE_ID(0x02),
    BYTE_FIELDS, COUNT8(LT260_INPUT_REPORT_LENGTH - 1), INPUT_DATA, END_COLLECTION};

static const UCHAR SettingsDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x03), APPLICATION,  REPORT_ID(0x03), USAGE_ID(0x03),
    BYTE_FIELDS, COUNT8(39),  FEATURE_DATA, END_COLLECTION};

static const UCHAR ButtonsDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x04),   APPLICATION,  REPORT_ID(0x04), USAGE_ID(0x04),
    BYTE_FIELDS, COUNT16(2048), FEATURE_DATA, END_COLLECTION};

static const UCHAR CommandDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x06), APPLICATION,  REPORT_ID(0x06), USAGE_ID(0x06),
    BYTE_FIELDS, COUNT8(7),   FEATURE_DATA, END_COLLECTION};

static const UCHAR ControlDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x7F), APPLICATION, REPORT_ID(CONTROL_REPORT_ID), USAGE_ID(0x7F), BYTE_FIELDS,
    COUNT16(CONTROL_REPORT_LENGTH - 1), FEATURE_DATA, END_COLLECTION};

static const UCHAR OtherDescriptor[] = {
    VENDOR_PAGE, USAGE_ID(0x10), APPLICATION, REPORT_ID(0x01), USAGE_ID(0x10),
    BYTE_FIELDS, COUNT8(7),     INPUT_DATA,  END_COLLECTION};

#define DESCRIPTOR(d) (d), (USHORT)sizeof(d)

static const VirtualInterface Interfaces[] = {
    {VIRTUAL_MOUSE_INPUT_ID, RoleMouseInput, LT260_SECOND_VENDOR_ID, LT260_SECOND_PRODUCT_ID,
     LT260_INPUT_REPORT_LENGTH, 0, DESCRIPTOR(InputDescriptor), L"LT-260"},
    {VIRTUAL_MOUSE_SETTINGS_ID, RoleMouseFeature, LT260_SECOND_VENDOR_ID, LT260_SECOND_PRODUCT_ID,
     0, 40, DESCRIPTOR(SettingsDescriptor), L"LT-260"},
    {VIRTUAL_MOUSE_BUTTONS_ID, RoleMouseFeature, LT260_SECOND_VENDOR_ID, LT260_SECOND_PRODUCT_ID,
     0, 2049, DESCRIPTOR(ButtonsDescriptor), L"LT-260"},
    {VIRTUAL_MOUSE_COMMAND_ID, RoleMouseFeature, LT260_SECOND_VENDOR_ID, LT260_SECOND_PRODUCT_ID,
     0, 8, DESCRIPTOR(CommandDescriptor), L"LT-260"},
    {VIRTUAL_MOUSE_CONTROL_ID, RoleControl, VIRTUAL_MOUSE_CONTROL_VENDOR,
     VIRTUAL_MOUSE_CONTROL_PRODUCT, 0, CONTROL_REPORT_LENGTH, DESCRIPTOR(ControlDescriptor),
     L"LT-260 virtual mouse control"},
    {VIRTUAL_OTHER_DEVICE_ID, RoleOther, VIRTUAL_OTHER_DEVICE_VENDOR, VIRTUAL_OTHER_DEVICE_PRODUCT, 8,
     0, DESCRIPTOR(OtherDescriptor), L"Unrelated virtual device"},
};

static WCHAR Upper(WCHAR c) { return (c >= L'a' && c <= L'z') ? (WCHAR)(c - L'a' + L'A') : c; }

const VirtualInterface* FindVirtualInterface(const WCHAR* hardwareId, ULONG length) {
  ULONG i;
  for (i = 0; i < sizeof Interfaces / sizeof Interfaces[0]; ++i) {
    const WCHAR* known = Interfaces[i].HardwareId;
    ULONG k = 0;
    while (k < length && known[k] != 0 && Upper(known[k]) == Upper(hardwareId[k])) ++k;
    if (known[k] == 0 && (k == length || hardwareId[k] == 0)) return &Interfaces[i];
  }
  return 0;
}
