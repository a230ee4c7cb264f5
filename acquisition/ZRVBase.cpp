#include "acquisition/ZRVBase.h"

#include <iterator>

#include "foundation/Strings.h"

namespace ZRVBase {

double AdcUnitsPerVolt[AdcInputCount];
double DacUnitsPerVolt[DacOutputCount];
double MaxInVolts;
double MinInVolts;
double MaxOutVolts;
double MinOutVolts;
std::int32_t NumberDacChannels;
std::int32_t NumberAdcChannels;
std::int32_t NumberDigOutChannels;
std::int32_t NumberDigInChannels;
char ErrorText[256];
double SecPerTick;
std::int32_t FIFOLength;
std::uint16_t DigitalOutState;
bool WriteToTermIO;
bool SpinCursor;
double MinSamplingTime;
double MaxSamplingTime;

namespace {

constexpr double kUnitsPerVolt = 3200.0;
// The highest voltage a 16-bit code reaches at 3200 codes per volt.
constexpr double kMaxVolts = 10.24 * 32767.0 / 32768.0;
constexpr double kMinVolts = -10.24;

constexpr char kInterfaceNames[][12] = {"ZRV-24", "ZRV-28", "QRN 2400", "QRN 5+5", "No AD-Board"};

}  // namespace

void InitModule() {
  for (double& factor : AdcUnitsPerVolt) factor = kUnitsPerVolt;
  for (double& factor : DacUnitsPerVolt) factor = kUnitsPerVolt;
  MaxInVolts = kMaxVolts;
  MinInVolts = kMinVolts;
  MaxOutVolts = kMaxVolts;
  MinOutVolts = kMinVolts;
  NumberDacChannels = 4;
  NumberAdcChannels = 8;
  NumberDigOutChannels = 1;
  NumberDigInChannels = 1;
  Strings::Clear(ErrorText);
  SecPerTick = 1e-6;
  FIFOLength = 0x4000;
  DigitalOutState = 0;
  WriteToTermIO = true;
  SpinCursor = false;
  MinSamplingTime = 5e-6;
  MaxSamplingTime = 0.05;
}

void ToInterfaceName(BoardType type, std::span<char> name) {
  if (type < std::size(kInterfaceNames)) {
    Strings::Assign(name, kInterfaceNames[type]);
  } else {
    Strings::Concat(name, "???");
  }
}

}  // namespace ZRVBase
