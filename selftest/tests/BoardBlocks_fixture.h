#pragma once

// The board test's blocks on a simulated rack of one board of a given
// letter, noise on, tester mode on, every limit open until a test sets
// them; the report goes to a file and the notebook.

#include <cmath>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "BlockValues_fixture.h"
#include "SelftestRack_fixture.h"
#include "selftest/T3Tester.h"
#include "selftest/TestResultsBlock.h"

// The report's lines of one run.
struct BlockRun {
  bool passed = false;
  std::string report;
  std::string notebook;
};

// The board of the parameter's AD/DA board with the letter and hardware
// version of the class.
class BoardBlocks : public SelftestRack {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Configure(AmplifierRackConfig& config) override;
  virtual char BoardLetter() const { return 'R'; }
  virtual std::uint16_t HardwareVersion() const { return 0x4001; }

  // Runs the block on the results, written to "Report.txt".
  BlockRun Run(const std::function<bool()>& block);

  // Every MeasuredValue of a group, in member order.
  template <class Group>
  static std::vector<Protocol::MeasuredValue*> Values(Group& group) {
    std::vector<Protocol::MeasuredValue*> values;
    for (const BlockValue& v : ValuesOf(group)) values.push_back(v.value);
    return values;
  }
  // The limits of the multiplexer's and the five blocks' values open.
  void OpenLimits();

  // Limits around the runs of a nominal board: wider than their spread by
  // five spreads, a share of the value and a floor by the kind of value:
  // noise readings scatter by tens of per cent between runs, and a reading
  // near 0 flickers by the converter's step (0.3 mV); a mean by a share of
  // its readings' noise, whose hum 512 samples do not average out. A
  // time-constant fit to a step the rack leaves without amplitude fits
  // noise: its limits stay open.
  static constexpr double kLeastFitAmplitude = 0.05;
  static constexpr double kMeanNoiseShare = 0.3;
  template <class Group>
  static void LimitsAround(Group& group, const std::vector<Group>& runs) {
    const BlockValues values = ValuesOf(group);
    for (std::size_t k = 0; k < values.size(); ++k) {
      double low = 0.0;
      double high = 0.0;
      double noise = 0.0;
      bool noStep = false;
      for (std::size_t r = 0; r < runs.size(); ++r) {
        const BlockValue run = ValuesOf(const_cast<Group&>(runs[r]))[k];
        const double v = run.value->Value;
        low = r == 0 ? v : std::min(low, v);
        high = r == 0 ? v : std::max(high, v);
        noStep = noStep || (run.fitAmplitude != nullptr && !(std::fabs(run.fitAmplitude->Value) >= kLeastFitAmplitude));
        if (run.noise != nullptr && std::isfinite(run.noise->Value)) noise = std::max(noise, run.noise->Value);
      }
      if (noStep) {
        values[k].value->Lower = Protocol::kNoLower;
        values[k].value->Upper = Protocol::kNoUpper;
        continue;
      }
      const Margin m = MarginOf(values[k].kind);
      const double margin =
          5 * (high - low) + m.share * std::max(std::fabs(low), std::fabs(high)) + m.floor + kMeanNoiseShare * noise;
      values[k].value->Lower = low - margin;
      values[k].value->Upper = high + margin;
    }
  }
  struct Margin {
    double share;
    double floor;
  };
  static Margin MarginOf(ValueKind kind);

  unsigned seed_ = 7;
  TestResultsBlock::SelfTestResults results_{};
  T3Tester::TesterModeSave save_;
};

std::size_t Count(const std::string& text, const std::string& what);
