#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

extern char** environ;

namespace ql {

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

void CloseIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void MakeNonBlocking(int fd) {
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// One read of what is there; false once the child's side is closed (a terminal reports that as
// EIO). One read a time, so that the output limit is checked while a child floods its output.
bool Drain(int fd, std::string& into) {
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      into.append(chunk, static_cast<std::size_t>(got));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

void RecordStatus(int status, ProgramRun& run) {
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
}

std::string Describe(const ProgramOptions& options, const ProgramRun& run) {
  return options.program + "\n--- output so far ---\n" + run.output + "\n--- errors so far ---\n" + run.errors;
}

}  // namespace

std::vector<std::string> ChildEnvironment(const ProgramOptions& options) {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::string name = text.substr(0, text.find('='));
    if (options.environment.count(name) == 0) entries.push_back(text);
  }
  for (const auto& [name, value] : options.environment) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

std::vector<char*> ExecArray(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

ProgramRun Supervise(pid_t pid, std::string_view script, ChildChannels channels, const ProgramOptions& options) {
  // A child that quits before reading all of its script must not take the test down with it.
  std::signal(SIGPIPE, SIG_IGN);
  ProgramRun run;
  const auto deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  MakeNonBlocking(channels.input);
  MakeNonBlocking(channels.output);
  MakeNonBlocking(channels.errors);
  std::size_t written = 0;
  bool writing = channels.input >= 0;
  bool outputOpen = channels.output >= 0;
  bool errorsOpen = channels.errors >= 0;
  bool killed = false;

  while ((outputOpen || errorsOpen) && !killed) {
    if (writing && written == script.size()) {
      writing = false;
      if (channels.closeInput) CloseIfOpen(channels.input);
    }
    pollfd watched[3];
    nfds_t count = 0;
    if (writing) watched[count++] = {channels.input, POLLOUT, 0};
    if (outputOpen) watched[count++] = {channels.output, POLLIN, 0};
    if (errorsOpen) watched[count++] = {channels.errors, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      run.timedOut = true;
      break;
    }
    const int ready = ::poll(watched, count, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    for (nfds_t i = 0; i < count; ++i) {
      if (watched[i].revents == 0) continue;
      if (watched[i].events == POLLOUT) {
        const ssize_t put = ::write(channels.input, script.data() + written, script.size() - written);
        if (put > 0) written += static_cast<std::size_t>(put);
        if (put < 0 && errno != EAGAIN && errno != EINTR) written = script.size();
      } else if (watched[i].fd == channels.output && outputOpen) {
        outputOpen = Drain(channels.output, run.output);
      } else if (watched[i].fd == channels.errors && errorsOpen) {
        errorsOpen = Drain(channels.errors, run.errors);
      }
    }
    if (run.output.size() + run.errors.size() > options.outputLimit) {
      ADD_FAILURE() << "more than " << options.outputLimit << " bytes of output; killed " << Describe(options, run);
      killed = true;
    }
  }

  // Output closed: the child is ending, or has shut its streams and lingers.
  int status = 0;
  bool ended = false;
  rusage usage{};
  while (!killed && !run.timedOut) {
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) {
      ended = true;
      break;
    }
    if (done < 0 && errno != EINTR) break;
    if (Clock::now() >= deadline) {
      run.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!ended) {
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (run.timedOut) {
    ADD_FAILURE() << "did not finish within " << options.timeoutSeconds << " s; killed " << Describe(options, run);
  }
  if (ended) RecordStatus(status, run);
  if (ended) run.peakKilobytes = usage.ru_maxrss;
  if (!ended) run.signal = SIGKILL;
  // A terminal reads and writes through one descriptor.
  if (channels.input == channels.output) channels.input = -1;
  CloseIfOpen(channels.input);
  CloseIfOpen(channels.output);
  CloseIfOpen(channels.errors);
  return run;
}

}  // namespace testsupport

}  // namespace ql
