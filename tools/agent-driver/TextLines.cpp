#include "TextLines.h"

#include <fstream>

namespace lt260::driver {

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  // A line being written just now may be cut; it is read whole next time.
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace lt260::driver
