#include "ProbeRack_fixture.h"

#include <fstream>
#include <sstream>
#include <string>

#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3Tester.h"

void ProbeRack::Configure(AmplifierRackConfig& config) {
  BoardBlocks::Configure(config);
  config.noise = false;
  if (position_ > 0) config.selectors.emplace_back();
}

void ProbeRack::SetUp() {
  ASSERT_NO_FATAL_FAILURE(BoardBlocks::SetUp());
  if (position_ > 0) {
    T3Base::MaxSelectors = 8;
    T3Types::State.Selector = static_cast<std::uint8_t>(position_);
    T3Selector::SetPosition(position_);
  }
  ApplyBench();
  Rack().PlugCable(0, AmplifierRack::BoardInput::kReference, 0);
  answer_ = [this](std::string_view m) { return Dutiful(m); };
  Alert::SetAnswerProc([this](std::string_view message) {
    messages_.emplace_back(message);
    return answer_(message);
  });
}

void ProbeRack::TearDown() {
  Alert::SetAnswerProc(nullptr);
  Alert::ClearAnswers();
  T3Base::MaxSelectors = 0;
  BoardBlocks::TearDown();
}

int ProbeRack::Dutiful(std::string_view message) {
  if (message.find("10 MOhm position") != std::string_view::npos) Put(ModelCircuit::k10MOhm);
  if (message.find("0.5 GOhm position") != std::string_view::npos) Put(ModelCircuit::k500MOhm);
  if (message.find("shield") != std::string_view::npos) Put(ModelCircuit::kShielded);
  return 3;
}

void ProbeRack::ReadRanges(const std::string& file) {
  char name[256] = "";
  T3Tester::MakeRangesName("Selftest_", name);
  std::ifstream in(std::string(SELFTEST_TEST_DATA_DIR) + "/" + file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  PutFile(name, content.str());
  TestResultsBlock::MuxTestResults mux{};
  TestResultsBlock::HFRangeResult hf[TestResultsBlock::kHFRanges]{};
  ASSERT_TRUE(T3Protocol::ReadProtocol(name, mux, results_, hf));
}

std::set<std::string> ProbeRack::FailedProbeValues() const {
  const TestResultsBlock::ProbeTestResults& p = results_.Probe;
  std::set<std::string> failed;
  const auto check = [&](const std::string& name, const Protocol::MeasuredValue& v) {
    if (!(v.Value >= v.Lower && v.Value <= v.Upper)) failed.insert(name);
  };
  const auto transfer = [&](const std::string& name, const Protocol::TransferValues& t) {
    check(name + ".Gain", t.Gain);
    check(name + ".Offset", t.Offset);
    check(name + ".Noise", t.Noise);
  };
  const int first = p.IsTlv1Probe ? 1 : 0;
  transfer("Input10M", p.Input10M);
  transfer("CMR", p.CMR);
  for (int r = 0; r < 3; ++r) {
    const std::string index = "[" + std::to_string(r) + "]";
    if (r >= first) check("Offsets" + index, p.Offsets[r]);
    check("ProbeOut" + index, p.ProbeOut[r]);
    if (r >= first) transfer("Test1pF" + index, p.Test1pF[r]);
    transfer("Test10pF" + index, p.Test10pF[r]);
    for (int b = 0; b < 4; ++b) {
      if (r >= first) check("Noise" + index + "[" + std::to_string(b) + "]", p.Noise[r][b]);
    }
  }
  if (T3Panel::HasRefGainTrim()) {
    check("RefGainTrimSpan[0]", p.RefGainTrim.Value[0]);
    check("RefGainTrimSpan[1]", p.RefGainTrim.Value[1]);
    check(T3Types::State.VrefX2 ? "RefGainTrimDac[1]" : "RefGainTrimDac[0]",
          p.RefGainTrim.Value[T3Types::State.VrefX2 ? 3 : 2]);
  }
  return failed;
}
