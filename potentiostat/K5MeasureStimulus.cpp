// The stimulus input scales and filters, the internal ground and the
// working electrode's offset DACs.
#include <cmath>
#include <string>

#include "acquisition/VrnlBoards.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"

namespace K5Measure {

namespace {

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr std::uint8_t kMuxStimulus = 5;
constexpr std::uint8_t kMuxStimulusFiltered = 0;
constexpr std::uint8_t kMuxGround = 1;
constexpr std::uint8_t kMuxZero = 9;
constexpr std::uint8_t kMuxCurrentSensing = 6;
constexpr int kStimulusFilters = 8;

}  // namespace

void StimScale() {
  if (!OpenTest("StimScale")) return;
  Loc.StimScaleFactor.fill(1.0);
  Loc.StimScaleOffset.fill(0.0);
  InitHardware(kMuxStimulus, kNoStimScale, 2047, 2047, 2047, 2047);
  RunSteps(4, [](int s) {
    if (s > 3) {
      RangeError();
      return false;
    }
    const auto scale = static_cast<std::uint8_t>(s);
    K5Set::StimInScale(scale);
    VrnlBoards::Wait(0.1);
    double mean = 0.0;
    double rms = 0.0;
    CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
    const double gain = CorrectedGain(State().StimDacChannel, MuxAdc(), 5.0, kInterval, kNoStimScale);
    SetInverse(Loc.StimScaleFactor[scale], 1.0, gain, "LocStimScaleFactor[" + std::to_string(s) + "]");
    Loc.StimScaleOffset[scale] = -mean;
    Protocol::TransferValues& record = Results().StimScale[s];
    Store(record, gain * K5Panel::StimInScaleToFactor(scale), mean, rms);
    Protocol::WriteTransfer(record);
    WritePausingIndex(s);
    return true;
  });
}

void StimFilter() {
  if (!OpenTest("StimFilter")) return;
  Loc.StimFilterFactor = 1.0;
  Loc.StimFilterOffset = 0.0;
  InitHardware(kMuxStimulusFiltered, 0, 2047, 2047, 2047, 2047);
  Protocol::TransferValues* records = Results().StimFilter;
  const bool completed = RunSteps(kStimulusFilters, [records](int f) {
    FilterParameters parameters{};
    if (!GetFilterParameters(f, parameters, false)) return false;
    K5Set::StimulusFilter(static_cast<std::uint8_t>(f));
    VrnlBoards::Wait(parameters.settle);
    MeasureMuxTransfer(records[f], State().StimDacChannel, parameters.gainInterval, f);
    return true;
  });
  if (!completed) return;
  double gains = 0.0;
  double offsets = 0.0;
  for (int f = 0; f < kStimulusFilters; ++f) {
    gains += records[f].Gain.Value;
    offsets += records[f].Offset.Value;
  }
  SetInverse(Loc.StimFilterFactor, kStimulusFilters, gains, "LocStimFilterFactor");
  Loc.StimFilterOffset = -offsets / kStimulusFilters;
}

void StimFilterTau() {
  if (!OpenTest("StimFilterFreq")) return;
  InitHardware(kMuxStimulusFiltered, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[0], Loc.CurrentOffsetDac[2],
               Loc.VoltageOffsetDac[0]);
  MakeChirp();
  K5Protocol::ResultsRecord& results = Results();
  RunSteps(kStimulusFilters, [&results](int f) {
    FilterParameters parameters{};
    if (!GetFilterParameters(f, parameters, false)) return false;
    K5Set::StimulusFilter(static_cast<std::uint8_t>(f));
    VrnlBoards::Wait(parameters.settle);
    const std::int32_t dac = State().StimDacChannel;
    GetTau(results.StimFilterTau[f], dac, MuxAdc(), 5.0, parameters.tauInterval, 0, f, false);
    GetMinus3db(results.StimFilterFreq[f], dac, MuxAdc(), 5.0, parameters.tauInterval, parameters.corner, 0, f);
    return true;
  });
}

// Its one step runs even when an abort is already asked for: the ground is
// measured before the abort takes effect.
void InternalGround() {
  Protocol::PutString("InternalGround");
  Loc.InternalGround = 0.0;
  InitHardware(kMuxGround, kNoStimScale, 2047, 2047, 2047, 2047);
  K5Set::RefToGround(true);
  if (State().IsRingAmplifier) K5Set::MuxChannel(kMuxZero);
  VrnlBoards::Wait(0.1);
  RunSteps(1, [](int) {
    double mean = 0.0;
    double rms = 0.0;
    CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, mean, rms);
    Results().InternalGround.Value = mean;
    Loc.InternalGround = mean;
    Protocol::WriteRealValue(Results().InternalGround);
    return true;
  });
}

void WorkingElectrode() {
  if (!OpenTest("WorkingElectrodeOffsetDac")) return;
  Loc.InternalGround = 0.0;
  Loc.WorkElectrOffsetDac.fill(2047);
  InitHardware(kMuxCurrentSensing, 0, 2047, 2047, 2047, 2047);
  const bool ring = State().IsRingAmplifier;
  if (ring) {
    K5Set_510::RefToGround(true);
    K5Set::MuxChannel(kMuxCurrentSensing);
    K5Set::CurrentSubtractOn(false);
  } else {
    K5Set::RefToGround(false);
    K5Set::RefToWE(false);
  }
  const double target = Results().MuxTransfer[0].Offset.Value;
  RunSteps(3, [ring, target](int r) {
    if (r > 2) {
      RangeError();
      return false;
    }
    const auto feedback = static_cast<std::uint8_t>(r);
    K5Set::Feedback(feedback);
    K5Set::ModelCell(3);
    VrnlBoards::Wait(0.1);
    Protocol::OffsetDacValues& record = Results().WorkingElectrodeOffsetDac[r];
    CorrectedMeanAndRms(MuxAdc(), kInterval, kPoints, record.Offset.Value, record.Noise.Value);
    FindDacValue(MuxAdc(), target, K5Set::WorkElectrOffsetDac, kDac12, record.Dac.Value, record.Flag, !ring, 0.1);
    Protocol::WriteOffsetDac(record);
    WritePausingIndex(r);
    if (record.Flag) Loc.WorkElectrOffsetDac[feedback] = static_cast<std::uint16_t>(std::lround(record.Dac.Value));
    return true;
  });
  if (ring) K5Set_510::RefToGround(false);
}

}  // namespace K5Measure
