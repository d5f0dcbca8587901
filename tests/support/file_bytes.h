#pragma once
// Whole files as byte strings, for tests that inspect or damage what the system wrote.
#include <fstream>
#include <iterator>
#include <string>

namespace ostrada::testing {

// Empty when the file cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace ostrada::testing
