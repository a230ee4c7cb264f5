// A calibration's store on the second of two joined QRN 5+5 units: the
// second rack's board is reached through its own TLV port (output 12,
// input 20, as the channels are set for a board in the second rack), and
// nothing reaches the first rack's chip.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "amplifier/tests/EEPROMRack_fixture.h"
#include "foundation/Strings.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

class JoinedUnits : public JoinedUnitsTest {
 protected:
  void SetUp() override {
    JoinedUnitsTest::SetUp();
    ZRVBase::InitModule();
    VrnlBoards::InitModule();
    ZRV::InitModule();
    VrnlEEPROM::InitModule();
    ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ZRVBase::ErrorText;

    T3Base::InitModule();
    T3Error::InitModule();
    T3Panel::InitModule();
    T3Set::InitModule();
    T3Base::FirstRackBoards = 1;
    T3Base::SecondRackBoards = 1;
    T3Base::T3Boards = 2;
    Strings::Assign(T3Base::SerialNumber, "555555");
    T3Set::SendToHardware = true;
    T3Types::State.Board = 1;
    T3Panel::SetT3BoardLatch(1);
    T3Panel::FillAdcAndDac(T3Types::State);
  }
};

TEST_F(JoinedUnits, TheSecondUnitsBoardStoresItsCalibration) {
  ASSERT_TRUE(T3Base::IsSecondRack);
  ASSERT_EQ(T3Types::State.CommandPortChannel, 12);
  ASSERT_EQ(T3Types::State.EEPROMReadChannel, 20);
  const std::vector<std::uint8_t> firstRackChip = Rack(0).BoardChip(0)->Image();

  ASSERT_TRUE(T3EEPROM::WriteVersion("555555R", true));
  T3Scale::Scale = SampleScale(1);
  T3Auto::CFastTable = SampleCFast(1);
  std::string message;
  ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
  ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;

  T3Scale::Scale = {};
  T3Auto::CFastTable = {};
  std::array<char, 16> version{};
  ASSERT_TRUE(T3EEPROM::ReadVersion(version, false));
  EXPECT_STREQ(version.data(), "555555R");
  ASSERT_TRUE(T3EEPROM::ReadScale(message)) << message;
  EXPECT_TRUE(T3Scale::Scale == Stored(SampleScale(1)));
  ASSERT_TRUE(T3EEPROM::ReadCFast(message)) << message;
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(1));

  const auto& chip = Rack(1).BoardChip(0)->Image();
  EXPECT_EQ(std::string(chip.begin() + 4 * 256, chip.begin() + 4 * 256 + 10), "TlvScaleID");
  EXPECT_EQ(Rack(0).BoardChip(0)->Image(), firstRackChip);
  EXPECT_EQ(Rack(0).StrictBits() + Rack(1).StrictBits(), 0);
}

}  // namespace
