#include "potentiostat/tests/PKRecords_fixture.h"

#include <algorithm>
#include <vector>

#include "foundation/platform/Host.h"
#include "numerics/VectorInt.h"
#include "potentiostat/K5Panel.h"

namespace {

enum class Kind { kReal, kCode };

struct Field {
  std::size_t at;
  Kind kind;
  int count;
  double value;
};

// The image offsets of the numeric fields and their defaults.
const Field kListing[] = {
    {40, Kind::kReal, 1, 1.0},          // MuxGain
    {48, Kind::kReal, 1, 0.0},          // MuxOffset
    {56, Kind::kReal, 1, 100.0},        // MuxX100Gain
    {64, Kind::kReal, 1, 0.0},          // MuxX100Offset
    {72, Kind::kReal, 1, 1.0},          // StimFilterFactor
    {80, Kind::kReal, 1, 0.0},          // StimFilterOffset
    {88, Kind::kReal, 4, 1.0},          // StimScaleFactor
    {120, Kind::kReal, 4, 0.0},         // StimScaleOffset
    {152, Kind::kReal, 1, 1.0},         // IRCompGainSlope
    {160, Kind::kReal, 1, 0.0},         // IRCompGainOffset
    {168, Kind::kReal, 1, 0.0},         // IRCompFixOffset
    {176, Kind::kReal, 1, 0.0625},      // ClampGainPerUnit
    {184, Kind::kReal, 1, 0.0},         // ClampOffsetPerUnit
    {192, Kind::kReal, 1, 0.0},         // ClampIntercept
    {200, Kind::kReal, 1, 0.0},         // CoAmpOffsetPerUnit
    {208, Kind::kReal, 12, 1.0},        // CurrentOutFactor
    {304, Kind::kReal, 12, 0.0},        // CurrentOutOffset
    {400, Kind::kReal, 4, 1.0},         // VoltageOutFactor
    {432, Kind::kReal, 4, 0.0},         // VoltageOutOffset
    {464, Kind::kCode, 3, 2047},        // CoAmpOffsetDacPot
    {470, Kind::kCode, 3, 2047},        // CoAmpOffsetDacGal
    {476, Kind::kCode, 3, 2047},        // WorkElectrOffsetDac
    {482, Kind::kCode, 12, 2047},       // CurrentOffsetDac
    {506, Kind::kCode, 4, 2047},        // VoltageOffsetDac
    {514, Kind::kCode, 1, 2047},        // CMR1Dac
    {516, Kind::kCode, 1, 2047},        // CMR2Dac
    {518, Kind::kCode, 1, 2047},        // MeasuredVoltOffDac
    {520, Kind::kReal, 2, 0.9765625},   // InitDacFactor
    {536, Kind::kReal, 1, 0.0},         // InitDacOffset
    {544, Kind::kReal, 1, 50.0},        // SubtrDacFactor, potentiostatic
    {552, Kind::kReal, 1, 5000.0},
    {560, Kind::kReal, 1, 500000.0},
    {568, Kind::kReal, 1, 50.0},        // galvanostatic
    {576, Kind::kReal, 1, 5000.0},
    {584, Kind::kReal, 1, 500000.0},
    {592, Kind::kReal, 1, 0.0},         // SubtrDacOffset
    {600, Kind::kReal, 2, 0.9765625},   // InitSubtrDacFactor
    {616, Kind::kCode, 1, 2047},        // OCPOffsetDac
};
constexpr std::size_t kCheckAt = 32;

std::size_t Width(Kind kind) { return kind == Kind::kReal ? 8 : 2; }

void Reverse(ScaleImage& image, std::size_t at, std::size_t width) {
  std::reverse(image.begin() + static_cast<std::ptrdiff_t>(at),
               image.begin() + static_cast<std::ptrdiff_t>(at + width));
}

}  // namespace

ScaleImage GoldenDefaultScaleImage() {
  ScaleImage image{};
  std::memcpy(image.data(), "K5SCALE", 7);
  image[36] = Platform::IsLittleEndian() ? 1 : 0;
  image[37] = 3;
  for (const Field& field : kListing) {
    for (int n = 0; n < field.count; ++n) {
      const std::size_t at = field.at + static_cast<std::size_t>(n) * Width(field.kind);
      if (field.kind == Kind::kReal) {
        StoreHost<double>(image, at, field.value);
      } else {
        StoreHost<std::int16_t>(image, at, static_cast<std::int16_t>(field.value));
      }
    }
  }
  StoreHost<std::uint32_t>(image, kCheckAt,
                           static_cast<std::uint32_t>(VectorInt::Checksum8(image.data(), K5EEPROM::ScaleImageSize)));
  return image;
}

