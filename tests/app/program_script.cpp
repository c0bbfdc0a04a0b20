#include "program_script.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "support/temporary_directory.h"

namespace apptest {

testsupport::ProgramRun RunScript(std::string_view script) {
  const testsupport::TemporaryDirectory directory;
  const std::filesystem::path sample = std::filesystem::path(QL_BUILD_DIR) / "sample.db";
  std::error_code copyError;
  std::filesystem::copy_file(sample, directory / "sample.db", copyError);
  EXPECT_FALSE(copyError) << sample << " is missing: build the sample_db target first";
  testsupport::ProgramOptions options;
  options.workingDirectory = directory.Path().string();
  return testsupport::RunProgram(script, options);
}

std::string Transcript(std::string_view script) {
  const testsupport::ProgramRun run = RunScript(script);
  EXPECT_EQ(run.exitCode, 0) << script;
  EXPECT_EQ(run.errors, "") << script;
  const std::string& output = run.output;
  const bool closed = output.size() >= kClosingLines.size() &&
                      output.compare(output.size() - kClosingLines.size(), std::string::npos,
                                     kClosingLines) == 0;
  EXPECT_TRUE(closed) << "no closing lines after:\n" << script << "\noutput:\n" << output;
  return closed ? output.substr(0, output.size() - kClosingLines.size()) : output;
}

}  // namespace apptest
