// The filter dynamics measurements and the current filter, voltage filter
// and voltage output amplifier tests.
#include <array>
#include <cmath>
#include <vector>

#include "acquisition/ADMeasure.h"
#include "acquisition/ChirpReal.h"
#include "acquisition/VrnlBoards.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"

namespace K5Measure {

namespace {

using Protocol::TransferValues;

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr std::int32_t kChirpPoints = 256;
constexpr std::int32_t kChirpRepeats = 15;
constexpr double kChirpReferencePhase = -270.0;
constexpr int kFilterSteps = 7;

// Per filter: tau interval, gain interval, corner variant / normal, settle.
struct FilterRow {
  double tauInterval;
  double gainInterval;
  double variantCorner;
  double normalCorner;
  double settle;
};
constexpr std::array<FilterRow, 8> kFilterRows{{
    {0.004, 0.01, 15, 10, 0.1},
    {0.0001, 0.00025, 50, 300, 0.01},
    {0.00004, 0.00005, 500, 1000, 0.002},
    {0.00001, 0.00005, 1500, 3000, 0.002},
    {0.000005, 0.00005, 5000, 10000, 0.002},
    {0.000005, 0.00005, 15000, 30000, 0.002},
    {0.000005, 0.00005, 50000, 75000, 0.002},
    {0.000005, 0.00005, 50000, 75000, 0.002},
}};

// The chirp (4 n singles and its two spare entries) and the samples of its
// acquisitions.
std::array<float, 4 * kChirpPoints + 2> chirp{};
std::vector<std::int16_t> chirpData(static_cast<std::size_t>(kChirpPoints) * (kChirpRepeats + 1));


// Which path a filter test drives: the mux channel after its filter, the
// test DAC's path to it, the amplifier mode, and the filter switches.
struct FilterPath {
  std::uint8_t mux;
  std::uint8_t testDacPath;
  std::uint8_t mode;
  bool voltage;
};
constexpr FilterPath kCurrentPath{7, 2, 0, false};
constexpr FilterPath kVoltagePath{13, 1, 1, true};

void PreparePath(const FilterPath& path) {
  InitHardware(path.mux);
  K5Set::TestDacPath(path.testDacPath);
  K5Set::AmplMode(path.mode);
}

// The filter of step i with the stimulus and control bandwidths out of its
// way; FALSE past the table.
bool SetFilter(const FilterPath& path, int i, FilterParameters& parameters, bool bothFilters) {
  if (!GetFilterParameters(i, parameters, false)) return false;
  SetStimAndControlBandwidth(static_cast<std::uint8_t>(i + 2));
  if (!path.voltage || bothFilters) K5Set::CurrentFilter(static_cast<std::uint8_t>(i));
  if (path.voltage) K5Set::VoltageFilter(static_cast<std::uint8_t>(i));
  VrnlBoards::Wait(parameters.settle);
  return true;
}

void FilterGains(std::string_view keyword, const FilterPath& path, TransferValues (&records)[kFilterSteps]) {
  if (!OpenTest(keyword)) return;
  PreparePath(path);
  RunSteps(kFilterSteps, [&](int i) {
    FilterParameters parameters{};
    if (!SetFilter(path, i, parameters, false)) return false;
    MeasureMuxTransfer(records[i], State().TestDacChannel, parameters.gainInterval, i);
    return true;
  });
}

void FilterDynamics(std::string_view keyword, const FilterPath& path, Protocol::ExponentialValues (&taus)[kFilterSteps],
                    Protocol::FrequencyResponseValues (&corners)[kFilterSteps]) {
  if (!OpenTest(keyword)) return;
  PreparePath(path);
  MakeChirp();
  RunSteps(kFilterSteps, [&](int i) {
    FilterParameters parameters{};
    if (!SetFilter(path, i, parameters, true)) return false;
    GetTau(taus[i], State().TestDacChannel, MuxAdc(), 5.0, parameters.tauInterval, 0, i, false);
    GetMinus3db(corners[i], State().TestDacChannel, MuxAdc(), 5.0, parameters.tauInterval, parameters.corner, 0, i);
    return true;
  });
}

}  // namespace

bool GetFilterParameters(std::int32_t filter, FilterParameters& parameters, bool variant) {
  if (filter < 0 || filter >= static_cast<std::int32_t>(kFilterRows.size())) {
    RangeError();
    return false;
  }
  const FilterRow& row = kFilterRows[static_cast<std::size_t>(filter)];
  parameters = {row.tauInterval, row.gainInterval, variant ? row.variantCorner : row.normalCorner, row.settle};
  return true;
}

void MakeChirp() { ChirpReal::MakeChirp(kChirpPoints, chirp); }

void GetTau(Protocol::ExponentialValues& record, std::int32_t dac, std::int32_t adc, double amplitude,
            double interval, std::uint8_t stimScale, std::int32_t pausingIndex, bool negate) {
  VrnlBoards::Wait(0.1);
  ADMeasure::TimeConstant(dac, adc, amplitude, interval, 1, true, record.Tau.Value, record.Amp.Value,
                          record.Base.Value);
  if (negate) record.Amp.Value = -record.Amp.Value;
  SetStimDacOffset(stimScale);
  Protocol::WriteExponential(record);
  WritePausingIndex(pausingIndex);
}

void GetMinus3db(Protocol::FrequencyResponseValues& record, std::int32_t dac, std::int32_t adc, double amplitude,
                 double interval, double corner, std::uint8_t stimScale, std::int32_t pausingIndex) {
  std::int32_t amplitudeCodes = 0;
  double run = interval;
  if (!ChirpReal::AcquireAverage(dac, adc, amplitude, run, kChirpPoints, kChirpRepeats, 1, chirp, chirpData,
                                 amplitudeCodes)) {
    TestIO::WriteLine("Error in Chirp Acquire");
  }
  SetStimDacOffset(stimScale);
  ChirpReal::TransformResponse(kChirpPoints, amplitudeCodes, kChirpReferencePhase, dac, adc, run, chirp);
  record.Q.Value = 1.0;
  if (!ChirpReal::FindMinus3db(run, kChirpPoints, chirp, corner, record.Fo.Value)) {
    TestIO::WriteLine("Error in FindMinus3db");
  }
  Protocol::WriteFQ(record);
  WritePausingIndex(pausingIndex);
}

void CurrentFilter() { FilterGains("CurrentFilter", kCurrentPath, Results().CurrentFilter); }

void VoltageFilter() { FilterGains("VoltageFilter", kVoltagePath, Results().VoltageFilter); }

void CurrentFilterTau() {
  FilterDynamics("CurrentFilterFreq", kCurrentPath, Results().CurrentFilterTau, Results().CurrentFilterFreq);
}

void VoltageFilterTau() {
  FilterDynamics("VoltageFilterFreq", kVoltagePath, Results().VoltageFilterTau, Results().VoltageFilterFreq);
}

void VoltageOutputAmplifier() {
  Loc.VoltageOffsetDac.fill(2047);
  K5Protocol::ResultsRecord& results = Results();
  const bool ring = State().IsRingAmplifier;
  for (int pass = 0; pass < 2; ++pass) {
    if (!OpenTest(pass == 0 ? "OffsetVoltageAmplifierDac" : "VoltageOutputAmplifier")) return;
    if (pass == 0) InitHardware(9, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[0], 2047, 2047);
    K5Set::RefToGround(pass == 0);
    K5Set::ModelCell(pass == 0 ? 0 : 1);
    const bool completed = RunSteps(4, [&](int g) {
      const auto gain = static_cast<std::uint8_t>(g);
      const double f = K5Panel::VoltOutAmplGainToFactor(gain);
      K5Set::VoltageOutputAmplifierGain(gain);
      K5Set::VoltageOffsetDac(Loc.VoltageOffsetDac[gain]);
      VrnlBoards::Wait(0.1);
      double mean = 0.0;
      double rms = 0.0;
      CorrectedMeanAndRms(State().VoltageAdcChannel, kInterval, kPoints, mean, rms);
      if (pass == 0) {
        Protocol::OffsetDacValues& record = results.OffsetVoltageAmplifierDac[g];
        record.Offset.Value = mean;
        record.Noise.Value = rms;
        FindDacValue(State().VoltageAdcChannel, 0.0, K5Set::VoltageOffsetDac, kDac12, record.Dac.Value, record.Flag,
                     !ring, 0.1);
        Protocol::WriteOffsetDac(record);
        if (record.Flag) Loc.VoltageOffsetDac[gain] = static_cast<std::uint16_t>(std::lround(record.Dac.Value));
      } else {
        const double measured =
            CorrectedGain(State().StimDacChannel, State().VoltageAdcChannel, 5.0 * f, kInterval, 0) * f;
        Store(results.VoltageOutputAmplifier[g], measured, mean, rms);
        Protocol::WriteTransfer(results.VoltageOutputAmplifier[g]);
        SetInverse(Loc.VoltageOutFactor[gain], 1.0, measured, "LocVoltageOutFactor");
      }
      WritePausingIndex(g);
      return true;
    });
    if (!completed) return;
  }
}

}  // namespace K5Measure
