#include "calibration/Tlv3Menus.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"

namespace {

void Set(std::span<char> field, const char* text) { Strings::Assign(field, std::string_view(text)); }

class Tlv3MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRVBase::InitModule();
    ZRV::InitModule();
    T3Base::InitModule();
    T3Types::State = {};
  }
  void TearDown() override {
    ZRV::InitModule();
    ZRVBase::InitModule();
    T3Base::InitModule();
  }
  static void Amplifier(T3Types::AmplifierKind kind, ZRVBase::BoardType board, char letter) {
    T3Base::AmplKind = kind;
    ZRV::SetBoardType(board);
    T3Base::BoardVersion = letter;
  }
};

// A QRN 5+5 whose device is not open reports its driver alone.
const std::string kClosedQRN55 = "QRN55, QRN 5+5 (Driver: 0, Firmware: 0, FPGA: 0)";

struct InfoCase {
  const char* name;
  std::function<void()> setUp;
  std::array<std::string, 4> texts;
};

TEST_F(Tlv3MenusTest, HardwareInformationBox) {
  const InfoCase cases[] = {
      {"a TLV 6 shows its title, version C and serial",
       [] {
         Amplifier(T3Types::KindTlv2, ZRVBase::BoardNone, 'C');
         Set(T3Base::Title, "TLV6");
         Set(T3Base::SerialNumber, "801234");
       },
       {"TLV6, Version C\rSerial Number: 801234", "", "", ""}},
      {"a newer board without a letter shows ?",
       [] {
         Amplifier(T3Types::KindTlv4, ZRVBase::BoardQRN2400, 0);
         Set(T3Base::Title, "TLV4");
       },
       {"TLV4, Version ?, QRN 2400", "\r\r", "CC-ranges:  ", ""}},
      {"an older board without a letter shows no version",
       [] {
         Amplifier(T3Types::KindTlv1, ZRVBase::BoardQRN55, 0);
         Set(T3Base::Title, "QRN55");
         Set(T3Base::DeviceNumber, "123456");
       },
       {kClosedQRN55, "Device Number: 123456\r", "", ""}},
      {"a unit-1 text that begins as the serial is not shown",
       [] {
         Amplifier(T3Types::KindTlv1, ZRVBase::BoardQRN55, 0);
         Set(T3Base::Title, "QRN55");
         Set(T3Base::SerialNumber, "654321R");
         Set(T3Base::ExtEEPROMVersion1, "654321X");
         Set(T3Base::ExtEEPROMVersion2, "777777X");
       },
       {kClosedQRN55 + "\rSerial Number: 654321R", "\r", "Unit-2 Number: 777777X", ""}},
      {"another unit-1 text is",
       [] {
         Amplifier(T3Types::KindTlv1, ZRVBase::BoardQRN55, 0);
         Set(T3Base::Title, "QRN55");
         Set(T3Base::ExtEEPROMVersion1, "777777X");
       },
       {kClosedQRN55, "\rUnit-1 Number: 777777X", "", ""}},
      {"the KESP7 alone opens text 4 with a comma",
       [] {
         Amplifier(T3Types::KindTlv3, ZRVBase::BoardZRV24, 'F');
         Set(T3Base::Title, "TLV3");
         T3Base::KESP7Active = true;
         T3Base::MaxDigBitOut = 15;
       },
       {"TLV3, Version F, ZRV-24", "\r\r", "CC-ranges:  ", ", KESP7: 16 dig-out"}},
      {"every option of a multi-board TLV 3 with probes",
       [] {
         Amplifier(T3Types::KindTlv3, ZRVBase::BoardZRV28, 'T');
         Set(T3Base::Title, "TLV3");
         T3Base::IsTlv3N = true;
         T3Base::T3Boards = 3;
         T3Base::MaxSelectors = 8;
         Set(T3Base::SelectorVersion, "F");
         Set(T3Base::SerialNumber, "100001T");
         Set(T3Base::SerialNumber1, "100001T");
         Set(T3Base::SerialNumber2, "100002T");
         T3Types::State.HasCCTracking = true;
         T3Types::State.HasCCRange0 = true;
         T3Types::State.HasHighCCGains = true;
         T3Types::State.HasInternalVmon = true;
         T3Types::State.HasVmonX100 = true;
         T3Types::State.HasCFastHigh = true;
         T3Types::State.HasVrefX2 = true;
       },
       {"TLV3/3, Version T, ZRV-28\rSerial Number: 100001T, 100002T", "\r\rHas TRUE-CC, Slow Freq. VC",
        "CC-ranges:  0.1pA/mV, 10pA/mV, 100pA/mV\rHas internal V-mon connection, V-mon x 100",
        "Has extended C-fast, ext.stim.range\rTLV3/3, Probes: 8/F"}},
      {"a TLV 6 on a board of many inputs moves the converters up",
       [] {
         Amplifier(T3Types::KindTlv2, ZRVBase::BoardNone, 'C');
         Set(T3Base::Title, "TLV6");
         ZRVBase::NumberAdcChannels = 16;
         ZRVBase::NumberDacChannels = 4;
       },
       {"TLV6, Version C", "4 DAC, 16 ADC", "", ""}},
  };
  for (const InfoCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.setUp();
    Tlv3Menus::HardwareTexts texts;
    Tlv3Menus::GetHardwareOptions(texts);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(texts[n].data(), c.texts[n]) << "text " << n + 1;
  }
}

TEST_F(Tlv3MenusTest, VersionInfoLine) {
  char text[80] = {};
  Amplifier(T3Types::KindTlv4USB, ZRVBase::BoardQRN55, 'R');
  Set(T3Base::Title, "TLV4_USB");
  Set(T3Base::SerialNumber, "123456R");
  Tlv3Menus::GetVersionInfo(text);
  EXPECT_STREQ(text, "TLV4_USB, Serial No 123456R-R");
  T3Base::T3Boards = 4;
  Tlv3Menus::GetVersionInfo(text);
  EXPECT_STREQ(text, "TLV4_USB/4, Serial No 123456R-R");

  Amplifier(T3Types::KindTlv2, ZRVBase::BoardNone, 'C');
  Set(T3Base::Title, "TLV6");
  T3Base::T3Boards = 1;
  Set(T3Base::SerialNumber, "801234");
  Tlv3Menus::GetVersionInfo(text);
  EXPECT_STREQ(text, "TLV6, Serial No 801234-C");

  Amplifier(T3Types::KindTlv1, ZRVBase::BoardQRN55, 0);
  Set(T3Base::ExtEEPROMVersion1, "123456010800010");
  Tlv3Menus::GetVersionInfo(text);
  EXPECT_STREQ(text, "QRN 5+5, Serial No 123456010800010");
}

}  // namespace
