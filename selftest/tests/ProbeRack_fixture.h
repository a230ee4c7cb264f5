#pragma once

// The probe tests on a simulated rack of one board ('Y' unless a test
// says otherwise), with or without a probe selector: the bench at its probe
// (sim/amplifier/ProbeBench.h) settable at any time, and an operator who
// moves the bench as the requests ask.

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "BoardBlocks_fixture.h"
#include "sim/amplifier/ProbeBench.h"

class ProbeRack : public BoardBlocks {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Configure(AmplifierRackConfig& config) override;
  char BoardLetter() const override { return letter_; }
  std::uint16_t HardwareVersion() const override { return 0x4001; }

  AmplifierRack& Rack() { return rack_->Rack(0); }
  BenchPosition& Bench() { return bench_; }
  // Puts the bench in place from the next conversion on.
  void ApplyBench() { Rack().SetBench(0, position_, bench_); }
  void Put(ModelCircuit circuit) {
    bench_.circuit = circuit;
    ApplyBench();
  }

  // The operator: every message lands in messages_; answer gives the
  // button (after moving the bench if it likes).
  std::function<int(std::string_view)> answer_;
  std::vector<std::string> messages_;
  // An operator who does what the requests ask and presses Continue.
  int Dutiful(std::string_view message);

  // The limits of the test data's range file into the results.
  void ReadRanges(const std::string& file);
  // The probe values the sequence measured that lie outside their limits
  // (or are NaN), named as "Noise[2][1]" or "Input10M.Gain"; a TLV 1 probe
  // leaves the low range out, a board without the trim its values.
  std::set<std::string> FailedProbeValues() const;

  BenchPosition bench_;
  // Set before SetUp: the board's letter, and the selector position (0:
  // no selector).
  char letter_ = 'Y';
  int position_ = 0;
};
