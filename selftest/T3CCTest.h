// The current-clamp tests of one amplifier board and the calibration of its
// current-clamp stimulus offsets. Three generations of current clamp are
// told apart by the hardware-version bits: the true current clamp with
// tracking (0x100), the fast current-clamp option (0x8) and the old
// current-clamp amplifier (neither); T3Tester::CCTest chooses among them.
// The CC gains present are bits 0x10 (gain 0), 0x20 (gain 1) and 0x80
// (gains 2 and 3, read on the current monitor).
//
// The results go into the stimulus-path group's current-clamp part; each
// value is written under its heading and judged by Protocol against its
// limits. The procedures return FALSE when the operator aborts at a step
// point or a pause (the values not yet measured keep what they held);
// they leave the amplifier as their last step had it, except CCTrack and
// the offset calibrations, which end in voltage clamp. Main thread only.
#pragma once

#include <cstdint>

#include "selftest/ProtocolTypes.h"
#include "selftest/TestResultsBlock.h"

namespace T3CCTest {

using Protocol::TransferValues;
using TestResultsBlock::CurrentClampResults;

inline constexpr std::uint16_t kFastCCOption = 0x8;
inline constexpr std::uint16_t kTrueCCOption = 0x100;

// ---- Registration -------------------------------------------------------------

// The probe-offset adjustment of the calibration application (it searches
// the probe-offset DAC until the current monitor's mean equals the
// reference; the word it returns is not used here). It sits above this
// layer and registers itself at start-up; unset, nothing is adjusted.
using ProbeOffsetProc = std::int32_t (*)();
void SetProbeOffsetProc(ProbeOffsetProc proc);

// ---- The tests -------------------------------------------------------------------

bool TrueCCOption(CurrentClampResults& group);
bool FastCCOption(CurrentClampResults& group);
// After T3Tester::CCTest's set-up for the old boards.
bool OldCCAmplifier(CurrentClampResults& group);

// The tracking test of true-CC boards (TRUE at once on others): the 0.5
// GOhm model circuit requested first (FALSE when refused), then the drift
// of each tracking time constant from TauOff to CCTrackMax (at most 5)
// after a 0.1 V hold step, in V/s; voltage clamp at the end.
bool CCTrack(CurrentClampResults& group);

// "CCGains": gain 0 with bit 0x10, 1 with 0x20, 2 and 3 with 0x80; the
// heading alone without them.
bool GetCCTransfer(CurrentClampResults& group);

// One transfer into values: with dc the offset at 0 V, then the mean at x
// volts over x (the DAC stays at x V), else the offset as it stands and
// the gain of a square wave of x; corrected for the multiplexer when
// muxToAdc; written. The step point's result.
bool GetTransfer(std::int32_t dac, std::int32_t adc, TransferValues& values, double x, bool dc, bool testDacOff,
                 bool muxToAdc);

// ---- Stimulus-offset calibration ---------------------------------------------------

// Where the current monitor is to rest in current clamp while the CC offset
// DAC nulls it: the current clamp drives no current.
inline constexpr double kCCOffsetTargetVolts = 0.0;
// True CC: NewCCStimOffsets(kCCOffsetTargetVolts); else the old boards'
// stimulus DAC offsets. TRUE.
bool CCStimOffsets();
// Per CC gain the CC offset DAC word at which multiplexer 14 rests at the
// target (a line search from 2047 over 0..4095, at most 26 words), listed
// on the test terminal and stored in the scale record's CCOffsetDac.
void NewCCStimOffsets(double target);
// Per CC gain the multiplexer's offset from the target with the offset DAC
// as it stands, at 0 and at 4095 (mV), on the test terminal.
void GetCCOffsetRange(double target);

// ---- Shared by the tests ---------------------------------------------------------------

// Current-clamp mode switches off, low-gain current clamp off, probe speed
// off.
void ResetCCMode();
// The pause after a time course of the adc in buffer: FALSE (not aborted)
// unless pausing; then the trace plotted when plotting, and the operator's
// answer: TRUE on Abort.
bool PauseAborted(std::int32_t adc, const std::int16_t* buffer);

}  // namespace T3CCTest
