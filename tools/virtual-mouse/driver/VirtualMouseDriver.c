/*
 * The virtual LT-260: a HID minidriver that presents the mouse's interfaces
 * (one root-enumerated device each) and a control interface. Every feature
 * transfer on a mouse interface goes through the firmware's rules
 * (FirmwareCore.h), the one model of the mouse, shared with the simulated
 * mouse. The driver itself only moves bytes: it answers the class driver's
 * requests, keeps the input reads pending until the DPI button sends a
 * report, and records every transfer for the control program's trace.
 *
 * One lock guards everything shared: the firmware, the device table, the
 * pending reads and the trace. Requests are completed only with it released.
 */
#include "HidMinidriver.h"
#include "VirtualInterfaces.h"
#include "sim/FirmwareCore.h"

#define MAX_DEVICES 8
#define MAX_PENDING_READS 4
#define INPUT_QUEUE_LENGTH 8
#define TRACE_LENGTH 32

typedef struct VirtualDevice {
  const VirtualInterface* Interface;
  BOOLEAN Removed;
  PIRP PendingReads[MAX_PENDING_READS];
  UCHAR Queue[INPUT_QUEUE_LENGTH][LT260_INPUT_REPORT_LENGTH];
  ULONG QueueHead;
  ULONG QueueCount;
} VirtualDevice;

typedef struct TraceRecord {
  UCHAR Kind;
  UCHAR Accepted;
  USHORT FeatureLength;
  USHORT Count;
  UCHAR Bytes[LT260_BUTTON_REPORT_LENGTH];
} TraceRecord;

static KSPIN_LOCK Lock;
static Lt260Firmware Firmware;
static VirtualDevice* Devices[MAX_DEVICES];
static TraceRecord Trace[TRACE_LENGTH];
static ULONG TraceHead;
static ULONG TraceCount;
static ULONG TraceLost;

static void CopyBytes(UCHAR* to, const UCHAR* from, ULONG count) {
  ULONG i;
  for (i = 0; i < count; ++i) to[i] = from[i];
}

static void ClearBytes(void* to, ULONG count) {
  ULONG i;
  for (i = 0; i < count; ++i) ((UCHAR*)to)[i] = 0;
}

static VirtualDevice* DeviceOf(DEVICE_OBJECT* fdo) {
  return (VirtualDevice*)((HID_DEVICE_EXTENSION*)fdo->DeviceExtension)->MiniDeviceExtension;
}

static void TraceLocked(UCHAR kind, BOOLEAN accepted, ULONG featureLength, const UCHAR* bytes,
                        ULONG count) {
  TraceRecord* record;
  if (TraceCount == TRACE_LENGTH) {
    ++TraceLost;
    return;
  }
  record = &Trace[(TraceHead + TraceCount) % TRACE_LENGTH];
  ++TraceCount;
  if (bytes == 0) count = 0;
  if (count > LT260_BUTTON_REPORT_LENGTH) count = LT260_BUTTON_REPORT_LENGTH;
  record->Kind = kind;
  record->Accepted = accepted ? 1 : 0;
  record->FeatureLength = (USHORT)featureLength;
  record->Count = (USHORT)count;
  CopyBytes(record->Bytes, bytes, count);
}

/* Takes a pending read off `device`, or null. A read whose cancel routine has
 * started is left to that routine. */
static PIRP TakePendingReadLocked(VirtualDevice* device) {
  ULONG i;
  for (i = 0; i < MAX_PENDING_READS; ++i) {
    PIRP irp = device->PendingReads[i];
    if (irp == 0) continue;
    device->PendingReads[i] = 0;
    if (IoSetCancelRoutine(irp, 0) != 0) return irp;
  }
  return 0;
}

