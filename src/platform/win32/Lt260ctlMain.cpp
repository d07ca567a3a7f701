#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#include "platform/win32/Win32CliPlatform.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  lt260::Win32CliPlatform platform;
  return lt260::RunCli(args, std::cout, std::cerr, platform);
}
