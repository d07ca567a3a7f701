#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#include "platform/linux/LinuxCliPlatform.h"

int main(int argc, char** argv) {
  lt260::LinuxCliPlatform::BlockTerminationSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  lt260::LinuxCliPlatform platform;
  return lt260::RunCli(args, std::cout, std::cerr, platform);
}