static void NTAPI CancelRead(DEVICE_OBJECT* fdo, PIRP irp) {
  KIRQL irql;
  ULONG d, i;
  (void)fdo;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  KeAcquireSpinLock(&Lock, &irql);
  for (d = 0; d < MAX_DEVICES; ++d) {
    if (Devices[d] == 0) continue;
    for (i = 0; i < MAX_PENDING_READS; ++i) {
      if (Devices[d]->PendingReads[i] == irp) Devices[d]->PendingReads[i] = 0;
    }
  }
  KeReleaseSpinLock(&Lock, irql);
  irp->IoStatus.Status = STATUS_CANCELLED;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* An input read: answered at once from the device's queue, or kept pending
 * until the DPI button sends a report. Devices without input reports keep
 * every read pending: the class driver reads again as soon as one ends. */
static NTSTATUS DispatchRead(VirtualDevice* device, PIRP irp, ULONG length) {
  UCHAR* buffer = (UCHAR*)irp->UserBuffer;
  KIRQL irql;
  ULONG i;
  if (device->Interface->InputLength != 0 &&
      (buffer == 0 || length < device->Interface->InputLength)) {
    return Complete(irp, STATUS_INVALID_BUFFER_SIZE, 0);
  }
  KeAcquireSpinLock(&Lock, &irql);
  if (device->Removed) {
    KeReleaseSpinLock(&Lock, irql);
    return Complete(irp, STATUS_DELETE_PENDING, 0);
  }
  if (device->QueueCount > 0) {
    UCHAR* report = device->Queue[device->QueueHead];
    CopyBytes(buffer, report, LT260_INPUT_REPORT_LENGTH);
    TraceLocked(CONTROL_RECORD_READ, TRUE, 0, report, LT260_INPUT_REPORT_LENGTH);
    device->QueueHead = (device->QueueHead + 1) % INPUT_QUEUE_LENGTH;
    --device->QueueCount;
    KeReleaseSpinLock(&Lock, irql);
    return Complete(irp, STATUS_SUCCESS, LT260_INPUT_REPORT_LENGTH);
  }
  for (i = 0; i < MAX_PENDING_READS && device->PendingReads[i] != 0; ++i) {
  }
  if (i == MAX_PENDING_READS) {
    KeReleaseSpinLock(&Lock, irql);
    return Complete(irp, STATUS_DEVICE_BUSY, 0);
  }
  IoMarkIrpPending(irp);
  device->PendingReads[i] = irp;
  IoSetCancelRoutine(irp, CancelRead);
  if (irp->Cancel && IoSetCancelRoutine(irp, 0) != 0) {
    device->PendingReads[i] = 0;
    KeReleaseSpinLock(&Lock, irql);
    Complete(irp, STATUS_CANCELLED, 0);
    return STATUS_PENDING;
  }
  KeReleaseSpinLock(&Lock, irql);
  return STATUS_PENDING;
}

/* The DPI button: the firmware switches its stage and the report goes to the
 * input interface, to a pending read or into its queue. */
static NTSTATUS PressDpi(UCHAR stage) {
  UCHAR report[LT260_INPUT_REPORT_LENGTH];
  VirtualDevice* input = 0;
  PIRP irp = 0;
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  ULONG d;
  KeAcquireSpinLock(&Lock, &irql);
  for (d = 0; d < MAX_DEVICES && input == 0; ++d) {
    if (Devices[d] != 0 && !Devices[d]->Removed && Devices[d]->Interface->Role == RoleMouseInput) {
      input = Devices[d];
    }
  }
  if (input == 0) {
    KeReleaseSpinLock(&Lock, irql);
    return STATUS_DEVICE_NOT_CONNECTED;
  }
  Lt260FirmwarePressDpi(&Firmware, stage, report);
  irp = TakePendingReadLocked(input);
  if (irp != 0) {
    CopyBytes((UCHAR*)irp->UserBuffer, report, LT260_INPUT_REPORT_LENGTH);
    TraceLocked(CONTROL_RECORD_READ, TRUE, 0, report, LT260_INPUT_REPORT_LENGTH);
  } else if (input->QueueCount < INPUT_QUEUE_LENGTH) {
    CopyBytes(input->Queue[(input->QueueHead + input->QueueCount) % INPUT_QUEUE_LENGTH], report,
              LT260_INPUT_REPORT_LENGTH);
    ++input->QueueCount;
  } else {
    status = STATUS_DEVICE_BUSY;
  }
  KeReleaseSpinLock(&Lock, irql);
  if (irp != 0) Complete(irp, STATUS_SUCCESS, LT260_INPUT_REPORT_LENGTH);
  return status;
}

static ULONG Le16(const UCHAR* bytes) { return (ULONG)bytes[0] | ((ULONG)bytes[1] << 8); }

static ULONG Le32(const UCHAR* bytes) {
  return Le16(bytes) | ((ULONG)bytes[2] << 16) | ((ULONG)bytes[3] << 24);
}

static NTSTATUS ControlSet(UCHAR* report, ULONG length) {
  ULONG count, argument;
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  if (length < CONTROL_HEADER_LENGTH || report[0] != CONTROL_REPORT_ID) {
    return STATUS_INVALID_PARAMETER;
  }
  count = Le16(report + 2);
  argument = Le32(report + 4);
  switch (report[1]) {
    case CONTROL_OP_PRESS:
      return argument > 0xFF ? STATUS_INVALID_PARAMETER : PressDpi((UCHAR)argument);
    case CONTROL_OP_REFUSE:
      KeAcquireSpinLock(&Lock, &irql);
      Lt260FirmwareRefuse(&Firmware, argument);
      KeReleaseSpinLock(&Lock, irql);
      return STATUS_SUCCESS;
    case CONTROL_OP_HOLD:
      if (count > CONTROL_PAYLOAD_LENGTH || count > length - CONTROL_HEADER_LENGTH) {
        return STATUS_INVALID_PARAMETER;
      }
      KeAcquireSpinLock(&Lock, &irql);
      if (!Lt260FirmwareHold(&Firmware, report + CONTROL_HEADER_LENGTH, count)) {
        status = STATUS_INVALID_PARAMETER;
      }
      KeReleaseSpinLock(&Lock, irql);
      return status;
    default:
      return STATUS_INVALID_PARAMETER;
  }
}

static NTSTATUS ControlGet(UCHAR* report, ULONG length) {
  KIRQL irql;
  if (length < CONTROL_HEADER_LENGTH) return STATUS_INVALID_BUFFER_SIZE;
  ClearBytes(report, CONTROL_HEADER_LENGTH);
  report[0] = CONTROL_REPORT_ID;
  KeAcquireSpinLock(&Lock, &irql);
  if (TraceCount == 0) {
    report[1] = CONTROL_RECORD_NONE;
    report[7] = (UCHAR)(TraceLost > 0xFF ? 0xFF : TraceLost);
    TraceLost = 0;
  } else {
    const TraceRecord* record = &Trace[TraceHead];
    ULONG count = record->Count;
    if (count > length - CONTROL_HEADER_LENGTH) count = length - CONTROL_HEADER_LENGTH;
    report[1] = record->Kind;
    report[2] = (UCHAR)(count & 0xFF);
    report[3] = (UCHAR)(count >> 8);
    report[4] = (UCHAR)(record->FeatureLength & 0xFF);
    report[5] = (UCHAR)(record->FeatureLength >> 8);
    report[6] = record->Accepted;
    CopyBytes(report + CONTROL_HEADER_LENGTH, record->Bytes, count);
    TraceHead = (TraceHead + 1) % TRACE_LENGTH;
    --TraceCount;
  }
  KeReleaseSpinLock(&Lock, irql);
  return STATUS_SUCCESS;
}

static NTSTATUS DispatchFeature(VirtualDevice* device, PIRP irp, BOOLEAN set,
                                ULONG_PTR* information) {
  HID_XFER_PACKET* packet = (HID_XFER_PACKET*)irp->UserBuffer;
  const VirtualInterface* interface = device->Interface;
  UCHAR* report;
  ULONG length;
  BOOLEAN accepted;
  KIRQL irql;
  if (packet == 0 || packet->reportBuffer == 0 || packet->reportBufferLen == 0) {
    return STATUS_INVALID_PARAMETER;
  }
  report = packet->reportBuffer;
  length = packet->reportBufferLen;
  if (interface->Role == RoleControl) {
    NTSTATUS status = set ? ControlSet(report, length) : ControlGet(report, length);
    *information = length;
    return status;
  }
  /* The other device has no feature reports, and no part in the mouse. */
  if (interface->Role == RoleOther) return STATUS_NOT_SUPPORTED;
  KeAcquireSpinLock(&Lock, &irql);
  if (device->Removed) {
    KeReleaseSpinLock(&Lock, irql);
    return STATUS_DELETE_PENDING;
  }
  accepted = (set ? Lt260FirmwareSetFeature(&Firmware, interface->FeatureLength, report, length)
                  : Lt260FirmwareGetFeature(&Firmware, interface->FeatureLength, report, length))
                 ? TRUE
                 : FALSE;
  TraceLocked(set ? CONTROL_RECORD_SET : CONTROL_RECORD_GET, accepted, interface->FeatureLength,
              report, length);
  KeReleaseSpinLock(&Lock, irql);
  *information = length;
  return accepted ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

static NTSTATUS CopyString(const WCHAR* text, PIRP irp, ULONG length, ULONG_PTR* information) {
  WCHAR* buffer = (WCHAR*)irp->UserBuffer;
  ULONG count = 0, i;
  while (text[count] != 0) ++count;
  if (buffer == 0 || length < (count + 1) * sizeof(WCHAR)) return STATUS_BUFFER_TOO_SMALL;
  for (i = 0; i <= count; ++i) buffer[i] = text[i];
  *information = (count + 1) * sizeof(WCHAR);
  return STATUS_SUCCESS;
}

static NTSTATUS DispatchString(VirtualDevice* device, PIRP irp, ULONG length,
                               ULONG_PTR* information) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  ULONG id = (ULONG)((ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF);
  /* Windows asks for 14, 15 and 16; Wine's class driver for 1, 2 and 3. */
  switch (id) {
    case 1:
    case 14:
      return CopyString(L"Quendra", irp, length, information);
    case 2:
    case 15:
      return CopyString(device->Interface->Product, irp, length, information);
    case 3:
    case 16:
      return CopyString(L"VIRTUAL-0001", irp, length, information);
    default:
      return STATUS_INVALID_PARAMETER;
  }
}

static NTSTATUS NTAPI DispatchInternal(DEVICE_OBJECT* fdo, PIRP irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  VirtualDevice* device = DeviceOf(fdo);
  const VirtualInterface* interface = device->Interface;
  ULONG length = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ULONG_PTR information = 0;
  NTSTATUS status;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case MINIDRIVER_GET_DEVICE_DESCRIPTOR: {
      HID_DESCRIPTOR* descriptor = (HID_DESCRIPTOR*)irp->UserBuffer;
      if (descriptor == 0 || length < sizeof(HID_DESCRIPTOR)) {
        status = STATUS_BUFFER_TOO_SMALL;
        break;
      }
      descriptor->bLength = sizeof(HID_DESCRIPTOR);
      descriptor->bDescriptorType = 0x21;
      descriptor->bcdHID = 0x0111;
      descriptor->bCountry = 0;
      descriptor->bNumDescriptors = 1;
      descriptor->DescriptorList[0].bReportType = 0x22;
      descriptor->DescriptorList[0].wReportLength = interface->ReportDescriptorLength;
      information = sizeof(HID_DESCRIPTOR);
      status = STATUS_SUCCESS;
      break;
    }
    case MINIDRIVER_GET_REPORT_DESCRIPTOR:
      if (irp->UserBuffer == 0 || length < interface->ReportDescriptorLength) {
        status = STATUS_BUFFER_TOO_SMALL;
        break;
      }
      CopyBytes((UCHAR*)irp->UserBuffer, interface->ReportDescriptor,
                interface->ReportDescriptorLength);
      information = interface->ReportDescriptorLength;
      status = STATUS_SUCCESS;
      break;
    case MINIDRIVER_GET_DEVICE_ATTRIBUTES: {
      HID_DEVICE_ATTRIBUTES* attributes = (HID_DEVICE_ATTRIBUTES*)irp->UserBuffer;
      if (attributes == 0 || length < sizeof(HID_DEVICE_ATTRIBUTES)) {
        status = STATUS_BUFFER_TOO_SMALL;
        break;
      }
      ClearBytes(attributes, sizeof(HID_DEVICE_ATTRIBUTES));
      attributes->Size = sizeof(HID_DEVICE_ATTRIBUTES);
      attributes->VendorID = interface->VendorId;
      attributes->ProductID = interface->ProductId;
      attributes->VersionNumber = 0x0100;
      information = sizeof(HID_DEVICE_ATTRIBUTES);
      status = STATUS_SUCCESS;
      break;
    }
    case MINIDRIVER_GET_STRING:
      status = DispatchString(device, irp, length, &information);
      break;
    case MINIDRIVER_READ_REPORT:
      return DispatchRead(device, irp, length);
    case IOCTL_HID_GET_FEATURE:
      status = DispatchFeature(device, irp, FALSE, &information);
      break;
    case IOCTL_HID_SET_FEATURE:
      status = DispatchFeature(device, irp, TRUE, &information);
      break;
    case MINIDRIVER_ACTIVATE_DEVICE:
    case MINIDRIVER_DEACTIVATE_DEVICE:
      status = STATUS_SUCCESS;
      break;
    default:
      status = STATUS_NOT_SUPPORTED;
      break;
  }
  return Complete(irp, status, information);
}

/* The device goes: its pending reads end, and it leaves the table on removal,
 * so that no press reaches it again. */
static void RemoveDevice(VirtualDevice* device, BOOLEAN leaveTable) {
  PIRP reads[MAX_PENDING_READS];
  ULONG count = 0, d;
  KIRQL irql;
  KeAcquireSpinLock(&Lock, &irql);
  device->Removed = TRUE;
  device->QueueCount = 0;
  while (count < MAX_PENDING_READS && (reads[count] = TakePendingReadLocked(device)) != 0) ++count;
  if (leaveTable) {
    for (d = 0; d < MAX_DEVICES; ++d) {
      if (Devices[d] == device) Devices[d] = 0;
    }
  }
  KeReleaseSpinLock(&Lock, irql);
  while (count > 0) Complete(reads[--count], STATUS_DELETE_PENDING, 0);
}

static NTSTATUS NTAPI DispatchPnp(DEVICE_OBJECT* fdo, PIRP irp) {
  HID_DEVICE_EXTENSION* extension = (HID_DEVICE_EXTENSION*)fdo->DeviceExtension;
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->MinorFunction == IRP_MN_SURPRISE_REMOVAL) RemoveDevice(DeviceOf(fdo), FALSE);
  if (stack->MinorFunction == IRP_MN_REMOVE_DEVICE) RemoveDevice(DeviceOf(fdo), TRUE);
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(extension->NextDeviceObject, irp);
}

