// The game's data.kpk cut short: enough for the pictures, not for the
// sounds, so that loading ends on an engine error after the scratch folder
// was made, and the report is shown in a box.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kestrel::testing {

inline void WriteDataCutShort(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::ifstream in(from, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(to, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() * 2 / 3));
}

}  // namespace kestrel::testing
