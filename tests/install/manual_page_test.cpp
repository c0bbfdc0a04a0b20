// The manual page: it renders without a warning, has the usual sections, names the program's
// version, and describes every command the program's help lists.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "tools.h"

namespace ql {

namespace {

using installtest::RunTool;

const std::string kPage = QL_SOURCE_DIR "/doc/queryloom.1";

std::string PageText() {
  std::ifstream file(kPage);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ManualPageTest, RendersWithoutWarnings) {
  QL_REQUIRE_TOOLS("groff");
  // As man shows it on terminals of 80 and 66 columns, where a long word can leave a line that
  // cannot be adjusted, and as typeset.
  const std::vector<std::string> devices[] = {{"-Tutf8", "-rLL=78n"}, {"-Tutf8", "-rLL=64n"}, {"-Tps"}};
  for (const std::vector<std::string>& device : devices) {
    std::vector<std::string> command = {"groff", "-man", "-ww", "-z", kPage};
    command.insert(command.begin() + 4, device.begin(), device.end());
    const auto groff = RunTool(command);
    EXPECT_EQ(groff.exitCode, 0) << device.back();
    EXPECT_EQ(groff.errors, "") << device.back();
  }
  // mandoc is stricter about style; it is not on every machine.
  if (!installtest::FindTool("mandoc").empty()) {
    const auto mandoc = RunTool({"mandoc", "-T", "lint", "-W", "style", kPage});
    EXPECT_EQ(mandoc.exitCode, 0);
    EXPECT_EQ(mandoc.output + mandoc.errors, "");
  }
}

TEST(ManualPageTest, HasTheUsualSectionsAndTheProgramsVersion) {
  const std::string page = PageText();
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "CONNECTION STRINGS",
                              "KEYS AT THE TERMINAL", "ENVIRONMENT", "EXIT STATUS", "FILES", "EXAMPLES", "SEE ALSO"}) {
    EXPECT_NE(page.find("\n.SH " + std::string(section) + "\n"), std::string::npos) << section;
  }
  for (const char* variable :
       {"NO_COLOR", "TERM", "QUERYLOOM_HISTORY", "ODBCINI", "ODBCSYSINI", "PGPASSWORD", "PGPASSFILE", "PGOPTIONS"}) {
    EXPECT_NE(page.find("\n.B " + std::string(variable) + "\n"), std::string::npos) << variable;
  }
  EXPECT_EQ(page.rfind(".TH QUERYLOOM 1 ", 0), 0u);
  EXPECT_NE(page.find(" \"queryloom " QL_VERSION "\" "), std::string::npos) << "the title names another version";
}

// Every command the program registers is listed by its help command as "NAME : text"; each must
// have an entry of its own in COMMANDS, which starts with the command's word in bold.
TEST(ManualPageTest, DescribesEveryCommandOfTheProgram) {
  const std::string page = PageText();
  const std::size_t begin = page.find("\n.SH COMMANDS\n");
  ASSERT_NE(begin, std::string::npos);
  const std::string commands = page.substr(begin, page.find("\n.SH ", begin + 1) - begin);

  const auto help = testsupport::RunProgram("h\n");
  std::istringstream listing(help.output);
  int listed = 0;
  for (std::string line; std::getline(listing, line);) {
    const std::size_t separator = line.find(" : ");
    if (separator == std::string::npos) continue;
    ++listed;
    std::string word = line.substr(0, separator);
    word.erase(0, word.find_first_not_of('-'));  // the prompt before the first line
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool described = commands.find("\n.TP\n.B " + word + "\n") != std::string::npos ||
                           commands.find("\n.TP\n.BI " + word + " ") != std::string::npos ||
                           commands.find("\n.TP\n.BR " + word + " ") != std::string::npos;
    EXPECT_TRUE(described) << "the manual page does not describe " << word;
  }
  EXPECT_GE(listed, 14) << help.output;
}

}  // namespace

}  // namespace ql
