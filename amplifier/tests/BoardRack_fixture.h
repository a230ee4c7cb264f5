// Amplifier boards on a simulated rack of the parameter's board type, one
// or two racks of one to four boards, the amplifier core started on them
// as the program starts it and every board decoded from its lines alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "acquisition/tests/Measurement_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"

class BoardRackTest : public SimulatedBoardTest {
 protected:
  void UseWiring() override;

  // The racks the test wires; the interface is the parameter's.
  virtual AmplifierRackConfig RackConfig() const { return {}; }

  // The amplifier core on the racks: T3Boards, the boards per rack and the
  // tetral flags as RackConfig says, the letter of rack board 0, words
  // sent, caching on, the boards powered on with board 0 selected.
  void StartCore(std::uint16_t options = 0);

  AmplifierRackWiring& Wiring() { return *rack_; }
  AmplifierRack& Rack(int rack = 0) { return rack_->Rack(rack); }
  const AmplifierBoardElements& Elements(int rack, int board) { return Rack(rack).Board(board); }

 private:
  std::unique_ptr<AmplifierRackWiring> rack_;
};

// Racks of boards with the letter, racks x boards of them.
AmplifierRackConfig Racks(int racks, int boards, char letter = 'S');
