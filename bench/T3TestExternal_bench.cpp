// The connection tests and the current-clamp tests on a simulated rack
// behind the stand-in QRN 2400: one TLV 4 board ('S', every option but V-ref
// x2) with its analog model and noise, on the virtual clock, its cables
// plugged as the "External Test" dialog lists them and DAC-0 to ADC-0 for
// the sample-and-hold; an operator who moves the model circuit as the
// requests ask. The tracking test runs every time constant up to Tau100
// (about 100 s of drift). Columns:
//   hw_s        simulated time on the lines per run, waits included
// and the CPU time per run; the goal is at most 1 % of hw_s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "bench/SimulatedTime.h"
#include "bench/StandInBoard.h"
#include "dialogs/Alert.h"
#include "selftest/T3CCTest.h"
#include "selftest/T3TestExternal.h"
#include "selftest/T3Tester.h"
#include "selftest/TestResultsBlock.h"
#include "selftest/tests/RackBoard.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr std::uint16_t kEveryOptionButVrefX2 = 16382;

// The External Test's cables, or the sample-and-hold's alone.
template <typename Run>
void RackBench(benchmark::State& state, Run run, bool sampleHoldCable = false) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kQRN2400;
  config.boards[0].letter = 'S';
  config.analog = true;
  config.noise = true;
  AmplifierRackWiring rack(config);
  if (!OpenStandInBoard(ZRVBase::BoardQRN2400)) {
    state.SkipWithError("no simulated board");
    return;
  }
  ZRVSim_SetWiring(&rack);
  StartRackBoard('S', ZRVBase::BoardQRN2400, kEveryOptionButVrefX2);
  T3Base::AmplKind = T3Types::State.ModelKind;
  ADMeasure::TestWriteMode = 0;
  AmplifierConnections& cables = rack.Rack(0).Connections();
  cables.PlugInput(0, FrontInput::kTest, 0);
  cables.PlugInput(0, FrontInput::kStimulus, 1);
  cables.PlugOutput(0, FrontOutput::kVoltageMonitor, 0);
  cables.PlugOutput(0, FrontOutput::kFilter1, 1);
  cables.PlugOutput(0, FrontOutput::kFilter2, 2);
  if (sampleHoldCable) {
    cables.PullAll();
    cables.PlugSampleHold(0);
  }
  BenchPosition bench;
  Alert::SetAnswerProc([&](std::string_view message) {
    if (message.find("0.5 GOhm") != std::string_view::npos) bench.circuit = ModelCircuit::k500MOhm;
    if (message.find("10 MOhm") != std::string_view::npos) bench.circuit = ModelCircuit::k10MOhm;
    rack.Rack(0).SetBench(0, 0, bench);
    return 3;
  });
  RunOnTheLines(state, run);
  Alert::SetAnswerProc(nullptr);
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}

TestResultsBlock::SelfTestResults results{};

void BM_External(benchmark::State& state) {
  RackBench(state, [] { return T3TestExternal::External(results); });
}
BENCHMARK(BM_External)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_TestDacSH(benchmark::State& state) {
  RackBench(state, [] { return T3TestExternal::TestDacSH(results); }, true);
}
BENCHMARK(BM_TestDacSH)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_CCTrack(benchmark::State& state) {
  TestResultsBlock::CurrentClampResults& cc = results.StimulusPath.CurrentClamp;
  cc.CCTrackMax = TestResultsBlock::kCCTrackingValues - 1;
  RackBench(state, [&] { return T3CCTest::CCTrack(cc); });
}
BENCHMARK(BM_CCTrack)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(2);

void BM_CCTest(benchmark::State& state) {
  RackBench(state, [] { return T3Tester::CCTest(results.StimulusPath.CurrentClamp); });
}
BENCHMARK(BM_CCTest)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