ScaleImage OtherOrder(const ScaleImage& image) {
  ScaleImage other = image;
  other[36] = other[36] == 1 ? 0 : 1;
  for (const Field& field : kListing) {
    for (int n = 0; n < field.count; ++n) {
      Reverse(other, field.at + static_cast<std::size_t>(n) * Width(field.kind), Width(field.kind));
    }
  }
  // The byte sum does not depend on the order; its own bytes do.
  StoreHost<std::uint32_t>(other, kCheckAt, 0);
  StoreHost<std::uint32_t>(other, kCheckAt,
                           static_cast<std::uint32_t>(VectorInt::Checksum8(other.data(), K5EEPROM::ScaleImageSize)));
  Reverse(other, kCheckAt, 4);
  return other;
}

ScaleImage Packed(K5Scale::PKScaleRecord record) {
  ScaleImage image{};
  K5EEPROM::PackScale(record, image);
  return image;
}

PKTypes::PKState DistinctState(int n) {
  PKTypes::PKState s{};
  const double k = n + 1;
  std::memcpy(s.Tag, "K5STATE", 8);
  std::memcpy(s.SerialNumber, n == 0 ? "123456\0\0" : "654321\0\0", 8);
  s.RecordVersion = 900 + n;
  s.InitVoltage = 0.125 * k;
  s.InitCurrent = -1e-6 * k;
  s.IRCompValue = 1234.5 * k;
  s.CurrentBandwidth = 20000.0 / 3.0 * k;
  s.SpareReal1 = 1.0 + k;
  s.SharedReal2 = 7.0 + k;
  s.SharedReal1 = 0.3 * k;
  s.ActiveBoard = static_cast<std::uint8_t>(1 + n);
  s.CurrentOutputAmplifierGain = static_cast<std::uint8_t>(2 + n);
  s.RefToWE = n == 0;
  s.Spare2 = n != 0;
  s.IRCompOn = true;
  s.Overload = n == 0;
  s.VoltageOutputAmplifierGain = static_cast<std::uint8_t>(1 + n);
  s.StimInScale = static_cast<std::uint8_t>(3 - n);
  s.MuxOutPath = 2;
  s.TestDacPath = 1;
  s.ModelCell = 3;
  s.ControlBandwidth = static_cast<std::uint8_t>(6 + n);
  s.CellMode = 2;
  s.AmplMode = static_cast<std::uint8_t>(n);
  s.ElectrodeMode = 1;
  s.CurrentFilter = static_cast<std::uint8_t>(2 + n);
  s.VoltageFilter = 5;
  s.StimulusFilter = 1;
  s.CurrentRange = static_cast<std::uint8_t>(9 + n);
  s.ScaleRange = static_cast<std::uint8_t>(9 + n);
  s.SharedFlag1 = true;
  s.SharedByte1 = 0xA5;
  s.SharedChar1 = 'q';
  s.Feedback = static_cast<std::uint8_t>(2 - n);
  s.MuxChannel = static_cast<std::uint8_t>(11 + n);
  s.Version = 'B';
  s.ActiveAmplifier = static_cast<std::uint8_t>(n);
  s.HasRingAmplifier = true;
  s.VoltageSubtractOn = n == 0;
  s.Options = static_cast<std::uint16_t>(0x8421 + n);
  s.SharedFlag2 = true;
  s.ConfigCode = 3;
  s.CurrentSubtractOn = n != 0;
  s.BoosterActive = n == 0;
  s.InterfaceKind = 7;
  s.Remote = true;
  s.Tlv4Present = false;
  s.BoosterPresent = static_cast<std::uint8_t>(n == 0 ? 2 : 0);
  s.IsRingAmplifier = n == 1;
  s.Spare1 = 'x';
  s.CurrentGain = 2.5e6;
  s.SpareReal2 = -3.25;
  s.SpareReal3 = 4.75 * k;
  s.SharedReal3 = 1e-9;
  s.StimDacChannel = static_cast<std::int16_t>(n == 0 ? 3 : 2);
  s.VoltageAdcChannel = static_cast<std::int16_t>(n == 0 ? 5 : 3);
  s.CurrentAdcChannel = static_cast<std::int16_t>(n == 0 ? 6 : 4);
  s.MuxAdcChannel = 7;
  s.RefToGround = true;
  s.MuxX100 = n == 0;
  s.StimToCE = true;
  s.SubtractionActive = true;
  s.TestDacChannel = 10;
  s.ClampGain = 0.75 * k;
  s.Subtraction = -0.01 * k;
  s.StimulusBandwidth = 60000.0;
  s.VoltageBandwidth = 2000.0;
  s.LittleEndian = Platform::IsLittleEndian();
  // Not stored: they must read back as 0.
  s.CommandPort = 9;
  s.StatusPort = 17;
  s.AuxChannel = 1;
  s.FixedStimDac = 123;
  s.UseFixedStimDac = true;
  s.ManualStandby = true;
  s.VoltageSubtraction = 1.0;
  s.CurrentSubtraction = 2.0;
  s.IRCompGainDac = 5;
  s.IRCompOffsetDac = 6;
  s.StimInScalePotentiostatic = 1;
  s.StimInScaleGalvanostatic = 2;
  return s;
}

