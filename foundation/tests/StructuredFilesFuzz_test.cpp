// Replays the kept inputs of the structured-file fuzz targets through their
// entry points, so that the sanitizer build of the tests covers them too.
#include "fuzz/StructuredFilesFuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Console_fixture.h"

namespace {

namespace fs = std::filesystem;

struct Input {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// fuzz/corpus/<target>/ of the source tree; the build names it, since a
// compiler cache may shorten this file's own path to a relative one.
std::vector<Input> Corpus(const char* target) {
  const fs::path folder = fs::path(MERETH_FUZZ_CORPUS_DIR) / target;
  std::vector<Input> inputs;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.push_back({entry.path().filename().string(),
                      std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})});
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const Input& a, const Input& b) { return a.name < b.name; });
  return inputs;
}

class FuzzCorpusTest : public ConsoleTest {
 protected:
  template <typename Entry>
  static void Replay(const char* target, Entry entry) {
    const std::vector<Input> inputs = Corpus(target);
    ASSERT_FALSE(inputs.empty()) << target;
    for (const Input& input : inputs) {
      SCOPED_TRACE(input.name);
      entry(std::span<const std::uint8_t>(input.bytes));
    }
  }
};

TEST_F(FuzzCorpusTest, SingleBlockFile) {
  Replay("SingleBlockFile", StructuredFilesFuzz::SingleBlockHeader);
}

TEST_F(FuzzCorpusTest, TextFile) {
  Replay("TextFile", [](std::span<const std::uint8_t> data) {
    StructuredFilesFuzz::KeyedTextFile(data, "scratch.txt");
  });
}

TEST_F(FuzzCorpusTest, IOBlowFish) {
  Replay("IOBlowFish", [](std::span<const std::uint8_t> data) {
    StructuredFilesFuzz::EncipheredFile(data, "scratch.bin");
  });
}

TEST_F(FuzzCorpusTest, Load) { Replay("Load", StructuredFilesFuzz::TextLoader); }

}  // namespace
