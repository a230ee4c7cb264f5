#include "CurrentClampRack_fixture.h"

#include <array>

#include "selftest/T3Protocol.h"

void CurrentClampRack::SetUp() {
  ASSERT_NO_FATAL_FAILURE(ProbeRack::SetUp());
  Group().CCTrackMax = TestResultsBlock::kCCTrackingValues - 1;
}

bool CurrentClampRack::ReadRange(const std::string& name) {
  std::array<TestResultsBlock::HFRangeResult, TestResultsBlock::kHFRanges> hf{};
  const std::string path = std::string(SELFTEST_TEST_DATA_DIR) + "/" + name;
  return T3Protocol::ReadProtocol(path, mux_, results_, hf);
}