void ExpectStoredFieldsEqual(const PKTypes::PKState& read, const PKTypes::PKState& written) {
  EXPECT_EQ(std::memcmp(read.Tag, written.Tag, sizeof read.Tag), 0);
  EXPECT_EQ(std::memcmp(read.SerialNumber, written.SerialNumber, sizeof read.SerialNumber), 0);
  char name[16];
  K5Panel::VersionToName(written.Version, name);
  EXPECT_STREQ(read.Name, name);
#define PK_SAME(field) EXPECT_EQ(read.field, written.field) << #field
  PK_SAME(RecordVersion); PK_SAME(InitVoltage); PK_SAME(InitCurrent); PK_SAME(IRCompValue);
  PK_SAME(CurrentBandwidth); PK_SAME(SpareReal1); PK_SAME(SharedReal2); PK_SAME(SharedReal1);
  PK_SAME(LittleEndian); PK_SAME(ActiveBoard); PK_SAME(CurrentOutputAmplifierGain); PK_SAME(RefToWE);
  PK_SAME(Spare2); PK_SAME(IRCompOn); PK_SAME(Overload); PK_SAME(VoltageOutputAmplifierGain);
  PK_SAME(StimInScale); PK_SAME(MuxOutPath); PK_SAME(TestDacPath); PK_SAME(ModelCell);
  PK_SAME(ControlBandwidth); PK_SAME(CellMode); PK_SAME(AmplMode); PK_SAME(ElectrodeMode);
  PK_SAME(CurrentFilter); PK_SAME(VoltageFilter); PK_SAME(StimulusFilter); PK_SAME(CurrentRange);
  PK_SAME(ScaleRange); PK_SAME(SharedFlag1); PK_SAME(SharedByte1); PK_SAME(SharedChar1);
  PK_SAME(Feedback); PK_SAME(MuxChannel); PK_SAME(Version); PK_SAME(ActiveAmplifier);
  PK_SAME(HasRingAmplifier); PK_SAME(VoltageSubtractOn); PK_SAME(Options); PK_SAME(SharedFlag2);
  PK_SAME(ConfigCode); PK_SAME(CurrentSubtractOn); PK_SAME(BoosterActive); PK_SAME(InterfaceKind);
  PK_SAME(Remote); PK_SAME(Tlv4Present); PK_SAME(BoosterPresent); PK_SAME(IsRingAmplifier);
  PK_SAME(Spare1); PK_SAME(CurrentGain); PK_SAME(SpareReal2); PK_SAME(SpareReal3);
  PK_SAME(SharedReal3); PK_SAME(StimDacChannel); PK_SAME(VoltageAdcChannel); PK_SAME(CurrentAdcChannel);
  PK_SAME(MuxAdcChannel); PK_SAME(RefToGround); PK_SAME(MuxX100); PK_SAME(StimToCE);
  PK_SAME(SubtractionActive); PK_SAME(TestDacChannel); PK_SAME(ClampGain); PK_SAME(Subtraction);
#undef PK_SAME
  EXPECT_EQ(read.StimulusBandwidth, static_cast<double>(static_cast<float>(written.StimulusBandwidth)));
  EXPECT_EQ(read.VoltageBandwidth, static_cast<double>(static_cast<float>(written.VoltageBandwidth)));
  EXPECT_EQ(read.CommandPort, 0);
  EXPECT_EQ(read.StatusPort, 0);
  EXPECT_EQ(read.AuxChannel, 0);
  EXPECT_EQ(read.FixedStimDac, 0);
  EXPECT_FALSE(read.UseFixedStimDac);
  EXPECT_FALSE(read.ManualStandby);
  EXPECT_EQ(read.VoltageSubtraction, 0.0);
  EXPECT_EQ(read.CurrentSubtraction, 0.0);
  EXPECT_EQ(read.IRCompGainDac, 0);
  EXPECT_EQ(read.IRCompOffsetDac, 0);
  EXPECT_EQ(read.StimInScalePotentiostatic, 0);
  EXPECT_EQ(read.StimInScaleGalvanostatic, 0);
}
