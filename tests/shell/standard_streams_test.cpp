// The base shell on the process's real standard input and output.

#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "shell/command_shell.h"

namespace shell {
namespace {

// Puts a temporary file behind one standard stream for the lifetime of the object.
class RedirectedStream {
 public:
  RedirectedStream(FILE* stream, const std::string& content) : stream(stream) {
    std::fflush(stream);
    __fpurge(stream);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fflush(file);
    std::rewind(file);
    saved = dup(fileno(stream));
    dup2(fileno(file), fileno(stream));
    std::clearerr(stream);
  }
  ~RedirectedStream() {
    Restore();
    std::fclose(file);
  }

  // Puts the original stream back and returns what the file holds.
  std::string Restore() {
    if (saved >= 0) {
      std::fflush(stream);
      __fpurge(stream);
      dup2(saved, fileno(stream));
      close(saved);
      saved = -1;
      std::clearerr(stream);
    }
    std::string content;
    std::rewind(file);
    for (int ch; (ch = std::fgetc(file)) != EOF;) content += static_cast<char>(ch);
    return content;
  }

 private:
  FILE* stream;
  FILE* file = std::tmpfile();
  int saved = -1;
};

class StandardStreamShell : public CommandShell {
 public:
  StandardStreamShell() : CommandShell(false, false) {}
  using CommandShell::ReadLine;
};

struct ReadCase {
  const char* name;
  std::string input;
  std::vector<std::pair<std::string, std::int32_t>> reads;  // text and count, up to the first 0
};

TEST(StandardStreams, ReadLineReturnsOneLineWithoutItsEndAndKeepsTheRest) {
  const ReadCase cases[] = {
      {"lines", "abc\r\n\nlast", {{"abc", 5}, {"", 1}, {"last", 4}, {"", 0}}},
      {"empty input", "", {{"", 0}}},
      {"longer than the buffer",
       std::string(400, 'a') + "\nb\n",
       {{std::string(319, 'a'), 319}, {std::string(81, 'a'), 82}, {"b", 2}, {"", 0}}},
      {"exactly filling the buffer",
       std::string(319, 'c') + "\n",
       {{std::string(319, 'c'), 320}, {"", 0}}},
  };
  for (const ReadCase& c : cases) {
    StandardStreamShell shell;
    RedirectedStream input(stdin, c.input);
    for (const auto& [text, count] : c.reads) {
      char buffer[CommandShell::kLineSize];
      std::fill(std::begin(buffer), std::end(buffer), 'X');
      EXPECT_EQ(shell.ReadLine(buffer, sizeof buffer), count) << c.name;
      EXPECT_EQ(std::string(buffer), text) << c.name;
    }
  }
}

TEST(StandardStreams, RunWritesMarkupAsTextAndEndsAtTheEndOfInput) {
  std::string output;
  {
    StandardStreamShell shell;
    shell.reportUnknown = true;
    RedirectedStream input(stdin, "foo bar\n-open\nh\n");
    RedirectedStream captured(stdout, "");
    EXPECT_EQ(shell.Run(), 1);
    output = captured.Restore();
  }
  EXPECT_EQ(output,
            "#07-#07Unknown command> #09FOO #09bar #07Press 'H' for help\n"
            "#07-#07Unknown command> #0a- #09open #07Press 'H' for help\n"
            "#07-#09H #0f: Help\n#09Q #0f: Quit\n"
            "#07-");
}

}  // namespace
}  // namespace shell
