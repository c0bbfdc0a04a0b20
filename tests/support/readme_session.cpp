#include "support/readme_session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ql {

namespace testsupport {

// In the README a line that starts with "-" and a letter is the prompt and what the user typed,
// every other line of the block is output. Piped, the program prints the same without the typed
// text.
ReadmeSession ReadmeFirstSession() {
  std::ifstream file(std::string(QL_SOURCE_DIR) + "/README.md");
  std::stringstream readme;
  readme << file.rdbuf();
  const std::string text = readme.str();
  const std::size_t heading = text.find("## A first session");
  const std::size_t begin = text.find("```text\n", heading == std::string::npos ? text.size() : heading);
  const std::size_t end = begin == std::string::npos ? begin : text.find("```\n", begin + 8);
  if (end == std::string::npos) {
    ADD_FAILURE() << "README.md has no \"A first session\" section with a text block";
    return {};
  }
  ReadmeSession session;
  std::istringstream block(text.substr(begin + 8, end - begin - 8));
  for (std::string line; std::getline(block, line);) {
    if (line.size() > 1 && line[0] == '-' && line[1] != '-') {
      session.script += line.substr(1) + "\n";
      session.expected += "-";
    } else {
      session.expected += line + "\n";
    }
  }
  return session;
}

}  // namespace testsupport

}  // namespace ql
