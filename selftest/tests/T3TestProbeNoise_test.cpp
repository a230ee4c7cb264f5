// The probe's noise spectra on a simulated board whose bench reports the
// noise density it draws: the bands against the density referred to the
// input by the measured transfer, the gain factor's doubling, the chirp's
// halving, the gates of the bands.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ProbeRack_fixture.h"
#include "amplifier/T3Panel.h"
#include "numerics/SpectrumReal.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestBase.h"

namespace {

using T3TestProbe::ProbeTestResults;

constexpr double kScale = 1e-10;
constexpr int kTraces = 50;
constexpr double kBinHz = 1.0 / (1024 * 1e-5);
// The ADC's own noise: a code's uniform rounding, white (V^2/Hz).
constexpr double kQuantization = 1.0 / (3200.0 * 3200.0) / 12.0 * 2 * 1e-5;

struct Band {
  int first;
  int count;
};
constexpr std::array<Band, 4> kBands = {{{9, 2}, {17, 3}, {28, 4}, {39, 4}}};

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

class NoiseRack : public ProbeRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProbeRack::SetUp());
    bench_.probe.noise = true;
    ApplyBench();
  }
  // The gain factor the measurement ended with: the last number after "gain =".
  double LastFactor(const std::string& notebook) {
    const std::size_t at = notebook.find("gain =");
    EXPECT_NE(at, std::string::npos) << notebook;
    const std::string line = notebook.substr(at + 6, notebook.find('\n', at) - at - 6);
    double factor = 0.0;
    for (std::size_t k = 0; k + 8 <= line.size(); k += 8) factor = std::stod(line.substr(k, 8));
    return factor;
  }
  // What a band should read: the bench's density at the monitor over the
  // squared measured transfer and gain factor, averaged over the band's bins
  // as the compression groups them; and its relative standard error. Each
  // bin's power of 50 traces scatters by 1.1 / sqrt(50) (the window's
  // tapers make neighbouring bins share a tenth of their noise), and the
  // band weighs its bins by the measured transfer: where the chirp's own
  // noise leaves that uneven, fewer bins carry the band.
  struct Prediction {
    double value;
    double error;
  };
  Prediction Predicted(int first, int count, double factor) {
    SpectrumReal::ComputeCompression(1024, 10);
    int bin = 0;
    for (int p = 0; p < first; ++p) bin += SpectrumReal::ComprFactors[static_cast<std::size_t>(p)];
    double sum = 0.0;
    double squares = 0.0;
    for (int p = first; p < first + count; ++p) {
      const int width = SpectrumReal::ComprFactors[static_cast<std::size_t>(p)];
      for (int k = bin; k < bin + width; ++k) {
        const double gain = T3TestProbe::ChirpArray[static_cast<std::size_t>(k)];
        const double monitor = Rack().ProbeNoiseDensity(0, k * kBinHz) + kQuantization;
        const double share = monitor * kScale * kScale / (factor * factor * gain * gain) / (width * count);
        sum += share;
        squares += share * share;
      }
      bin += width;
    }
    return {sum, 1.1 / std::sqrt(static_cast<double>(kTraces)) * std::sqrt(squares) / sum};
  }

  ProbeTestResults results_{};
};

