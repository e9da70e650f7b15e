// What a test, or a program it ran, wrote into a file: the file whole, or its
// lines.
#pragma once
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kestrel::testing {

// The file byte for byte; "" when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Its lines without their ends; a last line without one counts too.
inline std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline size_t CountLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  size_t count = 0;
  for (std::string line; std::getline(in, line);) ++count;
  return count;
}

}  // namespace kestrel::testing
