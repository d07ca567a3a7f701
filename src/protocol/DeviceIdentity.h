/*
 * The LT-260 as the system sees it: the vendor and product ids it is sold
 * under and the length of its input reports. Plain C needing no header, so
 * that the firmware model and the virtual mouse's kernel-mode driver share it
 * with the Agent; C++ gets the same values as typed constants.
 */
#ifndef LT260_DEVICE_IDENTITY_H
#define LT260_DEVICE_IDENTITY_H

enum {
  LT260_VENDOR_ID = 0x3938,
  LT260_PRODUCT_ID = 0x1101,
  /* The second vendor and product the LT-260 is sold under. Either accepted
   * vendor goes with either accepted product. */
  LT260_SECOND_VENDOR_ID = 0x1B80,
  LT260_SECOND_PRODUCT_ID = 0xB412,
  /* The input reports, report ID included: the DPI button's 02 00 stage 00. */
  LT260_INPUT_REPORT_ID = 0x02,
  LT260_INPUT_REPORT_LENGTH = 4
};

#ifdef __cplusplus
#include <cstdint>

namespace lt260 {

inline constexpr uint16_t kVendorId = LT260_VENDOR_ID;
inline constexpr uint16_t kProductId = LT260_PRODUCT_ID;
inline constexpr uint16_t kSecondVendorId = LT260_SECOND_VENDOR_ID;
inline constexpr uint16_t kSecondProductId = LT260_SECOND_PRODUCT_ID;
inline constexpr uint8_t kInputReportId = LT260_INPUT_REPORT_ID;
inline constexpr int kInputReportLength = LT260_INPUT_REPORT_LENGTH;

}  // namespace lt260
#endif

#endif
