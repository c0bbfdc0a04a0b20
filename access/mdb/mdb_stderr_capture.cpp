#include "access/mdb/mdb_stderr_capture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace ql::access {
namespace {

constexpr std::size_t kKeptBytes = 4096;

}  // namespace

StderrCapture::StderrCapture() : store_(::memfd_create("queryloom-stderr", MFD_CLOEXEC)) {}

StderrCapture::~StderrCapture() {
  if (saved_ >= 0) End();
  if (store_ >= 0) ::close(store_);
}

void StderrCapture::Begin() noexcept {
  if (store_ < 0 || saved_ >= 0) return;
  std::fflush(stderr);
  saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (saved_ < 0) return;
  if (::dup2(store_, STDERR_FILENO) < 0) {
    ::close(saved_);
    saved_ = -1;
  }
}

std::string StderrCapture::End() noexcept {
  if (saved_ < 0) return {};
  std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
  saved_ = -1;
  const off_t size = ::lseek(store_, 0, SEEK_END);
  if (size <= 0) return {};
  std::string text;
  try {
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(size), kKeptBytes));
  } catch (...) {
    text.clear();
  }
  const ssize_t got = text.empty() ? 0 : ::pread(store_, text.data(), text.size(), 0);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  // The store is used again by the next capture.
  if (::ftruncate(store_, 0) != 0) {
    ::close(store_);
    store_ = ::memfd_create("queryloom-stderr", MFD_CLOEXEC);
  }
  ::lseek(store_, 0, SEEK_SET);
  return text;
}

}  // namespace ql::access
