#include "support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "support/child_process.h"

namespace ql {

namespace testsupport {

namespace {

// The spawn attributes and file actions, released on every road out.
class SpawnSetup {
 public:
  SpawnSetup() {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawnattr_init(&attributes_);
    // The test ignores SIGPIPE; the program starts with the default disposition, as from a shell.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
    ::posix_spawnattr_setsigmask(&attributes_, &noneBlocked);
    ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~SpawnSetup() {
    ::posix_spawnattr_destroy(&attributes_);
    ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t* Actions() { return &actions_; }
  const posix_spawnattr_t* Attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

// Both ends close on exec; the child gets its end through dup2 only.
struct Pipe {
  int read = -1;
  int write = -1;
  bool Open() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    read = ends[0];
    write = ends[1];
    return true;
  }
  void Close() {
    if (read >= 0) ::close(read);
    if (write >= 0) ::close(write);
    read = write = -1;
  }
};

}  // namespace

std::optional<StartedProgram> StartProgram(const ProgramOptions& options) {
  Pipe input, output, errors;
  if (!input.Open() || !output.Open() || !errors.Open()) {
    input.Close();
    output.Close();
    errors.Close();
    ADD_FAILURE() << "cannot make pipes: " << std::strerror(errno);
    return std::nullopt;
  }
  SpawnSetup setup;
  ::posix_spawn_file_actions_adddup2(setup.Actions(), input.read, STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(setup.Actions(), output.write, STDOUT_FILENO);
  ::posix_spawn_file_actions_adddup2(setup.Actions(), errors.write, STDERR_FILENO);
  if (!options.workingDirectory.empty()) {
    ::posix_spawn_file_actions_addchdir_np(setup.Actions(), options.workingDirectory.c_str());
  }
  std::vector<std::string> arguments{options.program};
  arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> environment = ChildEnvironment(options);
  std::vector<char*> argv = ExecArray(arguments);
  std::vector<char*> envp = ExecArray(environment);

  pid_t pid = -1;
  const int failed =
      ::posix_spawn(&pid, options.program.c_str(), setup.Actions(), setup.Attributes(), argv.data(), envp.data());
  // The child's ends belong to the child now.
  ::close(input.read);
  ::close(output.write);
  ::close(errors.write);
  if (failed != 0) {
    ::close(input.write);
    ::close(output.read);
    ::close(errors.read);
    ADD_FAILURE() << "cannot start " << options.program << ": " << std::strerror(failed);
    return std::nullopt;
  }
  return StartedProgram{pid, {input.write, true, output.read, errors.read}};
}

ProgramRun RunProgram(std::string_view script, const ProgramOptions& options) {
  const std::optional<StartedProgram> started = StartProgram(options);
  if (!started) return {};
  return Supervise(started->pid, script, started->channels, options);
}

}  // namespace testsupport

}  // namespace ql
