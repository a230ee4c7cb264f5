// What the automatic procedures share: their sample arrays, the square-wave
// acquisition that lowers its amplitude until the response fits, and the
// charge integrals over cycle sums. Private to T3Auto: callers outside the
// automatic procedures use T3Auto.h.
//
// The arrays hold one procedure's data at a time. AutoSample writes its
// stimulus template into DataArray, so a procedure can play it again with
// T3AD::StimAndSample; responses go where the caller says (StimArray by
// custom). The cycle sums and averages (ADMeasure::AverageCycles) go into
// SumArray and AvgArray, which hold a period of up to 2 x 200 points.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"
#include "shell/Mouse.h"

namespace T3Auto {

// The errors every procedure ends with when it runs out of time or does
// not converge, and the multiplexer channel they read the current on.
inline constexpr T3Types::AmplifierError kTimeoutError = 18;
inline constexpr T3Types::AmplifierError kNoConvergence = 19;
inline constexpr std::uint8_t kMuxCurrent = 14;

inline constexpr std::int32_t kWaveSize = 4801;
inline constexpr std::int32_t kCycleSize = 401;

extern std::array<std::int16_t, kWaveSize> DataArray;
extern std::array<std::int16_t, kWaveSize> StimArray;
extern std::array<std::int32_t, kCycleSize> SumArray;
extern std::array<std::int16_t, kCycleSize> AvgArray;

// Samples a square wave of `cycles` periods takes: 2 x N x (cycles + 2).
std::int32_t PointsFromCycles(std::int32_t halfPeriod, std::int32_t cycles);
// The most cycles of half period N that fit in the arrays, at most
// `cycles`: min(4800 / (2 N) - 2, cycles).
std::int32_t MaxCycles(std::int32_t halfPeriod, std::int32_t cycles);

// The square-wave acquisition of the automatic procedures: a square wave of
// amplitude volts (stimulus volts, converted by StimDacScale) and half
// period N around the holding level, `cycles` periods at dt into response,
// read on the multiplexer's input (channel 14 shows the current monitor).
// The output is the external stimulus DAC through the external path when
// allowExt and UseExtStimDac are set and ExtStimPath is 1, else StimDac with
// the holding level added. An amplitude whose wave would leave the DAC's
// range around the holding level is lowered to fit. While the response
// peaks at 8 V or more the amplitude is halved and the wave played again,
// until its DAC code falls below 4. amplitude := the last one played (what
// the DAC made). TRUE when the response stayed below 8 V; FALSE with an
// error already set, or with error 18 when CheckTimeout is set and the
// clock is past the deadline less one acquisition's time.
bool AutoSample(double& amplitude, std::span<std::int16_t> response, std::int32_t halfPeriod,
                std::int32_t cycles, double dt, RealTime::TimeSeconds deadline, bool allowExt);

// The volts of the largest code in magnitude among the first count points.
double FindMax(std::int32_t input, std::span<const std::int16_t> response, std::int32_t count);
// The charge per volt of step a of n points from `first` on less that of the
// n points after them: volts(sum of s[i] - s[i + n]) x dt / (4 a).
double DoDelta(std::int32_t input, double amplitude, std::span<const std::int32_t> sums, double dt,
               std::int32_t first, std::int32_t count);
// The charge per volt of step a of n points from `first` on:
// volts(sum of s[i]) x dt / (4 a).
double IntFromTo(std::int32_t input, double amplitude, std::span<const std::int32_t> sums, double dt,
                 std::int32_t first, std::int32_t count);

// The operator's panel values into the Temp fields.
void CopyTempState();
// The operator's panel back from the Temp fields (T3Auto::ResetTempState's
// order); TempStateSaved := FALSE.
void DoResetTempState();

// The wait cursor while it lives; the shape shown before it afterwards.
class WaitCursor {
 public:
  WaitCursor() : _shape(Mouse::GetCursorShape()) { Mouse::SetWaitOrWatchCursor(); }
  ~WaitCursor() { Mouse::SetCursorShape(_shape); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  int _shape;
};

// TRUE, with error 18, when CheckTimeout is set and the clock is past the
// deadline.
bool TimedOut(RealTime::TimeSeconds deadline);

}  // namespace T3Auto
