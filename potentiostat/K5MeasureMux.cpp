// The multiplexer transfer, the init and subtract DAC factors and their
// offsets.
#include <array>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"

namespace K5Measure {

namespace {

using Protocol::TransferValues;

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr std::uint8_t kMuxStimulus = 5;
constexpr std::uint8_t kMuxGround = 9;


// How one amplifier mode of the init and subtract DAC tests reads the DAC.
struct ModeSetUp {
  double sign;
  std::uint8_t mux;
  std::uint8_t modelCell;
  bool currentAdc;           // the reading on the current ADC, else the mux ADC
  bool currentSubtractOff;   // the ring's current subtract path switched off
  bool refToGroundOff;       // the PK 510's reference-to-ground switched off
};

void WriteInitDacLine(double mean0, double mean5) {
  TestIO::WriteString("   mean_0V =");
  TestIO::WriteRealFixed(1000.0 * mean0, 8, 1);
  TestIO::WriteString("mV, mean_5V =");
  TestIO::WriteRealFixed(1000.0 * mean5, 8, 1);
  TestIO::WriteString("mV, diff =");
  TestIO::WriteRealFixed(1000.0 * (mean5 - mean0), 8, 1);
  TestIO::WriteString("mV");
  TestIO::WriteLn();
}

// One mode of InitDac / InitSubtrDac: the init DAC at 5 V and at 0 V; the
// record (slope per volt, zero reading, noise); the slope.
double MeasureInitDacMode(std::uint8_t mode, const ModeSetUp& setUp, TransferValues& record) {
  K5Set::AmplMode(mode);
  K5Set::CoAmpOffsetDac(Loc.CoAmpOffsetDac[3 * mode]);
  if (setUp.refToGroundOff) K5Set_510::RefToGround(false);
  if (setUp.currentSubtractOff) K5Set::CurrentSubtractOn(false);
  K5Set::ModelCell(setUp.modelCell);
  K5Set::MuxChannel(setUp.mux);
  const std::int32_t adc = setUp.currentAdc ? State().CurrentAdcChannel : MuxAdc();
  double mean5 = 0.0;
  double mean0 = 0.0;
  double rms = 0.0;
  K5Set::InitDacValue(K5Set::VoltToDac16(5.0));
  VrnlBoards::Wait(0.1);
  CorrectedMeanAndRms(adc, kInterval, kPoints, mean5, rms);
  K5Set::InitDacValue(K5Set::VoltToDac16(0.0));
  VrnlBoards::Wait(0.1);
  CorrectedMeanAndRms(adc, kInterval, kPoints, mean0, rms);
  if (WriteResults()) WriteInitDacLine(mean0, mean5);
  const double gain = (mean5 - mean0) / 5.0;
  Store(record, gain, mean0, rms);
  Protocol::WriteTransfer(record);
  WritePausingIndex(mode);
  return gain;
}

// The two modes of a DAC factor test: the factor from the slope.
template <typename SetUpOf, typename FactorOf>
void InitDacModes(std::string_view keyword, std::array<double, 2>& factors, TransferValues (&records)[2],
                  SetUpOf setUpOf, FactorOf factorOf, std::string_view factorName) {
  factors.fill(0.9765625);
  if (!OpenTest(keyword)) return;
  InitHardware(2, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[0], Loc.CurrentOffsetDac[2],
               Loc.VoltageOffsetDac[0]);
  RunSteps(2, [&](int mode) {
    if (mode > 1) {
      RangeError();
      return false;
    }
    const ModeSetUp setUp = setUpOf(static_cast<std::uint8_t>(mode));
    const double gain = MeasureInitDacMode(static_cast<std::uint8_t>(mode), setUp, records[mode]);
    factorOf(factors[static_cast<std::size_t>(mode)], setUp.sign, gain, factorName);
    return true;
  });
}

// The offset search of a 16-bit DAC: its volts, 0 V when the search failed.
double DacOffsetVolts(DacSetter setDac, double target, bool rising) {
  double value = 0.0;
  bool found = false;
  FindDacValue(MuxAdc(), target, setDac, kDac16, value, found, rising, 0.05);
  return found ? K5Set::Dac16ToVolt(static_cast<std::uint16_t>(K5Set::ClipToDac16Range(value))) : 0.0;
}

}  // namespace

void MuxTransfer() {
  Loc.MuxGain = 1.0;
  Loc.MuxOffset = 0.0;
  Loc.MuxX100Gain = 100.0;
  Loc.MuxX100Offset = 0.0;
  Loc.StimScaleFactor[0] = 1.0;
  Loc.StimScaleOffset[0] = 0.0;
  if (!OpenTest("MuxTransfer")) return;
  InitHardware(kMuxStimulus, kNoStimScale, 2047, 2047, 2047, 2047);
  K5Protocol::ResultsRecord& results = Results();
  TransferValues stimScale{};
  const bool completed = RunSteps(4, [&](int step) {
    TransferValues& record = results.MuxTransfer[step];
    double mean = 0.0;
    double rms = 0.0;
    if (step == 0) {
      double mean10 = 0.0;
      MuxZeroAnd10V(mean10, mean, rms);
      results.TenVRef.Value = mean10 - mean;
      Store(record, (mean10 - mean) / 10.0, mean, rms);
      Protocol::WriteTransfer(record);
      WritePausingIndex(0);
      SetInverse(Loc.MuxGain, 1.0, record.Gain.Value, "LocMuxGain");
      Loc.MuxOffset = -record.Offset.Value;
      K5Set::MuxChannel(kMuxStimulus);
      K5Set::StimInScale(0);
      VrnlBoards::Wait(0.1);
      CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
      const double gain = CorrectedGain(State().StimDacChannel, MuxAdc(), 5.0, kInterval, kNoStimScale);
      SetInverse(Loc.StimScaleFactor[0], 1.0, gain, "LocStimScaleFactor[0]");
      Loc.StimScaleOffset[0] = -mean;
      Store(stimScale, gain * K5Panel::StimInScaleToFactor(0), mean, rms);
      return true;
    }
    const double muxGain = step == 1 ? 1.0 : 100.0;
    K5Set::MuxX100(step != 1);
    VrnlBoards::Wait(0.1);
    if (step == 2) {
      MuxZeroV(mean, rms);
      K5Set::MuxChannel(kMuxStimulus);
    } else {
      ADMeasure::MeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
    }
    const double gain = ADMeasure::Gain(State().StimDacChannel, MuxAdc(), 8.0 / muxGain, kInterval);
    Store(record, gain, mean, rms);
    Protocol::WriteTransfer(record);
    WritePausingIndex(step);
    return true;
  });
  K5Set::MuxX100(false);
  if (!completed) return;
  Protocol::WriteLn();
  Protocol::WriteString("10VRef ");
  Protocol::WriteRealValue(results.TenVRef);
  SetInverse(Loc.MuxX100Gain, 1.0, results.MuxTransfer[2].Gain.Value, "LocMuxX100Gain");
  Loc.MuxX100Offset = -results.MuxTransfer[2].Offset.Value;
  results.StimScale[0] = stimScale;
  Protocol::PutString("StimScaleCorrection");
  Protocol::WriteTransfer(stimScale);
}

void InitDac() {
  const bool ring = State().IsRingAmplifier;
  InitDacModes(
      "InitDacFactor", Loc.InitDacFactor, Results().InitDacFactor,
      [ring](std::uint8_t mode) {
        if (mode == 0) return ModeSetUp{-1.0, 2, static_cast<std::uint8_t>(ring ? 0 : 1), false, false, false};
        return ring ? ModeSetUp{1.0, 15, 1, true, true, false} : ModeSetUp{1.0, 6, 1, false, false, false};
      },
      [](double& factor, double sign, double gain, std::string_view name) { SetInverse(factor, sign, gain, name); },
      "LocInitDacFactor");
}

void InitSubtrDac() {
  const bool ring = State().IsRingAmplifier;
  InitDacModes(
      "InitSubtrDacFactor", Loc.InitSubtrDacFactor, Results().InitSubtrDacFactor,
      [ring](std::uint8_t mode) {
        if (mode == 0) return ModeSetUp{-1.0, 4, static_cast<std::uint8_t>(ring ? 0 : 1), false, false, true};
        return ModeSetUp{1.0, 15, 1, ring, false, false};
      },
      [](double& factor, double sign, double gain, std::string_view) { factor = sign * gain; },
      "LocInitSubtrDacFactor");
}

void InitDacAndSubtrDacOffsets() {
  Loc.InitDacOffset = 0.0;
  Loc.SubtrDacOffset = 0.0;
  const bool ring = State().IsRingAmplifier;
  if (!OpenTest("InitDacOffset")) return;
  if (ring) K5Set_510::RefToGround(true);
  InitHardware(ring ? 2 : 11, 0, 2047, 2047, 2047, 2047);
  K5Protocol::ResultsRecord& results = Results();
  const double target = results.MuxTransfer[0].Offset.Value;
  RunSteps(2, [&](int step) {
    if (step == 0) {
      results.InitDacOffset.Value = DacOffsetVolts(K5Set::InitDacValue, target, !ring);
      Protocol::WriteRealValue(results.InitDacOffset);
      WritePausingIndex(0);
      if (!DoAbortProc()) Loc.InitDacOffset = results.InitDacOffset.Value;
      return true;
    }
    Protocol::PutString("SubtrDacOffset");
    K5Set::MuxChannel(12);
    results.SubtrDacOffset.Value = DacOffsetVolts(K5Set::SubtractDacValue, target, true);
    Protocol::WriteRealValue(results.SubtrDacOffset);
    WritePausingIndex(1);
    if (!DoAbortProc()) Loc.SubtrDacOffset = results.SubtrDacOffset.Value;
    return true;
  });
}

}  // namespace K5Measure
