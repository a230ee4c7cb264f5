#include "Common/QRN55/Driver/QRN55Assert.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void QRN55AssertFailed(const char* condition, const char* file, int line) {
  // Build trees differ; the message names the file as the sources do.
  const char* from = std::strstr(file, "Common/QRN55/Driver/");
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", condition,
               from != nullptr ? from : file, line);
  std::fflush(stderr);
  std::abort();
}