INSTANTIATE_TEST_SUITE_P(Boards, NoiseRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(NoiseRack, TheBandsAgreeWithTheBenchsDensityAndQuietTracesDoubleTheGainFourTimes) {
  static constexpr const char* kNames[] = {"Low range.  ", "Medium range.  ", "High range.  "};
  for (int range = 2; range >= 0; --range) {
    SCOPED_TRACE(kNames[range]);
    const BlockRun run = Run([&] {
      T3TestProbe::MeasureNoise(range, kScale, false, results_);
      return true;
    });
    EXPECT_TRUE(Has(run.notebook, std::string(kNames[range]) + "gain =      40      80     160     320     640\n"))
        << run.notebook;
    EXPECT_TRUE(Has(run.notebook, "Go" + std::string(kTraces, '.') + "done.")) << run.notebook;
    const double factor = LastFactor(run.notebook);
    EXPECT_EQ(factor, 640.0);
    for (int b = 0; b < 4; ++b) {
      SCOPED_TRACE(b);
      const Band& band = kBands[static_cast<std::size_t>(b)];
      const Prediction predicted = Predicted(band.first, band.count, factor);
      // The top band lies where the converters' own corrections of the
      // transfer matter: a tenth more room there.
      const double allowance = b == 3 ? 0.1 : 0.0;
      EXPECT_NEAR(results_.Noise[range][b].Value / predicted.value, 1.0, 4 * predicted.error + allowance);
    }
    EXPECT_EQ(Count(run.report, "E-"), 4u) << run.report;
  }
}

TEST_P(NoiseRack, ALoudTraceKeepsTheGainFactor) {
  bench_.probe.noise_factor = 3.0;
  ApplyBench();
  const BlockRun run = Run([&] {
    T3TestProbe::MeasureNoise(2, kScale, false, results_);
    return true;
  });
  EXPECT_TRUE(Has(run.notebook, "gain =      40\n")) << run.notebook;
}

TEST_P(NoiseRack, AnAbortLeavesTheBandsAndASaturatedChirpMakesThemNaN) {
  for (int b = 0; b < 4; ++b) results_.Noise[1][b].Value = 7.0;
  TestBase::Aborted = true;
  BlockRun run = Run([&] {
    T3TestProbe::MeasureNoise(1, kScale, false, results_);
    return true;
  });
  TestBase::Aborted = false;
  EXPECT_FALSE(Has(run.notebook, "done."));
  for (int b = 0; b < 4; ++b) EXPECT_EQ(results_.Noise[1][b].Value, 7.0);
  // A monitor beyond the ADC's range saturates every chirp.
  bench_.probe.monitor_offset_volts = 10.4;
  ApplyBench();
  run = Run([&] {
    T3TestProbe::MeasureNoise(1, kScale, false, results_);
    return true;
  });
  EXPECT_TRUE(Has(run.notebook, "Signal too large in Chirp.Acquire")) << run.notebook;
  for (int b = 0; b < 4; ++b) EXPECT_TRUE(std::isnan(results_.Noise[1][b].Value));
}

// The chirp halves from 8 V while it saturates, silently once a try fits:
// the nominal 1 pF capacitor saturates at 8 V and fits at 4 V, a stronger
// one needs 2 V, a weaker one fits at once.
TEST_P(NoiseRack, TheChirpHalvesUntilItFits) {
  struct Case {
    double onePicofaradShare;
    double lastChirp;  // of the first
  };
  // As the sequence leaves it: the test DAC into the test integrator.
  T3Panel::SetMode(0);
  T3Panel::SetTestDacPath(4);
  for (const Case c : {Case{0.5, 1.0}, Case{1.0, 0.5}, Case{2.0, 0.25}}) {
    SCOPED_TRACE(c.onePicofaradShare);
    bench_.probe.one_pf_share = c.onePicofaradShare;
    ApplyBench();
    record_->Clear();
    const BlockRun run = Run([&] {
      T3TestProbe::MeasureNoise(2, kScale, false, results_);
      return true;
    });
    EXPECT_FALSE(Has(run.notebook, "Signal too large")) << run.notebook;
    // The chirps on the unit's fifth DAC, the test DAC: the last one is the
    // acquisition of 4096 points before the DAC rests at 0 V for the traces.
    const std::vector<DacConversion> record = record_->Conversions();
    std::size_t end = record.size();
    while (end > 0 && record[end - 1].volts[4] == 0.0) --end;
    double first = 0.0;
    double last = 0.0;
    for (std::size_t k = 0; k < end; ++k) {
      first = std::max(first, std::fabs(record[k].volts[4]));
      if (k + 4096 >= end) last = std::max(last, std::fabs(record[k].volts[4]));
    }
    EXPECT_NEAR(last / first, c.lastChirp, 0.01);
    for (int b = 0; b < 4; ++b) EXPECT_TRUE(std::isfinite(results_.Noise[2][b].Value));
  }
}

TEST(ProbeNoise, InBoundsHoldsEverySampleNearTheTruncatedMeanWithinTheConvertersRange) {
  struct Case {
    const char* name;
    std::vector<std::int16_t> samples;
    std::int32_t margin;
    bool inBounds;
  };
  const std::vector<Case> cases = {
      {"within", {100, -100, 0, 50}, 200, true},
      {"one beyond", {0, 0, 0, 1000}, 400, false},
      {"on the bound", {-300, 300, 0, 0}, 300, true},
      // Mean 7999: the upper bound is clipped to 8192, the lower one is not.
      {"near the top", {8100, 7898}, 2000, true},
      {"below the clipped bound", {-8192, -8191, 100}, 2000, false},
      {"truncated mean", {1, 2}, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(T3TestProbe::InBounds(c.samples, static_cast<std::int32_t>(c.samples.size()), c.margin), c.inBounds);
  }
}

TEST(ProbeNoise, ABandAveragesExactlyItsCompressedPoints) {
  SpectrumReal::SpectrumRecord record{};
  for (std::size_t k = 0; k < record.Values.size(); ++k) record.Values[k] = static_cast<float>(k * k);
  EXPECT_DOUBLE_EQ(T3TestProbe::AvgSpectrum(record, 17, 3), (17.0 * 17 + 18 * 18 + 19 * 19) / 3);
}

}  // namespace
