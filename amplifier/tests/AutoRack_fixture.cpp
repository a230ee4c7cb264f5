#include "amplifier/tests/AutoRack_fixture.h"

#include "acquisition/VrnlBoards.h"

AmplifierRackConfig AutoRackTest::RackConfig() const {
  AmplifierRackConfig config = Racks(1, boards_, letter_);
  config.analog = true;
  config.noise = noise_;
  return config;
}

void AutoRackTest::Start(const AmplifierCell& cell, std::uint16_t options) {
  UseWiring();
  StartCore(options);
  Rack().SwitchModelCircuit(0, cell);
}

AmplifierCompensation AutoRackTest::Applied(int board) {
  VrnlBoards::FlushCache();
  return Model(board).Compensation(Rack().Board(board));
}

BoardElements AutoRackTest::Elements(int board) {
  VrnlBoards::FlushCache();
  return BoardPart(Rack().Board(board).Elements().data());
}
