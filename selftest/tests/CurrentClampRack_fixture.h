#pragma once

// The current-clamp tests on a simulated rack of one board of the letter
// and hardware version of the class, with an operator at the bench who
// moves the model circuit as the requests ask: the results' limits from
// the hand-written range file of the board's hardware variant (or open),
// the rack's current-clamp truths and faults at hand.

#include <cstdint>
#include <string>

#include "ProbeRack_fixture.h"
#include "selftest/TestResultsBlock.h"

class CurrentClampRack : public ProbeRack {
 protected:
  void SetUp() override;

  AmplifierBoardConfig& Config() { return rack_->BoardConfig(0, 0); }
  CurrentClampFaults& Faults() { return Config().current_clamp_faults; }
  const CurrentClampTruths& Truths() { return Config().current_clamp; }
  TestResultsBlock::CurrentClampResults& Group() { return results_.StimulusPath.CurrentClamp; }

  // Reads the range file of the data folder into the results' limits.
  bool ReadRange(const std::string& name);

  TestResultsBlock::MuxTestResults mux_{};
};

// The board of the class's letter and hardware version.
template <char BoardVersion, std::uint16_t Hardware>
class GenerationRack : public CurrentClampRack {
 protected:
  char BoardLetter() const override { return BoardVersion; }
  std::uint16_t HardwareVersion() const override { return Hardware; }
};

// As the board versions give them: 'R' the true current clamp with gains
// 0-3 (and every other option but V-ref x2), 'D' the fast option with
// gains 0 and 1, 'A' the old amplifier with gains 0 and 1.
using TrueCCRack = GenerationRack<'R', 16382>;
using FastCCRack = GenerationRack<'D', 62>;
using OldCCRack = GenerationRack<'A', 48>;
