#include "tools.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string_view>

#include "support/run_program.h"

namespace ql {

namespace installtest {

std::string FindTool(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

testsupport::ProgramRun RunTool(const std::vector<std::string>& command, const std::string& directory,
                                int timeoutSeconds) {
  testsupport::ProgramOptions options;
  options.program = FindTool(command.front());
  if (options.program.empty()) {
    ADD_FAILURE() << command.front() << " is not installed";
    return {};
  }
  options.arguments.assign(command.begin() + 1, command.end());
  options.workingDirectory = directory;
  options.timeoutSeconds = timeoutSeconds;
  return testsupport::RunProgram("", options);
}

std::string MissingTools(const std::vector<std::string>& tools) {
  std::string missing;
  for (const std::string& tool : tools) {
    if (FindTool(tool).empty()) missing += (missing.empty() ? "" : " ") + tool;
  }
  return missing;
}

}  // namespace installtest

}  // namespace ql
