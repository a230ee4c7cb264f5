// Replays the kept inputs of the scale-file and C-fast-file fuzz targets
// through their entry points, so that the sanitizer build of the tests
// covers them too.
#include "fuzz/CalibrationFilesFuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

template <typename Entry>
void Replay(const char* target, Entry entry) {
  std::vector<fs::path> inputs;
  for (const auto& file : fs::directory_iterator(fs::path(MERETH_FUZZ_CORPUS_DIR) / target)) {
    inputs.push_back(file.path());
  }
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty()) << target;
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    std::ifstream in(input, std::ios::binary);
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    entry(std::span<const std::uint8_t>(bytes));
  }
}

TEST(CalibrationFilesFuzz, ScaleFileCorpus) {
  Replay("ScaleFile", CalibrationFilesFuzz::ScaleFile);
}

TEST(CalibrationFilesFuzz, CFastFileCorpus) {
  Replay("CFastFile", CalibrationFilesFuzz::CFastFile);
}

}  // namespace
