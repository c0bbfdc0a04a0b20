#pragma once
// The shell's I/O on the process's standard input and output: lines from standard input, the
// shell's texts written to standard output as they are, markup included.

#include <string>
#include <string_view>

#include "shell/shell_io.h"

namespace ql::shell {

class StandardStreams final : public ShellIo {
 public:
  LineRead ReadLine(std::string& line) override;
  void Write(std::string_view markup) override;
};

}  // namespace ql::shell
