// libFuzzer target: reading and writing an enciphered file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/StructuredFilesFuzz.h"

namespace {

char scratch[] = "/tmp/mereth-fuzz-blowfish-XXXXXX";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const int fd = mkstemp(scratch);
  if (fd < 0) return 1;
  close(fd);
  atexit([] { unlink(scratch); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StructuredFilesFuzz::EncipheredFile({data, size}, scratch);
  return 0;
}
