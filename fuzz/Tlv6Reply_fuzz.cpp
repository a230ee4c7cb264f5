// libFuzzer target: 64-byte TLV 6 replies through the reply readers, in
// every phase of the service operations.
#include <cstddef>
#include <cstdint>

#include "fuzz/Tlv6Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tlv6Fuzz::Reply({data, size});
  return 0;
}
