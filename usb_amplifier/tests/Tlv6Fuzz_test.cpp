// Replays the kept inputs of the TLV 6 fuzz targets through their entry
// points, so that the sanitizer build of the tests covers them too.
#include "fuzz/Tlv6Fuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/GLP.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// fuzz/corpus/<target>/ of the source tree, by name.
std::vector<fs::path> Corpus(const char* target) {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(fs::path(MERETH_FUZZ_CORPUS_DIR) / target)) {
    paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

class Tlv6FuzzCorpus : public testing::Test {
 protected:
  void SetUp() override {
    Buffer::InitModule();
    GLP::InitModule();
    Tlv6FirmwareFile::InitModule();
  }
  void TearDown() override {
    Tlv6FirmwareFile::InitModule();
    GLP::InitModule();
    Buffer::Shutdown();
  }
};

TEST_F(Tlv6FuzzCorpus, FirmwareImages) {
  const std::vector<fs::path> inputs = Corpus("Tlv6FirmwareFile");
  ASSERT_FALSE(inputs.empty());
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    EXPECT_EQ(Tlv6Fuzz::FirmwareImage(Bytes(input)), input.filename().string().starts_with("valid"));
  }
}

TEST_F(Tlv6FuzzCorpus, Replies) {
  const std::vector<fs::path> inputs = Corpus("Tlv6Reply");
  ASSERT_FALSE(inputs.empty());
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    Tlv6Fuzz::Reply(Bytes(input));
  }
}

}  // namespace
