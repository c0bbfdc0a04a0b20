// `cmake --install` into a temporary prefix: what it puts where, and that the installed program
// runs the README's first session from a folder of its own, on the SQL installed beside it.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/readme_session.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"
#include "tools.h"

namespace ql {

namespace {

using installtest::RunTool;
namespace fs = std::filesystem;

TEST(InstallTest, InstallsProgramManualAndDocumentation) {
  const testsupport::TemporaryDirectory prefix;
  const auto install = RunTool({QL_CMAKE, "--install", QL_BUILD_DIR, "--prefix", prefix.Path().string()});
  ASSERT_EQ(install.exitCode, 0) << install.output << install.errors;

  struct Installed {
    const char* path;
    mode_t mode;
  };
  const Installed files[] = {
      {"bin/queryloom", 0755},
      {"share/man/man1/queryloom.1", 0644},
      {"share/doc/queryloom/README.md", 0644},
      {"share/doc/queryloom/sample.sql", 0644},
      {"share/doc/queryloom/copyright", 0644},
  };
  for (const Installed& file : files) {
    struct stat status {};
    ASSERT_EQ(::stat((prefix / file.path).c_str(), &status), 0) << file.path << " is missing";
    EXPECT_EQ(status.st_mode & 07777, file.mode) << file.path;
  }

  // A newcomer's first session, in a folder far from the build tree.
  const testsupport::TemporaryDirectory work;
  const std::string sql = (prefix / "share/doc/queryloom/sample.sql").string();
  const auto sample = RunTool({QL_SQLITE3_SHELL, "-bail", "sample.db", ".read " + sql}, work.Path().string());
  ASSERT_EQ(sample.exitCode, 0) << sample.errors;
  const auto session = testsupport::ReadmeFirstSession();
  testsupport::ProgramOptions options;
  options.program = (prefix / "bin/queryloom").string();
  options.workingDirectory = work.Path().string();
  const auto run = testsupport::RunProgram(session.script, options);
  EXPECT_EQ(run.output, session.expected);
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.exitCode, 0);

  const auto version = RunTool({options.program, "--version"}, work.Path().string());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output.rfind("queryloom " QL_VERSION "\n", 0), 0u) << version.output;
}

}  // namespace

}  // namespace ql
