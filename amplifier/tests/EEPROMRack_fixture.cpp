#include "amplifier/tests/EEPROMRack_fixture.h"

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "foundation/Bytes.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"

void EEPROMRackTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
  ADMeasure::TestWriteMode = 0;
  VrnlEEPROM::InitModule();
}

void EEPROMRackTest::TearDown() {
  SimulatedBoardTest::TearDown();
  rack_.reset();
}

void EEPROMRackTest::UseWiring() { Rewire(OneBoardRack(AmplifierEEPROMKind::kPage)); }

void EEPROMRackTest::Rewire(AmplifierRackConfig config) {
  config.interface = static_cast<RackInterface>(Board());
  auto wiring = std::make_unique<AmplifierRackWiring>(config);
  SetWiring(wiring.get(), wiring->Unit(0));
  rack_ = std::move(wiring);
}

void EEPROMRackTest::ConnectAmplifier(bool pageChip) {
  T3Base::InitModule();
  T3Error::InitModule();
  T3Base::BoardVersion = rack_->Config().boards[0].letter;
  T3Base::ADBoard = Board();
  T3Panel::InitModule();
  T3Set::InitModule();
  T3Types::State.BoardVersion = T3Base::BoardVersion;
  T3Types::State.ADBoard = Board();
  T3Panel::FillAdcAndDac(T3Types::State);
  T3Types::State.EEPROMKind = pageChip ? 2 : 1;
  T3Set::SendToHardware = true;
  T3Set::T3BoardLatch(0);
  T3Set::EEPROMDataPath(true);
  T3Set::EEPROMSelect(false);
  VrnlBoards::Wait(0.05);
}

VrnlEEPROM::Chip EEPROMRackTest::AmplifierChip() {
  return {T3Set::EEPROMSelect, 0, T3Types::State.EEPROMReadChannel,
          T3Types::State.CommandPortChannel};
}

void JoinedUnitsTest::SetUp() {
  QRN55BackendTest::SetUp();
  Platform::UseVirtualClock(1000.0);
  AmplifierRackConfig config;
  config.interface = RackInterface::kQRN55;
  config.racks = 2;
  racks_ = std::make_unique<AmplifierRackWiring>(config);
  for (int index = 0; index < 2; ++index) {
    QRN55SimUnitConfig unit = SimUnitConfig("JOINED1", 2, index);
    unit.signature.firmware = 8;
    unit.signature.logic = 16;
    Plug(unit, " JOINED1-" + std::to_string(index))->SetWiring(racks_->Unit(index));
  }
}

void JoinedUnitsTest::TearDown() {
  ZRV::Shutdown();
  Platform::UseRealClock();
  QRN55BackendTest::TearDown();
}

AmplifierRackConfig OneBoardRack(AmplifierEEPROMKind eeprom, char letter) {
  AmplifierRackConfig config;
  config.boards[0].eeprom = eeprom;
  config.boards[0].letter = letter;
  return config;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i + (i >> 8));
  return bytes;
}

T3Scale::ScaleRecord SampleScale(int board) {
  const T3Scale::ScaleRecord live = T3Scale::Scale;
  const bool loaded = T3Init::ScaleFileLoaded;
  T3Scale::LoadDefaults();
  T3Scale::ScaleRecord record = T3Scale::Scale;
  T3Scale::Scale = live;
  T3Init::ScaleFileLoaded = loaded;
  Strings::Assign(record.CalibDate, "03-Nov-2026");
  Strings::Assign(record.Tag, "TLV4_USB/1/0");
  record.BoardLetter = 'R';
  record.CFastFactor = 1.5 + board;
  record.CCStimDacOffset[1] = static_cast<std::int16_t>(-300 - board);
  return record;
}

T3Scale::ScaleRecord Stored(T3Scale::ScaleRecord record) {
  std::vector<std::byte> image(T3EEPROM::ScaleBlockSize);
  Bytes::InitProcs(image, Bytes::kPack);
  EXPECT_TRUE(T3ScaleFiles::ProcessScaleRecord(record, false, true));
  T3Scale::ScaleRecord stored{};
  Bytes::InitProcs(image, Bytes::kCopy);
  EXPECT_TRUE(T3ScaleFiles::ProcessScaleRecord(stored, false, true));
  Bytes::InitModule();
  return stored;
}

T3Scale::CFastTable SampleCFast(int board) {
  T3Scale::CFastTable table;
  float next = 1.0e-3f * static_cast<float>(board + 1);
  for (auto& lookup : table.Tables) {
    lookup.SampleInterval = next *= -1.0001f;
    for (auto* kernels : {&lookup.CFast1, &lookup.CFast2, &lookup.Tau}) {
      for (auto& row : *kernels) {
        for (float& coefficient : row) coefficient = next *= -1.0001f;
      }
    }
  }
  return table;
}
