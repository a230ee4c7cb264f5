#pragma once

// The probe tests on a simulated rack of one board: the bench at its probe
// (sim/amplifier/ProbeBench.h) settable at any time, an operator who moves
// the bench as the requests ask, and the scale store of the trim over the
// board's EEPROM.

#include <functional>
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
  char BoardLetter() const override { return 'Y'; }
  std::uint16_t HardwareVersion() const override { return 0x4001; }

  AmplifierRack& Rack() { return rack_->Rack(0); }
  BenchPosition& Bench() { return bench_; }
  // Puts the bench in place from the next conversion on.
  void ApplyBench() { Rack().SetBench(0, 0, bench_); }
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

  BenchPosition bench_;
};
