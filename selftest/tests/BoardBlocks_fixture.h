#pragma once

// The board test's blocks on a simulated rack of one board of a given
// letter, noise on, tester mode on, every limit open until a test sets
// them; the report goes to a file and the notebook.

#include <cmath>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

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
  // The values laid one after another from first up to end.
  template <class First, class End>
  static std::vector<Protocol::MeasuredValue*> Laid(First* first, End* end) {
    auto* begin = reinterpret_cast<Protocol::MeasuredValue*>(first);
    const std::size_t count =
        static_cast<std::size_t>(reinterpret_cast<const char*>(end) - reinterpret_cast<const char*>(first)) /
        sizeof(Protocol::MeasuredValue);
    std::vector<Protocol::MeasuredValue*> values;
    for (std::size_t k = 0; k < count; ++k) values.push_back(begin + k);
    return values;
  }

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
    return Laid(&group, &group + 1);
  }
  static std::vector<Protocol::MeasuredValue*> Values(TestResultsBlock::StimulusPathResults& group) {
    std::vector<Protocol::MeasuredValue*> values = Laid(&group.StimBuffer, &group.CurrentClamp);
    for (auto* v : Values(group.CurrentClamp)) values.push_back(v);
    for (auto* v : Laid(&group.GLeak[0], &group + 1)) values.push_back(v);
    return values;
  }
  static std::vector<Protocol::MeasuredValue*> Values(TestResultsBlock::CurrentClampResults& group) {
    return Laid(&group.CCFeedThru, &group.CCTrackMax);
  }
  // The limits of the multiplexer's and the five blocks' values open.
  void OpenLimits();

  // Limits around the runs of a nominal board: wider than their spread by
  // five spreads, 5 % of the value and the multiplexer's noise
  // level, which values near 0 flicker by.
  static constexpr double kFloor = 2e-5;
  template <class Group>
  static void LimitsAround(Group& group, const std::vector<Group>& runs) {
    const std::vector<Protocol::MeasuredValue*> values = Values(group);
    for (std::size_t k = 0; k < values.size(); ++k) {
      double low = 0.0;
      double high = 0.0;
      for (std::size_t r = 0; r < runs.size(); ++r) {
        const double v = Values(const_cast<Group&>(runs[r]))[k]->Value;
        low = r == 0 ? v : std::min(low, v);
        high = r == 0 ? v : std::max(high, v);
      }
      const double margin = 5 * (high - low) + 0.05 * std::max(std::fabs(low), std::fabs(high)) + kFloor;
      values[k]->Lower = low - margin;
      values[k]->Upper = high + margin;
    }
  }

  unsigned seed_ = 7;
  TestResultsBlock::SelfTestResults results_{};
  T3Tester::TesterModeSave save_;
};

std::size_t Count(const std::string& text, const std::string& what);
