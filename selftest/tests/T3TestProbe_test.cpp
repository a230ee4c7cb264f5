// The probe tests' operator requests on a simulated 'Y' board with an
// operator at the bench: what each asks and how its check answers.

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "ProbeRack_fixture.h"
#include "selftest/T3TestProbe.h"

namespace {

bool Has(const std::string& text, std::string_view what) { return text.find(what) != std::string::npos; }

class ProbeTests : public ProbeRack {};

INSTANTIATE_TEST_SUITE_P(Boards, ProbeTests, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(ProbeTests, TheTenMOhmRequestChecksTheSwitch) {
  struct Case {
    const char* name;
    ModelCircuit circuit;
    bool allowCancel;
    std::vector<int> buttons;
    bool result;
    std::size_t showings;
  };
  const std::vector<Case> cases = {
      {"in place", ModelCircuit::k10MOhm, false, {3}, true, 1},
      {"at 0.5 GOhm, then Abort", ModelCircuit::k500MOhm, false, {3, 1}, false, 2},
      {"at 0.5 GOhm, then Cancel", ModelCircuit::k500MOhm, true, {3, 2}, true, 2},
      {"no answer", ModelCircuit::k500MOhm, false, {0}, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.circuit);
    messages_.clear();
    std::size_t next = 0;
    answer_ = [&](std::string_view) { return c.buttons[std::min(next++, c.buttons.size() - 1)]; };
    EXPECT_EQ(T3TestProbe::DoRequest10MOhmResistor(c.allowCancel), c.result);
    ASSERT_EQ(messages_.size(), c.showings);
    EXPECT_EQ(messages_[0], "Please connect the RV4 Model Circuit and set the switch to the 10 MOhm position.");
    if (c.showings > 1) {
      EXPECT_EQ(messages_[1],
                "The switch does not seem to be in the 10 MOhm position.\r\rPlease set the switch to the 10 MOhm "
                "position:");
    }
  }
}

TEST_P(ProbeTests, TheOtherRequestsCheckWhatIsConnected) {
  answer_ = [](std::string_view) { return 3; };
  Put(ModelCircuit::kLoad);
  messages_.clear();
  answer_ = [&](std::string_view) {
    if (messages_.size() > 1) Put(ModelCircuit::kShielded);
    return 3;
  };
  EXPECT_TRUE(T3TestProbe::RequestRemoveAndShield(true, false));
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0],
            "Please remove anything from the probe and shield the probe input:\r\rYou will need the RV4 Model "
            "Circuit shortly.");
  EXPECT_EQ(messages_[1],
            "Something seems to be connected to the probe input. \r\rPlease remove anything from the probe and "
            "shield the probe input");
  // The 0.5 GOhm position: 10 MOhm is too much, 0.5 GOhm is it.
  messages_.clear();
  Put(ModelCircuit::k10MOhm);
  answer_ = [&](std::string_view) {
    if (messages_.size() > 1) Put(ModelCircuit::k500MOhm);
    return 3;
  };
  EXPECT_TRUE(T3TestProbe::Request500MOhmResistor());
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_TRUE(Has(messages_[1], "The switch does not seem to be in the 0.5 GOhm position."));
  answer_ = [](std::string_view) { return 1; };
  EXPECT_FALSE(T3TestProbe::RequestRemoveAndShield(false, true));
  EXPECT_EQ(messages_.back(), "Please remove anything from ALL probes and shield ALL probe inputs:");
}

}  // namespace
