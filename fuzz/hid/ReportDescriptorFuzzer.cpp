// Feeds arbitrary bytes to the report-descriptor parser, both as a raw
// descriptor and as the text form a descriptor file may hold, and checks the
// invariants every answer keeps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "hid/DescriptorText.h"
#include "hid/ReportDescriptor.h"

namespace {

void Check(const lt260::DescriptorParse& parse, std::size_t size) {
  if (!parse.Ok() && (!parse.Collections.empty() || parse.ErrorOffset > size)) std::abort();
  if (parse.Collections.size() > static_cast<std::size_t>(lt260::kMaxTopLevelCollections)) {
    std::abort();
  }
  for (const lt260::CollectionCaps& caps : parse.Collections) {
    for (int length : {caps.InputReportLength, caps.OutputReportLength, caps.FeatureReportLength}) {
      if (length < 0 || length > static_cast<int>(lt260::kMaxReportBytes) || length == 1) {
        std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Check(lt260::ParseReportDescriptor(bytes), size);

  const lt260::DescriptorBytes file =
      lt260::ReadDescriptorContent(std::string_view(reinterpret_cast<const char*>(data), size));
  if (file.Bytes.size() > size) std::abort();
  Check(lt260::ParseReportDescriptor(file.Bytes), file.Bytes.size());
  return 0;
}
