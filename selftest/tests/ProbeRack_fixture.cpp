#include "ProbeRack_fixture.h"

#include "dialogs/Alert.h"

void ProbeRack::Configure(AmplifierRackConfig& config) {
  BoardBlocks::Configure(config);
  config.noise = false;
}

void ProbeRack::SetUp() {
  ASSERT_NO_FATAL_FAILURE(BoardBlocks::SetUp());
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
  BoardBlocks::TearDown();
}

int ProbeRack::Dutiful(std::string_view message) {
  if (message.find("10 MOhm position") != std::string_view::npos) Put(ModelCircuit::k10MOhm);
  if (message.find("0.5 GOhm position") != std::string_view::npos) Put(ModelCircuit::k500MOhm);
  if (message.find("shield") != std::string_view::npos) Put(ModelCircuit::kShielded);
  return 3;
}