static NTSTATUS NTAPI AddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* fdo) {
  HID_DEVICE_EXTENSION* extension = (HID_DEVICE_EXTENSION*)fdo->DeviceExtension;
  VirtualDevice* device = DeviceOf(fdo);
  const VirtualInterface* interface;
  WCHAR hardwareIds[256];
  ULONG size = 0, d;
  KIRQL irql;
  NTSTATUS status;
  (void)driver;
  status = IoGetDeviceProperty(extension->PhysicalDeviceObject, DevicePropertyHardwareID,
                               sizeof hardwareIds, hardwareIds, &size);
  if (!NT_SUCCESS(status)) return status;
  if (size > sizeof hardwareIds) size = sizeof hardwareIds;
  interface = FindVirtualInterface(hardwareIds, size / sizeof(WCHAR));
  if (interface == 0) return STATUS_NOT_SUPPORTED;
  ClearBytes(device, sizeof *device);
  device->Interface = interface;
  KeAcquireSpinLock(&Lock, &irql);
  for (d = 0; d < MAX_DEVICES && Devices[d] != 0; ++d) {
  }
  if (d < MAX_DEVICES) Devices[d] = device;
  KeReleaseSpinLock(&Lock, irql);
  if (d == MAX_DEVICES) return STATUS_INSUFFICIENT_RESOURCES;
  fdo->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

static void NTAPI Unload(DRIVER_OBJECT* driver) { (void)driver; }

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, PUNICODE_STRING registryPath) {
  HID_MINIDRIVER_REGISTRATION registration;
  KeInitializeSpinLock(&Lock);
  Lt260FirmwareReset(&Firmware);
  driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = DispatchInternal;
  driver->DriverExtension->AddDevice = AddDevice;
  driver->DriverUnload = Unload;
  ClearBytes(&registration, sizeof registration);
  registration.Revision = HID_REVISION;
  registration.DriverObject = driver;
  registration.RegistryPath = registryPath;
  registration.DeviceExtensionSize = sizeof(VirtualDevice);
  registration.DevicesArePolled = FALSE;
  return HidRegisterMinidriver(&registration);
}
