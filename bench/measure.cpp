// Runs one program with its standard input and output redirected to files and prints what it cost:
// wall time and CPU time (user + system) in seconds, peak resident memory in KiB, on one line.
//
//   measure INPUT OUTPUT PROGRAM [ARGUMENTS...]
//
// Exits with 1 when the program cannot be started or does not end with status 0, so that a
// benchmark never reports the time of a run that failed.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double Seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9; }
double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// In the child: failures are reported and end it with 127, as a shell does for a missing program.
[[noreturn]] void RunChild(const char* input, const char* output, char** program) {
  const int in = ::open(input, O_RDONLY | O_CLOEXEC);
  const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0) {
    std::fprintf(stderr, "measure: cannot redirect to %s / %s: %s\n", input, output, std::strerror(errno));
    ::_exit(127);
  }
  ::execvp(program[0], program);
  std::fprintf(stderr, "measure: cannot run %s: %s\n", program[0], std::strerror(errno));
  ::_exit(127);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: measure INPUT OUTPUT PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  timespec start{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("measure: fork");
    return 1;
  }
  if (child == 0) RunChild(argv[1], argv[2], argv + 3);

  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("measure: wait4");
      return 1;
    }
  }
  timespec end{};
  ::clock_gettime(CLOCK_MONOTONIC, &end);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "measure: %s failed (%s %d)\n", argv[3], WIFEXITED(status) ? "exit status" : "signal",
                 WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return 1;
  }
  std::printf("%.6f %.6f %ld\n", Seconds(end) - Seconds(start), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
              usage.ru_maxrss);
  return 0;
}
