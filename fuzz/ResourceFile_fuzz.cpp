// libFuzzer target: reading a resource text. A text that does not read must
// leave the loaded set whole; one that reads must give the same set when
// read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/Resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const char> text(reinterpret_cast<const char*>(data), size);
  if (!Resources::InitModule()) std::abort();
  if (!Resources::Load(text)) {
    if (Resources::ErrorLine() < 1 || Resources::GetDialog(131) == nullptr) std::abort();
  }
  Resources::Load(Resources::ShippedText());
  return 0;
}
