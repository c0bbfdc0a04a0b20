#pragma once
// The file that keeps the lines typed at the terminal from one run to the next.
//
// One entry a line. A statement typed over several lines is one entry: its line ends are written
// "\n", a carriage return "\r", a NUL "\0" and a backslash "\\", so that every entry reads back as
// it was. Entries are only ever appended, each with one write, so that two programs typing into the
// same file at once do not mix their lines.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ql::console {

class HistoryFile {
 public:
  // Opens `path` for appending; a missing file is created with mode 0600. A regular file that
  // others may read or write is narrowed to its owner's rights (never widened). Null, with `why`
  // saying why, when the file cannot be opened.
  static std::unique_ptr<HistoryFile> Open(const std::string& path, std::string& why);
  ~HistoryFile();
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;

  // The newest `count` entries, oldest first; a line longer than kLongestLine bytes is skipped, so
  // that the entries read take count * kLongestLine bytes at most.
  // Nothing when the file is not a regular file (/dev/null, a pipe).
  std::vector<std::string> ReadEntries(std::size_t count);
  // Appends one entry; false when it could not be written whole, or when its line would be longer
  // than kLongestLine (it could not be read back).
  bool Append(std::string_view entry);

  static constexpr std::size_t kLongestLine = std::size_t{64} << 10;

  // The line that stands for `entry` in the file, and back.
  static std::string Encode(std::string_view entry);
  static std::string Decode(std::string_view line);

 private:
  HistoryFile(int descriptor, bool regular) : descriptor_(descriptor), regular_(regular) {}

  int descriptor_;
  bool regular_;
};

}  // namespace ql::console
