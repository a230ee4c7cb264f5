// The automatic procedures on a simulated rack with its analog side: one
// board (or four) of the parameter's interface, the cell on the probe and
// the rack's noise as the test chooses, the amplifier core started on it.
#pragma once

#include <cstdint>

#include "amplifier/tests/AmplifierCore_fixture.h"
#include "amplifier/tests/BoardRack_fixture.h"
#include "sim/amplifier/AmplifierCell.h"

class AutoRackTest : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override;

  // Starts the core with the cell on board 0's probe.
  void Start(const AmplifierCell& cell, std::uint16_t options = 0);

  // What the rack's board applies by its elements.
  const AmplifierBoardModel& Model(int board = 0) { return *Rack().Model(board); }
  AmplifierCompensation Applied(int board = 0);
  // The elements as the rack's board holds them.
  BoardElements Elements(int board = 0);

  bool noise_ = true;
  int boards_ = 1;
  char letter_ = 'R';
};
