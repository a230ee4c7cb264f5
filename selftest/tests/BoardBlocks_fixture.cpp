#include "BoardBlocks_fixture.h"

#include "RackBoard.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

BoardBlocks::Margin BoardBlocks::MarginOf(ValueKind kind) {
  switch (kind) {
    case ValueKind::kVolts: return {0.05, 1e-3};
    case ValueKind::kNoise: return {0.3, 1e-3};
    case ValueKind::kSeconds: return {0.05, 2e-7};
    case ValueKind::kRatio: break;
  }
  return {0.05, 2e-3};
}

void BoardBlocks::Configure(AmplifierRackConfig& config) {
  config.boards[0].letter = BoardLetter();
  config.noise = true;
  config.seed = seed_;
}

void BoardBlocks::SetUp() {
  ASSERT_NO_FATAL_FAILURE(SelftestRack::SetUp());
  StartRackBoard(BoardLetter(), Board(), HardwareVersion());
  T3Tester::SetStart(save_);
  T3Protocol::FillInfo(results_);
  OpenLimits();
  Protocol::TestErrors = 0;
}

void BoardBlocks::OpenLimits() {
  std::vector<Protocol::MeasuredValue*> values = Values(results_.CurrentMonitor);
  for (auto* v : Values(results_.Filter2)) values.push_back(v);
  for (auto* v : Values(results_.Integrator)) values.push_back(v);
  for (auto* v : Values(results_.StimulusPath)) values.push_back(v);
  for (auto* v : Values(results_.CFastCSlow)) values.push_back(v);
  for (Protocol::MeasuredValue* v : values) {
    v->Lower = Protocol::kNoLower;
    v->Upper = Protocol::kNoUpper;
  }
}

void BoardBlocks::TearDown() {
  T3Tester::SetEnd(save_);
  SelftestRack::TearDown();
}

BlockRun BoardBlocks::Run(const std::function<bool()>& block) {
  const std::size_t before = NotebookLines().size();
  Protocol::Buffering = true;
  EXPECT_TRUE(Protocol::OpenOutFile("Report.txt"));
  BlockRun run;
  run.passed = block();
  Protocol::WriteErrorNumber();
  Protocol::CloseOutFile();
  Protocol::Buffering = false;
  run.report = FileContent("Report.txt");
  const std::vector<std::string> lines = NotebookLines();
  for (std::size_t k = before; k < lines.size(); ++k) run.notebook += lines[k] + "\n";
  return run;
}
