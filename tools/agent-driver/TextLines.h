#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lt260::driver {

// Every line of a text file, without line ends; empty when it does not exist.
std::vector<std::string> ReadTextLines(const std::filesystem::path& path);

}  // namespace lt260::driver
