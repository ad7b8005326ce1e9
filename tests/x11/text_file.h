#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane::x11test {

/// The whole content of a file; empty when it cannot be read.
[[nodiscard]] inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace corvane::x11test
