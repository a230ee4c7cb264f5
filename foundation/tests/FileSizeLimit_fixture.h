#pragma once

// While an object lives, writes that would make a file larger than `bytes`
// fail with EFBIG (the signal ignored), as a full disk would; the limit holds
// for root too. The previous limit and signal handling come back afterwards.

#include <signal.h>
#include <sys/resource.h>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};
