// The second, slower exponential component of a cell's capacitive transient
// that the single C-slow compensation cannot cancel: a capacitance C2
// charged through R2 ("CSlow2", "RSeries2"). DoFit fits two exponentials and
// an offset to an averaged step response and keeps C2, R2 in the live
// state (CSlowFitA, CSlowFitB: 0 means no model); DoSubtract takes the
// modelled component out of later responses, so that the automatic C-slow
// adjusts C-slow and G-series to the fast component only.
//
// The responses are 32-bit cycle sums: the upward step's response less the
// downward one's (T3Auto::CSlow), `step` the voltage they represent, dt
// the sampling interval (s), scale the amperes per summed code, N the
// points, L the filter's latency in points.
//
// Test modes (TestMode): from 1 every call clears T3Auto::CheckTimeout and
// writes its values to the terminal; from 2 DoFit fits a 200-point curve
// computed from its own start values, from a disturbed start, and stores
// nothing; from 3 with fixed start values and a unit interval.
//
// Threads: main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace T3CSlowFit {

extern std::uint8_t TestMode;
// Working space: x (s) in the first 200 entries, y (A) in the next 200.
extern std::array<double, 600> FitArray;

// TestMode := 0.
void InitModule();

// Fits offset + amp1 exp(-x / tau1) + amp2 exp(-x / tau2) to the response
// from point 2L on, x counting from the filter's delay (T3Auto::
// CSlowFilterDelay), by the downhill simplex (relative step 0.05, at most
// 1,000 evaluations, relative convergence 1e-6). The start: R1 = 1 /
// GSeries, C1 = CSlow; the kept model when its R2 exceeds R1, else R2 = 10
// R1 and C2 = C1; the offset at 0, where the simplex keeps it. Keeps C2 =
// tau2 / R2 and R2 = step / amp2 of the vector with the smallest residual;
// TRUE when both are numbers. FALSE, the model unchanged, when no residual
// was finite (the response ends before 2L + 2 points).
bool DoFit(std::span<const std::int32_t> sums, double step, double dt, double scale, std::int32_t points,
           std::int32_t latency);

// Takes the kept model's response to the step, over 0.6 x scale per code
// and rounded, off the sums from L on; with CSlowPending set the sums stay
// as they are. FALSE, the sums unchanged, without a model.
bool DoSubtract(std::span<std::int32_t> sums, double step, double dt, double scale, std::int32_t points,
                std::int32_t latency);

}  // namespace T3CSlowFit
