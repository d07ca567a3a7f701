/*
 * The HID devices the virtual mouse driver can be: one per hardware id, each
 * a single top-level collection on a vendor usage page. The mouse's four
 * interfaces carry its input report and its three feature reports; the
 * control interface is how the control program reaches the driver; the other
 * device stands for the rest of the machine's hardware.
 */
#ifndef LT260_VIRTUAL_INTERFACES_H
#define LT260_VIRTUAL_INTERFACES_H

#include "HidMinidriver.h"
#include "VirtualMouseProtocol.h"

typedef enum VirtualRole {
  RoleMouseInput,
  RoleMouseFeature,
  RoleControl,
  RoleOther
} VirtualRole;

typedef struct VirtualInterface {
  const WCHAR* HardwareId;
  VirtualRole Role;
  USHORT VendorId;
  USHORT ProductId;
  /* Report lengths with the ID byte, as the descriptor declares them. */
  ULONG InputLength;
  ULONG FeatureLength;
  const UCHAR* ReportDescriptor;
  USHORT ReportDescriptorLength;
  const WCHAR* Product;
} VirtualInterface;

/* The interface whose hardware id is `hardwareId` (compared without regard to
 * case, as the system keeps it in either), or null. */
const VirtualInterface* FindVirtualInterface(const WCHAR* hardwareId, ULONG length);

#endif
