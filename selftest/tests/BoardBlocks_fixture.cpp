#include "BoardBlocks_fixture.h"

#include "RackBoard.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
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
  for (Protocol::MeasuredValue* v : Values(results_)) {
    v->Lower = Protocol::kNoLower;
    v->Upper = Protocol::kNoUpper;
  }
  Protocol::TestErrors = 0;
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
