#include "amplifier/tests/BoardRack_fixture.h"

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "sim/ZRVLibrary/ZRVSim.h"

void BoardRackTest::UseWiring() {
  AmplifierRackConfig config = RackConfig();
  config.interface = static_cast<RackInterface>(Board());
  rack_ = std::make_unique<AmplifierRackWiring>(config);
  SetWiring(rack_.get(), rack_->Unit(0));
  if (Board() == ZRVBase::BoardQRN2400 && rack_->Racks() > 1) {
    ZRVSimSettings settings{};
    ZRVSim_GetSettings(kZRVSimQRN2400, &settings);
    settings.racks = 2;
    settings.slave_serial = 840u * 0x10000u + 77;
    ZRVSim_SetSettings(kZRVSimQRN2400, &settings);
  }
}

void BoardRackTest::StartCore(std::uint16_t options) {
  const AmplifierRackConfig& config = rack_->Config();
  StartAmplifierCore(config.boards[0].letter);
  // The kinds that go with the board types 0-3.
  constexpr T3Types::AmplifierKind kKinds[] = {T3Types::KindTlv3, T3Types::KindTlv4Plus,
                                               T3Types::KindTlv4, T3Types::KindTlv4USB};
  T3Base::AmplKind = kKinds[Board()];
  T3Base::MaskChipSelectBit = Board() == ZRVBase::BoardZRV24;
  T3Base::ADBoard = Board();
  T3Base::HardwareVersion = options;
  T3Base::FirstRackBoards = config.boards_per_rack;
  T3Base::SecondRackBoards = rack_->Racks() > 1 ? config.boards_per_rack : 0;
  T3Base::T3Boards = T3Base::FirstRackBoards + T3Base::SecondRackBoards;
  T3Base::TetralRack1 = config.boards_per_rack == 4;
  T3Base::TetralRack2 = T3Base::TetralRack1 && rack_->Racks() > 1;
  T3Types::State.BoardVersion = T3Base::BoardVersion;
  T3Types::State.ADBoard = Board();
  T3Set::SendToHardware = true;
  VrnlBoards::SetProperties(true, false);
  T3Set::InitHardware();
  VrnlBoards::FlushCache();
  ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
  ASSERT_EQ(T3Error::Error, 0);
}

AmplifierRackConfig Racks(int racks, int boards, char letter) {
  AmplifierRackConfig config;
  config.racks = racks;
  config.boards_per_rack = boards;
  for (auto& board : config.boards) {
    board.letter = letter;
    board.eeprom = AmplifierEEPROMKind::kNone;
  }
  return config;
}
