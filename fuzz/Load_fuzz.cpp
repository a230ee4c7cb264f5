// libFuzzer target: splitting loaded text into line records.
#include <cstddef>
#include <cstdint>

#include "foundation/Buffer.h"
#include "fuzz/StructuredFilesFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Buffer::InitModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StructuredFilesFuzz::TextLoader({data, size});
  return 0;
}
