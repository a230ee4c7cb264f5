// libFuzzer target: reading a keyed settings text file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "foundation/TermIO.h"
#include "fuzz/StructuredFilesFuzz.h"

namespace {

char scratch[] = "/tmp/mereth-fuzz-textfile-XXXXXX";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TermIO::InitModule();
  const int fd = mkstemp(scratch);
  if (fd < 0) return 1;
  close(fd);
  atexit([] { unlink(scratch); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StructuredFilesFuzz::KeyedTextFile({data, size}, scratch);
  return 0;
}
