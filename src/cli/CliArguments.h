#pragma once

#include <optional>
#include <span>
#include <string>

namespace lt260 {

enum class Verb { List, Apply, Read, Dump, Watch, Caps, Agent, UdevRule, Help };
enum class DeviceChoice { System, Simulated };

struct CliArguments {
  Verb Command = Verb::Help;
  DeviceChoice Device = DeviceChoice::System;
  std::optional<std::string> SettingsPath;
  // From 1, as the user counts profiles; none for the active profile.
  std::optional<int> Profile;
  bool Json = false;
  std::string File;
};

struct ParsedArguments {
  CliArguments Arguments;
  // Empty when the command line was understood.
  std::string Error;
};

// lt260ctl [--device sim|system] VERB [options]; options may stand anywhere
// after the program name.
ParsedArguments ParseCliArguments(std::span<const std::string> args);

inline constexpr char kUsage[] =
    "usage: lt260ctl [--device system|sim] VERB\n"
    "  list                         the mouse's interfaces with their report lengths\n"
    "  apply [--settings FILE] [--profile N]\n"
    "                               program the mouse with a profile (default: the active one)\n"
    "  read [--json] [--settings FILE]\n"
    "                               read the mouse back and print the profile\n"
    "  dump                         the mouse's reports 3 and 4 as hex\n"
    "  watch                        print DPI-stage presses as they come\n"
    "  caps FILE                    report lengths of a report descriptor file\n"
    "  agent [--settings FILE]      keep the mouse and the settings file in step\n"
    "  udev-rule                    the udev rule that lets the logged-in user use the mouse\n";

}  // namespace lt260
