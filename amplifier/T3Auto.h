// The automatic compensations and measurements of the selected board: the
// working state they share, the simple monitor readers, the gentle mode
// switch, the noise measurements and the automatic C-slow compensation.
//
// State. CFastTable belongs to the selected board: the calibration builds
// it, the C-fast file and EEPROM readers fill it, the per-board storage
// swaps it with its stored copies. It starts all zero, the table of a board
// that was never calibrated. The operator's panel values that a procedure
// changes are kept in the Temp fields of T3Base::BoardState while
// TempStateSaved is set; the C-slow bookkeeping (CSlowDone, CSlowRefCount,
// CSlowRefVHold) lives there too. The module's sample arrays
// (T3AutoSampling.h) hold one procedure's data at a time.
//
// Results. A procedure returns its success; on failure T3Error::Error holds
// 18 ("timeout": the deadline passed while CheckTimeout is set) or 19 ("no
// convergence"). The panel changes only through the T3Panel controls;
// C-slow and G-series are also written directly where they are put back.
//
// Threads: main thread only. The procedures block while they measure and
// animate the wait cursor on every pass.
#pragma once

#include <cstdint>

#include "amplifier/T3Scale.h"

namespace T3Auto {

extern T3Scale::CFastTable CFastTable;

// The automatic procedures give up at their deadlines while this is set.
extern bool CheckTimeout;

// CheckTimeout TRUE, the temporary state at its start (InitTempState), the
// C-fast table all zero.
void InitModule();

// No panel state saved (TempStateSaved FALSE), the C-slow reference empty
// (CSlowRefCount 50, CSlowRefVHold 0), the pipette-offset search at its
// start (VpOffsetStep 1 mV, VpOffsetTime 0); the operator's present
// values copied into the Temp fields. Also for a board set up anew.
void InitTempState();

// The operator's panel back from the Temp fields when a procedure left its
// measuring configuration in place (TempStateSaved); nothing otherwise.
// The multiplexer, filter 1, filter 2's corner, the gain, Rs on and its
// fraction, the stimulus filter are set in that order, then the Rs
// compensation when Rs is on; C-slow, G-series and the C-slow range stay.
void ResetTempState();

// The mean voltage of an AD input: points + 12 samples (16 to 400) at
// 0.1 ms, the first ten and the last two left out; with addMuxOffset the
// multiplexer is routed to the input and its offset (T3Panel::
// GetMuxAdcOffset) added.
double Sample(std::int32_t input, std::int32_t points, bool addMuxOffset);

// The membrane potential (V) from the voltage monitor: its own AD input on
// a multi-board TLV 3 or a board with the internal monitor, otherwise the
// multiplexer's channel 10, switched there only for the reading.
double ReadVmon(std::int32_t points);
// The current (A) on the current monitor.
double ReadImon(std::int32_t points);

// Mode 0 test, 1 voltage clamp, 2 current clamp, switched without a jump
// for the cell: into current clamp at a gain range the current clamp has
// (range 1, or 0 where the board has the high current-clamp gains) with the
// current now flowing as holding current; into the other modes with the
// potential now present as holding potential, on a 2 mV grid (0 outside
// -0.2 .. 0.1 V). TRUE.
bool SetModeGently(std::int32_t mode);

// ResetTempState, then the AD noise (ADMeasure::Variance) of the input with
// the multiplexer routed to it or not: the variance about the block means
// and the variance of the 64-sample block means, codes squared.
void MeasureVariance(std::int32_t input, double interval, double& variance, double& blockVariance,
                     bool muxToAdc);
// The current monitor's RMS noise (A) at 0.1 ms.
double MeasureNoise();
// The RMS (A) of its 64-sample block means: the slow, mains-frequency part.
double Measure50HzNoise();

// The current-monitor filter's delay (s) before an evaluated response
// starts: 32 us at filter 1 index 1, else 59 us.
double CSlowFilterDelay();

// Adjusts C-slow and G-series to the cell by square-wave responses with the
// compensation applied, until the residual transient is small (at most 11
// evaluations). keepTempState leaves the measuring configuration (mux 14,
// the gain, the stimulus filter) in force after a success, for tracking
// calls, which then skip the switching. With CSlowPending set, one
// uncompensated response is fitted instead (T3CSlowFit::DoFit) and C-slow
// and G-series end as they were. Success: CSlowStatus 1 and
// CSlowSeriesResult; failure: CSlowStatus 2, error 18 or 19, the
// operator's C-slow, G-series and C-slow range back unless a tracking call
// only missed convergence.
bool CSlow(bool keepTempState);

// Every procedure below first puts back a measuring configuration that a
// tracking C-slow left in place (ResetTempState).

// Zeroes the mean current with the pipette offset: a coarse search at gain
// index 0, then a fine one at the operator's gain, with the holding
// potential at -VLiquidJunction, where it stays. FALSE, the offset back,
// when the offset DAC cannot reach the zero or time runs out (error 18).
bool VpOffset();
// The quick offset search of tracking use, at most once per SearchDelay
// (FALSE at once, nothing changed, before that): one search from eight
// times the last step, and when it fails the full VpOffset search, whose
// result does not change this one's.
bool Search();
// Adds the conductance measured with -10 / +10 mV steps around the holding
// potential to the leak compensation, twice; TRUE when the second pass
// finds less than 10 nS in either direction. Otherwise the leak back and
// error 19, or 18 when time ran out.
bool GLeak();

// Sets C-fast 1, C-fast 2 and the C-fast time constant against the
// pipette's capacitance. The computed method (CFastHigh on,
// T3Base::ComputedCFast, or no C-fast table loaded) nulls a charge
// difference with C-fast 2 and takes the time-constant step of the least
// residual; the lookup corrects all three from a 16-point response with the
// board's CFastTable (rows by the time-constant step) until three passes
// (two after the board's first lookup) change nothing. CFastStatus 1 on
// success; failure: 2 with error 19, or 18 with C-fast 1 and 2 back.
bool CFast();

// Raises the Rs fraction by 0.04 until the step response undershoots by
// more than overshootLimit of its peak, reverses with halved steps (0.02,
// 0.01) and ends at the last reversal less backOff, with C-slow off and the
// prediction at 0.4. Rs mode 0 searches in mode 2 and stays there on
// success. FALSE at once in current clamp; FALSE, the fraction and the Rs
// mode back, when no usable response is found, time runs out (18) or 26
// measurements find no end (19).
bool RsComp(double overshootLimit, double backOff);

}  // namespace T3Auto
