// The automatic procedures on a simulated rack with its analog side: one
// board (or four) of the parameter's interface, the cell on the probe and
// the rack's noise as the test chooses, the amplifier core started on it.
#pragma once

#include <cstdint>

#include "acquisition/ZRVBase.h"

#include "amplifier/tests/AmplifierCore_fixture.h"
#include "amplifier/tests/BoardRack_fixture.h"
#include "sim/amplifier/AmplifierCell.h"

// The board letter that goes with an interface's amplifier kind: 'D' on
// the ZRV-24, 'Q' on the ZRV-28, 'S' on the QRN 2400, 'R' on the QRN 5+5.
char LetterOfInterface(ZRVBase::BoardType board);

class AutoRackTest : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override;

  // Starts the core as the program does, every board's state replayed and
  // board 0 selected, with the cell on board 0's probe.
  void Start(const AmplifierCell& cell, std::uint16_t options = 0);

  // The scale record's compensation factors made the rack's truths, so that
  // the values the panel records are those the board applies.
  void UseTruthScale();

  // C-slow on the whole cell's 22 pF and 100 nS (Rs 10 MΩ, so that the Rs
  // fraction is the rack's alpha), Rs compensation on.
  static void CompensateWholeCell();

  // What the rack's board applies by its elements.
  const AmplifierBoardModel& Model(int board = 0) { return *Rack().Model(board); }
  AmplifierCompensation Applied(int board = 0);
  // The elements as the rack's board holds them.
  BoardElements Elements(int board = 0);

  // The truths of every board, the cell aside (Start puts it on the probe).
  AmplifierAnalogTruths analog_;
  bool noise_ = true;
  int boards_ = 1;
  char letter_ = 'R';
};
