// libFuzzer target: TLV 6 firmware file images through the loader's checks.
#include <cstddef>
#include <cstdint>

#include "foundation/Buffer.h"
#include "fuzz/Tlv6Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool heapReady = [] {
    Buffer::InitModule();
    return true;
  }();
  (void)heapReady;
  Tlv6Fuzz::FirmwareImage({data, size});
  return 0;
}
