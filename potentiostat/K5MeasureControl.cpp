// The disk amplifier's control amplifier: its offset DACs and bandwidths,
// the clamp gain and the IR compensation.
#include <cmath>

#include "acquisition/VrnlBoards.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"

namespace K5Measure {

namespace {

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr std::uint8_t kMuxControl = 2;
constexpr std::uint8_t kMuxIR = 3;

void WriteGainDac(std::int32_t code) {
  if (!WriteResults()) return;
  TestIO::WriteString(",   GainDac = ");
  TestIO::WriteInt(code, 1);
}

// The control amplifier driving the cell's counter electrode from the
// stimulus, the reference grounded.
void ControlTheCell() {
  InitHardware(kMuxControl);
  K5Set::RefToGround(true);
  K5Set::OpenCellPotential(true);
}

// A gain from the stimulus DAC to the mux, over the divisor, into the
// record, with the DAC code of the step.
void MeasureStepGain(Protocol::TransferValues& record, double amplitude, double divisor, std::int32_t code, int step) {
  VrnlBoards::Wait(0.1);
  double mean = 0.0;
  double rms = 0.0;
  CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
  const double gain = CorrectedGain(State().StimDacChannel, MuxAdc(), amplitude, kInterval, 0);
  Store(record, gain / divisor, mean, rms);
  Protocol::WriteTransfer(record);
  WriteGainDac(code);
  WritePausingIndex(step);
}

double MeanOnMux() {
  double mean = 0.0;
  double rms = 0.0;
  CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
  return mean;
}

}  // namespace

void ControlAmpOffsetDac() {
  if (State().IsRingAmplifier || !OpenTest("CoAmpOffsetPerUnit")) return;
  Loc.CoAmpOffsetDac.fill(2047);
  InitHardware(kMuxControl, 0, Loc.WorkElectrOffsetDac[0], 2047, 2047, 2047);
  K5Set::Standby(true);
  K5Set::CoAmpOffsetDac(1023);
  VrnlBoards::Wait(0.1);
  const double low = MeanOnMux();
  K5Set::CoAmpOffsetDac(3070);
  VrnlBoards::Wait(0.1);
  K5Protocol::ResultsRecord& results = Results();
  const bool measured = RunSteps(1, [&results, low](int) {
    results.CoAmpOffsetPerUnit.Value = (MeanOnMux() - low) / 2047.0;
    Protocol::WriteRealValue(results.CoAmpOffsetPerUnit);
    WritePausingIndex(-1);
    return true;
  });
  if (!measured) return;
  // The six searches share the state above: neither the mode nor the
  // feedback resistor changes between them.
  const double target = results.MuxTransfer[0].Offset.Value;
  for (int pass = 0; pass < 2; ++pass) {
    if (!OpenTest(pass == 0 ? "ControlAmpOffsetDac_Pot" : "ControlAmpOffsetDac_Gal")) return;
    const bool completed = RunSteps(3, [&results, pass, target](int k) {
      if (k > 2) {
        RangeError();
        return false;
      }
      Protocol::OffsetDacValues& record = results.ControlAmpOffsetDac[pass][k];
      K5Set::CoAmpOffsetDac(2047);
      VrnlBoards::Wait(0.1);
      CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, record.Offset.Value, record.Noise.Value);
      FindDacValue(MuxAdc(), target, K5Set::CoAmpOffsetDac, kDac12, record.Dac.Value, record.Flag, true, 0.1);
      Protocol::WriteOffsetDac(record);
      WritePausingIndex(k);
      if (record.Flag) Loc.CoAmpOffsetDac[3 * pass + k] = static_cast<std::uint16_t>(std::lround(record.Dac.Value));
      return true;
    });
    if (!completed) return;
  }
}

void ControlAmplifierTau() {
  if (State().IsRingAmplifier || !OpenTest("ControlAmplifierFreq")) return;
  ControlTheCell();
  K5Set::Standby(false);
  MakeChirp();
  K5Protocol::ResultsRecord& results = Results();
  RunSteps(8, [&results](int i) {
    FilterParameters parameters{};
    if (!GetFilterParameters(i, parameters, true)) return false;
    SetStimAndControlBandwidth(static_cast<std::uint8_t>(i + 2));
    K5Set::ControlBandwidth(static_cast<std::uint8_t>(i));
    VrnlBoards::Wait(parameters.settle);
    const std::int32_t dac = State().StimDacChannel;
    GetTau(results.ControlAmplifierTau[i], dac, MuxAdc(), 5.0, parameters.tauInterval, 0, i, false);
    GetMinus3db(results.ControlAmplifierFreq[i], dac, MuxAdc(), 5.0, parameters.tauInterval, parameters.corner, 0,
                i);
    return true;
  });
}

void ClampGain() {
  if (State().IsRingAmplifier || !OpenTest("ClampGain")) return;
  ControlTheCell();
  K5Set::StimToCE(true);
  K5Set::Standby(false);
  RunSteps(9, [](int i) {
    if (i > 8) {
      RangeError();
      return false;
    }
    const std::int32_t code = i == 0 ? 0 : 32 * i - 16;
    K5Set::ClampGainDac(static_cast<std::uint16_t>(code));
    K5Set::ClampGainOn(i != 0);
    MeasureStepGain(Results().ClampGain[i], 0.1, 1.0, code, i);
    return true;
  });
}

void IRCompGain() {
  if (State().IsRingAmplifier || !OpenTest("IRCompFixOffset")) return;
  InitHardwareForRange(kMuxIR, 2);
  K5Set::ModelCell(1);
  VrnlBoards::Wait(0.1);
  K5Protocol::ResultsRecord& results = Results();
  const bool measured = RunSteps(1, [&results](int) {
    double value = 0.0;
    bool found = false;
    FindDacValue(MuxAdc(), 0.0, K5Set::IRCompOffsetDac, kDac12, value, found, true, 0.1);
    results.IRCompFixOffset.Value = found ? value : 0.0;
    Loc.IRCompFixOffsetFailed = !found;
    Protocol::WriteRealValue(results.IRCompFixOffset);
    WritePausingIndex(-1);
    return true;
  });
  if (!measured) return;
  Protocol::PutString("IRCompGain");
  RunSteps(8, [&results](int i) {
    if (i > 7) {
      RangeError();
      return false;
    }
    const std::int32_t code = 512 * i;
    K5Set::IRCompGainDac(static_cast<std::uint16_t>(code));
    MeasureStepGain(results.IRCompGain[i], 1.0, 0.5, code, i);
    return true;
  });
}

}  // namespace K5Measure
