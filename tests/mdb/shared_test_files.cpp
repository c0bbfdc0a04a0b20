#include "shared_test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace ql {

namespace mdbtest {

std::string SharedTestFile(const std::string& name) {
  const std::filesystem::path path = std::filesystem::path(QL_SOURCE_DIR) / ".." / "shared" / "testdata" / name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  return std::filesystem::weakly_canonical(path, error).string();
}

std::string FileDigest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // FNV-1a over the bytes, and their count.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ULL;
  return std::to_string(bytes.size()) + ":" + std::to_string(hash);
}

}  // namespace mdbtest

}  // namespace ql
