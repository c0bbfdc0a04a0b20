// The shell on the process's real standard input and output.

#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "shell/command_shell.h"
#include "shell/standard_streams.h"

namespace ql {

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

struct ReadCase {
  const char* name;
  std::string input;
  std::vector<std::string> lines;  // each line read, up to the end of input
};

TEST(StandardStreams, ReadLineReturnsWholeLinesWithoutTheirEnds) {
  const ReadCase cases[] = {
      {"lines", "abc\r\n\nlast", {"abc", "", "last"}},
      {"empty input", "", {}},
      {"longer than the token prefix", std::string(400, 'a') + "\nb\n", {std::string(400, 'a'), "b"}},
      {"NUL kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  for (const ReadCase& c : cases) {
    StandardStreams io;
    RedirectedStream input(stdin, c.input);
    std::string line;
    for (const std::string& expected : c.lines) {
      EXPECT_EQ(io.ReadLine(line), LineRead::kLine) << c.name;
      EXPECT_EQ(line, expected) << c.name;
    }
    EXPECT_EQ(io.ReadLine(line), LineRead::kEnd) << c.name;
  }
}

TEST(StandardStreams, RunWritesMarkupAsTextAndEndsAtTheEndOfInput) {
  std::string output;
  {
    StandardStreams io;
    CommandShell shell(io, {.reportUnknown = true});
    RedirectedStream input(stdin, "foo bar\n-open\nh\n");
    RedirectedStream captured(stdout, "");
    shell.Run();
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

}  // namespace ql
