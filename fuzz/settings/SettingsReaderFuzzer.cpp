// Arbitrary bytes as the settings file: the record read from it and validated
// must be in range, whatever the file holds.
#include <memory>

#include "common/ValidatedRangeChecks.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const lt260::IniDocument document = lt260::IniDocument::Parse(std::span(data, size));
  auto settings = std::make_unique<lt260::SettingsFile>();
  lt260::ReadSettingsFile(document, *settings);
  lt260::ValidateSettings(*settings);
  lt260::fuzzing::CheckValidatedSettings(*settings);
  return 0;
}
