#pragma once

#include <ostream>
#include <span>
#include <string>

#include "cli/CliPlatform.h"

namespace lt260 {

// lt260ctl as a function: the arguments after the program name, where the
// results go, where errors go (one line each), and the platform. Returns the
// exit status (see ExitStatus).
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           CliPlatform& platform);

// The udev rule that gives the logged-in user the LT-260's hidraw nodes.
std::string UdevRuleText();

}  // namespace lt260
