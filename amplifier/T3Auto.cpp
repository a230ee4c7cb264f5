#include "amplifier/T3Auto.h"

#include <algorithm>
#include <array>

#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "numerics/VectorInt.h"

namespace T3Auto {

T3Scale::CFastTable CFastTable;
bool CheckTimeout = true;

void InitModule() {
  CheckTimeout = true;
  InitTempState();
  CFastTable = T3Scale::CFastTable{};
}

namespace {

constexpr std::int32_t kArraySize = 4801;
std::array<std::int16_t, kArraySize> DataArray{};

// The first samples settle after the multiplexer's switch; the last two
// may still carry the end of the sweep.
constexpr std::int32_t kSettlingSamples = 10;
constexpr std::int32_t kTrailingSamples = 2;
constexpr std::int32_t kMinSamples = 16;
constexpr std::int32_t kMaxSamples = 400;
constexpr double kSampleInterval = 1e-4;

void CopyTempState() {
  const T3Types::AmplifierState& state = T3Types::State;
  T3Types::BoardState& board = T3Base::BoardState;
  board.TempCSlowRange = state.CSlowRange;
  board.TempMux = state.Mux;
  board.TempFilter1 = state.Filter1;
  board.TempF2Frequency = state.F2Frequency;
  board.TempGain = state.Gain;
  board.TempRsOn = state.RsOn;
  board.TempRsFraction = state.RsFraction;
  board.TempStimFilter = state.StimFilter != 0;
  board.TempCSlow = state.CSlow;
  board.TempGSeries = state.GSeries;
}

}  // namespace

void InitTempState() {
  T3Types::BoardState& board = T3Base::BoardState;
  board.TempStateSaved = false;
  board.CSlowRefCount = 50;
  board.CSlowRefVHold = 0.0;
  board.VpOffsetStep = 0.001;
  board.VpOffsetTime = 0.0;
  CopyTempState();
}

double Sample(std::int32_t input, std::int32_t points, bool addMuxOffset) {
  const std::int32_t count =
      std::clamp(points + kSettlingSamples + kTrailingSamples, kMinSamples, kMaxSamples);
  double interval = kSampleInterval;
  T3AD::Sample(input, interval, DataArray, count, addMuxOffset);
  double mean = VectorInt::Mean(DataArray.data() + kSettlingSamples,
                                count - kSettlingSamples - kTrailingSamples);
  if (addMuxOffset) mean += T3Panel::GetMuxAdcOffset();
  return ZRV::AdcRealUnitsToVolts(input, mean);
}

}  // namespace T3Auto
