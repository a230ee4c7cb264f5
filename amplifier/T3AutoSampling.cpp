#include "amplifier/T3AutoSampling.h"

#include <algorithm>
#include <cstdlib>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Types.h"
#include "numerics/VectorInt.h"
#include "shell/Mouse.h"

namespace T3Auto {

std::array<std::int16_t, kWaveSize> DataArray{};
std::array<std::int16_t, kWaveSize> StimArray{};
std::array<std::int32_t, kCycleSize> SumArray{};
std::array<std::int16_t, kCycleSize> AvgArray{};

namespace {

// A response at this level may already clip in the monitor's last stage.
constexpr double kClippingVolts = 8.0;
// Below this the square wave drowns in the DAC's steps.
constexpr std::int32_t kLeastCode = 4;
constexpr std::int32_t kHighestCode = 32767;

// The largest amplitude (DAC volts) whose square wave stays inside the
// DAC's codes around the holding code.
double RoomAroundHold(std::int32_t output, std::int32_t holdCode) {
  return static_cast<double>(kHighestCode - std::abs(holdCode)) / ZRVBase::DacUnitsPerVolt[output];
}

}  // namespace

std::int32_t PointsFromCycles(std::int32_t halfPeriod, std::int32_t cycles) {
  return 2 * halfPeriod * (cycles + 2);
}

std::int32_t MaxCycles(std::int32_t halfPeriod, std::int32_t cycles) {
  return std::min((kWaveSize - 1) / (2 * halfPeriod) - 2, cycles);
}

bool TimedOut(RealTime::TimeSeconds deadline) {
  if (!CheckTimeout || RealTime::GetTime() <= deadline) return false;
  T3Error::Error = kTimeoutError;
  return true;
}

bool AutoSample(double& amplitude, std::span<std::int16_t> response, std::int32_t halfPeriod,
                std::int32_t cycles, double dt, RealTime::TimeSeconds deadline, bool allowExt) {
  const WaitCursor cursor;
  const T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t points = PointsFromCycles(halfPeriod, cycles);
  double hold = state.VHold * state.StimDacScale;
  double dacVolts = amplitude * state.StimDacScale;
  deadline -= dt * points;
  const bool external = allowExt && state.UseExtStimDac && state.ExtStimPath == 1;
  const std::int32_t output = external ? state.ExtStimDac : state.StimDac;
  const std::int32_t holdCode = external ? 0 : ZRV::VoltsToDacUnits(output, hold);
  const double room = RoomAroundHold(output, holdCode);
  dacVolts = std::clamp(dacVolts, -room, room);
  bool notClipped = false;
  for (;;) {
    if (T3Error::Error != 0 || TimedOut(deadline)) return false;
    Mouse::SetWaitOrWatchCursor();
    const std::int32_t code = ZRV::VoltsToDacUnits(output, dacVolts);
    ADMeasure::MakeSquareWave(code, halfPeriod, cycles, DataArray);
    if (!external) {
      VectorInt::Offset(DataArray.data(), DataArray.data(), points, static_cast<std::int16_t>(holdCode), true);
    }
    T3AD::StimAndSample(output, state.MuxAdc, dt, DataArray, response, points, external, true);
    notClipped = FindMax(state.MuxAdc, response, 3 * halfPeriod) < kClippingVolts;
    double halved = dacVolts / 2.0;
    if (notClipped || std::abs(ZRV::VoltsToDacUnits(output, halved)) < kLeastCode) break;
    dacVolts = halved;
  }
  amplitude = dacVolts / state.StimDacScale;
  return notClipped;
}

double FindMax(std::int32_t input, std::span<const std::int16_t> response, std::int32_t count) {
  std::int32_t largest = 0;
  for (const std::int16_t code : response.first(static_cast<std::size_t>(count))) {
    largest = std::max(largest, std::abs(static_cast<std::int32_t>(code)));
  }
  return ZRV::AdcUnitsToVolts(input, largest);
}

namespace {

double Charge(std::int32_t input, double amplitude, double sum, double dt) {
  return ZRV::AdcRealUnitsToVolts(input, sum) * dt / (4.0 * amplitude);
}

}  // namespace

double DoDelta(std::int32_t input, double amplitude, std::span<const std::int32_t> sums, double dt,
               std::int32_t first, std::int32_t count) {
  double sum = 0.0;
  for (std::int32_t i = first; i < first + count; ++i) {
    sum += static_cast<double>(sums[static_cast<std::size_t>(i)]) -
           static_cast<double>(sums[static_cast<std::size_t>(i + count)]);
  }
  return Charge(input, amplitude, sum, dt);
}

double IntFromTo(std::int32_t input, double amplitude, std::span<const std::int32_t> sums, double dt,
                 std::int32_t first, std::int32_t count) {
  double sum = 0.0;
  for (std::int32_t i = first; i < first + count; ++i) sum += static_cast<double>(sums[static_cast<std::size_t>(i)]);
  return Charge(input, amplitude, sum, dt);
}

}  // namespace T3Auto
