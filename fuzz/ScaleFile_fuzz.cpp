// libFuzzer target: any bytes as a scale file, under each laboratory rule.
#include <cstddef>
#include <cstdint>

#include "fuzz/CalibrationFilesFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CalibrationFilesFuzz::ScaleFile({data, size});
  return 0;
}
