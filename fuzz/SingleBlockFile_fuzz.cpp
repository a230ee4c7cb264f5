// libFuzzer target: the single-block file header check.
#include <cstddef>
#include <cstdint>

#include "fuzz/StructuredFilesFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StructuredFilesFuzz::SingleBlockHeader({data, size});
  return 0;
}
