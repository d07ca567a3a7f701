#include "cli/CliArguments.h"

#include <charconv>
#include <map>

namespace lt260 {

ParsedArguments ParseCliArguments(std::span<const std::string> args) {
  static const std::map<std::string, Verb> verbs = {
      {"list", Verb::List},   {"apply", Verb::Apply},
      {"read", Verb::Read},   {"dump", Verb::Dump},
      {"watch", Verb::Watch}, {"caps", Verb::Caps},
      {"agent", Verb::Agent}, {"udev-rule", Verb::UdevRule},
      {"help", Verb::Help},   {"--help", Verb::Help},
      {"-h", Verb::Help}};
  ParsedArguments parsed;
  CliArguments& result = parsed.Arguments;
  bool haveVerb = false;
  bool haveFile = false;
  auto fail = [&](std::string message) {
    parsed.Error = std::move(message);
    return parsed;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    if (arg == "--device") {
      const std::string* device = value();
      if (device == nullptr) return fail("--device needs system or sim");
      if (*device == "sim") {
        result.Device = DeviceChoice::Simulated;
      } else if (*device == "system") {
        result.Device = DeviceChoice::System;
      } else {
        return fail("--device " + *device + ": expected system or sim");
      }
    } else if (arg == "--settings") {
      const std::string* path = value();
      if (path == nullptr || path->empty()) return fail("--settings needs a file");
      result.SettingsPath = *path;
    } else if (arg == "--profile") {
      const std::string* number = value();
      int profile = 0;
      if (number == nullptr) return fail("--profile needs a number");
      const auto [end, error] =
          std::from_chars(number->data(), number->data() + number->size(), profile);
      if (error != std::errc() || end != number->data() + number->size() || profile < 1) {
        return fail("--profile " + *number + ": expected a profile number from 1");
      }
      result.Profile = profile;
    } else if (arg == "--json") {
      result.Json = true;
    } else if (!haveVerb && verbs.contains(arg)) {
      result.Command = verbs.at(arg);
      haveVerb = true;
    } else if (haveVerb && result.Command == Verb::Caps && !haveFile && !arg.starts_with("--")) {
      result.File = arg;
      haveFile = true;
    } else {
      return fail(haveVerb || arg.starts_with("-") ? "unexpected argument " + arg
                                                   : "unknown verb " + arg);
    }
  }
  if (!haveVerb) return fail("no verb given");
  if (result.Command == Verb::Caps && !haveFile) return fail("caps needs a descriptor file");
  if (result.Json && result.Command != Verb::Read) return fail("--json goes with read only");
  if (result.Profile && result.Command != Verb::Apply)
    return fail("--profile goes with apply only");
  return parsed;
}

}  // namespace lt260
