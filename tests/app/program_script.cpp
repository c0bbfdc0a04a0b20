#include "program_script.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "support/temporary_directory.h"

namespace ql {

namespace apptest {

testsupport::ProgramRun RunScript(std::string_view script) {
  const testsupport::TemporaryDirectory directory;
  const std::filesystem::path sample = QL_TEST_SAMPLE_DB;
  std::error_code copyError;
  std::filesystem::copy_file(sample, directory / "sample.db", copyError);
  EXPECT_FALSE(copyError) << sample << " is missing: build the test_sample_db target first";
  testsupport::ProgramOptions options;
  options.workingDirectory = directory.Path().string();
  return testsupport::RunProgram(script, options);
}

std::string Transcript(std::string_view script) {
  SCOPED_TRACE(std::string(script));
  return testsupport::Transcript(RunScript(script));
}

}  // namespace apptest

}  // namespace ql
