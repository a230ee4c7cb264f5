// Replays the decode fuzz target's seed corpus, and a fixed set of mutations
// of it, through the target's entry point.
#include "fuzz/QRN55DecodeFuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

using Input = std::vector<std::uint8_t>;

std::vector<std::pair<std::string, Input>> Corpus() {
  std::vector<std::pair<std::string, Input>> corpus;
  const std::filesystem::path folder =
      std::filesystem::path(QRN55_FUZZ_CORPUS_DIR) / "qrn55_decode";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream file(entry.path(), std::ios::binary);
    corpus.emplace_back(entry.path().filename().string(),
                        Input(std::istreambuf_iterator<char>(file), {}));
  }
  std::sort(corpus.begin(), corpus.end());
  return corpus;
}

TEST(DecodeFuzz, SeedCorpus) {
  const auto corpus = Corpus();
  ASSERT_GE(corpus.size(), 10u);
  for (const auto& [name, input] : corpus) {
    EXPECT_TRUE(QRN55DecodeFuzz::Run(input)) << name;
  }
}

TEST(DecodeFuzz, MutatedSeeds) {
  const auto corpus = Corpus();
  std::mt19937 random(20240611);
  for (int run = 0; run < 3000; ++run) {
    Input input = corpus[random() % corpus.size()].second;
    if (input.empty()) input.resize(1 + random() % 600);
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int flip = 0; flip < flips; ++flip) {
      // Mostly the signature and the record's checked head.
      const std::size_t span =
          random() % 4 == 0 ? input.size() : std::min<std::size_t>(input.size(), 140);
      input[random() % span] = static_cast<std::uint8_t>(random());
    }
    if (random() % 8 == 0) input.resize(random() % (input.size() + 1));
    ASSERT_TRUE(QRN55DecodeFuzz::Run(input)) << "run " << run;
  }
}

}  // namespace
