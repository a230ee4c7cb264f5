// libFuzzer target: the file dialogs' wildcard match. The first byte splits
// the input into a pattern and a name, each cut to 255 bytes and copied
// into storage of exactly its length, so that any read past either ends
// the run; the match must give the same answer twice.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "dialogs/FileSelect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kMaxText = 255;
  if (size == 0) return 0;
  const std::size_t rest = size - 1;
  const std::size_t split = rest == 0 ? 0 : data[0] % (rest + 1);
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::vector<char> pattern(bytes, bytes + std::min(split, kMaxText));
  const std::vector<char> name(bytes + split, bytes + split + std::min(rest - split, kMaxText));
  const bool first = FileSelect::FindMatch(name, pattern);
  if (FileSelect::FindMatch(name, pattern) != first) std::abort();
  return 0;
}
