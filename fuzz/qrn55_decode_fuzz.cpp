// libFuzzer target: arbitrary signature blocks and unit EEPROM images through
// the driver's discovery, unit open, decoding and data log. Nothing may
// crash, read out of bounds, or come out other than an independent reading
// of the record says.
#include <cstddef>
#include <cstdint>

#include "fuzz/QRN55DecodeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!QRN55DecodeFuzz::Run({data, size})) __builtin_trap();
  return 0;
}
