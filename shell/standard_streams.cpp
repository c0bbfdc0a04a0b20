#include "shell/standard_streams.h"

#include <cstdio>

namespace ql::shell {

LineRead StandardStreams::ReadLine(std::string& line) {
  line.clear();
  bool any = false;
  bool tooLong = false;
  for (;;) {
    const int ch = std::getchar();
    if (ch == EOF) {
      if (!any) return LineRead::kEnd;
      break;
    }
    any = true;
    if (ch == '\n') break;
    if (tooLong) continue;
    if (line.size() == kMaxLineBytes) {
      tooLong = true;
      std::string().swap(line);
      continue;
    }
    line += static_cast<char>(ch);
  }
  if (tooLong) return LineRead::kTooLong;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineRead::kLine;
}

void StandardStreams::Write(std::string_view markup) { std::fwrite(markup.data(), 1, markup.size(), stdout); }

}  // namespace ql::shell
