// The history file: opening it with the owner's rights only, reading its newest entries, appending.

#include "console/terminal/history_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>

namespace ql::console {

std::unique_ptr<HistoryFile> HistoryFile::Open(const std::string& path, std::string& why) {
  // Not blocking on the way in: a FIFO named by mistake would otherwise wait for a writer.
  const int descriptor =
      ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, S_IRUSR | S_IWUSR);
  if (descriptor < 0) {
    why = std::strerror(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    why = std::strerror(errno);
    ::close(descriptor);
    return nullptr;
  }
  const bool regular = S_ISREG(status.st_mode);
  // Only a file of one's own, and only ever narrowed: the lines typed are nobody else's to read.
  if (regular && status.st_uid == ::geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    ::fchmod(descriptor, status.st_mode & S_IRWXU);
  }
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
  return std::unique_ptr<HistoryFile>(new HistoryFile(descriptor, regular));
}

HistoryFile::~HistoryFile() { ::close(descriptor_); }

std::vector<std::string> HistoryFile::ReadEntries(std::size_t count) {
  std::deque<std::string> newest;
  if (!regular_ || count == 0) return {};
  std::string line;
  bool skipping = false;  // the line under way is too long to keep
  const auto endLine = [&] {
    if (!skipping && !line.empty()) {
      newest.push_back(Decode(line));
      if (newest.size() > count) newest.pop_front();
    }
    line.clear();
    skipping = false;
  };
  char block[1 << 16];
  off_t offset = 0;
  for (;;) {
    const ssize_t got = ::pread(descriptor_, block, sizeof block, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    offset += got;
    std::string_view rest(block, static_cast<std::size_t>(got));
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view piece = rest.substr(0, end);
      if (!skipping && line.size() + piece.size() > kLongestLine) {
        skipping = true;
        std::string().swap(line);
      }
      if (!skipping) line.append(piece);
      if (end == std::string_view::npos) break;
      endLine();
      rest.remove_prefix(end + 1);
    }
  }
  endLine();
  return std::vector<std::string>(newest.begin(), newest.end());
}

bool HistoryFile::Append(std::string_view entry) {
  std::string line = Encode(entry);
  if (line.size() > kLongestLine) return false;
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t put = ::write(descriptor_, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

std::string HistoryFile::Encode(std::string_view entry) {
  std::string line;
  line.reserve(entry.size());
  for (const char ch : entry) {
    switch (ch) {
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\0':
        line += "\\0";
        break;
      case '\\':
        line += "\\\\";
        break;
      default:
        line += ch;
    }
  }
  return line;
}

// A backslash before any other byte, or at the end, stands for itself.
std::string HistoryFile::Decode(std::string_view line) {
  std::string entry;
  entry.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\' || i + 1 == line.size()) {
      entry += line[i];
      continue;
    }
    switch (line[i + 1]) {
      case 'n':
        entry += '\n';
        break;
      case 'r':
        entry += '\r';
        break;
      case '0':
        entry += '\0';
        break;
      case '\\':
        entry += '\\';
        break;
      default:
        entry += line[i];
        continue;
    }
    ++i;
  }
  return entry;
}

}  // namespace ql::console
