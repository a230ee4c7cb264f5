#include "acquisition/tests/ZRVBoard_fixture.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"

namespace {

std::span<const char> Text(const std::string& s) { return {s.c_str(), s.size() + 1}; }

}  // namespace

void ZRVBoard::SetUp() {
  ZRVStandIn::SetUp();
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  savedCwd_ = cwd;
  savedDefaultDir_ = IOBase::DefaultDir;
  char pattern[] = "/tmp/mereth-zrv-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  char canonical[PATH_MAX];
  ASSERT_NE(realpath(pattern, canonical), nullptr);
  dir_ = std::string(canonical) + "/";
  ASSERT_EQ(IOBase::SetDirectory(Text(dir_)), 0);
  RealTime::InitModule();
  Buffer::InitModule();
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
}

void ZRVBoard::TearDown() {
  ZRV::Shutdown();
  Buffer::Shutdown();
  ASSERT_EQ(chdir(savedCwd_.c_str()), 0);
  Strings::Assign(IOBase::DefaultDir, Text(savedDefaultDir_));
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
  ZRVStandIn::TearDown();
}

void ZRVBoard::PutSwitch(const std::string& name, const std::string& text) const {
  std::ofstream(dir_ + name) << text << "\n";
}

std::string ZRVBoard::ErrorText() {
  return std::string(ZRVBase::ErrorText, static_cast<std::size_t>(Strings::Length(ZRVBase::ErrorText)));
}

std::vector<std::int16_t> Ramp(std::int32_t n, std::int32_t first, std::int32_t step) {
  std::vector<std::int16_t> ramp(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) ramp[i] = static_cast<std::int16_t>(first + i * step);
  return ramp;
}
