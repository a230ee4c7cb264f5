#include "potentiostat/K5Scale.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "foundation/Strings.h"
#include "foundation/platform/Host.h"
#include "potentiostat/K5Panel.h"

namespace K5Scale {

PKScaleRecord Scale;
PKScaleRecord Scales[2];

namespace {

static_assert(std::is_trivially_copyable_v<PKScaleRecord>);

constexpr std::int16_t kMidScale = 2047;

}  // namespace

void LoadDefaults() {
  char serial[sizeof Scale.SerialNumber];
  std::memcpy(serial, Scale.SerialNumber, sizeof serial);
  const char version = Scale.Version;
  Scale = PKScaleRecord{};
  Strings::Assign(Scale.Id, "K5SCALE");
  Scale.RecordVersion = 910;
  Scale.LittleEndian = Platform::IsLittleEndian();
  Scale.ConfigCode = 3;
  Scale.MuxGain = 1.0;
  Scale.MuxX100Gain = 100.0;
  std::fill(std::begin(Scale.InitDacFactor), std::end(Scale.InitDacFactor), 0.9765625);
  std::fill(std::begin(Scale.InitSubtrDacFactor), std::end(Scale.InitSubtrDacFactor), 0.9765625);
  Scale.StimFilterFactor = 1.0;
  std::fill(std::begin(Scale.StimScaleFactor), std::end(Scale.StimScaleFactor), 1.0);
  Scale.IRCompGainSlope = 1.0;
  Scale.ClampGainPerUnit = 0.0625;
  for (auto* codes : {Scale.CoAmpOffsetDacPot, Scale.CoAmpOffsetDacGal, Scale.WorkElectrOffsetDac}) {
    std::fill(codes, codes + 3, kMidScale);
  }
  std::fill(std::begin(Scale.CurrentOutFactor), std::end(Scale.CurrentOutFactor), 1.0);
  std::fill(std::begin(Scale.CurrentOffsetDac), std::end(Scale.CurrentOffsetDac), kMidScale);
  std::fill(std::begin(Scale.VoltageOutFactor), std::end(Scale.VoltageOutFactor), 1.0);
  std::fill(std::begin(Scale.VoltageOffsetDac), std::end(Scale.VoltageOffsetDac), kMidScale);
  for (auto& byMode : Scale.SubtrDacFactor) {
    for (std::uint8_t feedback = 0; feedback < 3; ++feedback) byMode[feedback] = K5Panel::RealFeedback(feedback);
  }
  Scale.CMR1Dac = kMidScale;
  Scale.CMR2Dac = kMidScale;
  Scale.MeasuredVoltOffDac = kMidScale;
  Scale.OCPOffsetDac = kMidScale;
  std::memcpy(Scale.SerialNumber, serial, sizeof serial);
  Scale.Version = version;
}

void InitModule() {
  std::memset(Scale.SerialNumber, 0, sizeof Scale.SerialNumber);
  Scale.Version = 0;
  LoadDefaults();
  Scales[0] = Scale;
  Scales[1] = Scale;
}

}  // namespace K5Scale
