// The self-test of one amplifier board: tester mode, the multiplexer test
// and the multiplexer's own transfer that corrects every later
// measurement through the multiplexer, the transfer measurement, the live
// view between steps, and the version line the range file and the report
// carry.
//
// The software version (three characters, digit, point, digit) belongs to
// the calibration application, which sits above this layer: it registers
// where the text comes from with SetSoftwareVersionSource, and the
// initialisation of its own test modules with SetCalibrationModuleInits, at
// start-up, before InitAllModules.
//
// Test output: operator lines go through TestIO (shown while
// ADMeasure::TestWriteMode is not 0), values with limits through Protocol,
// where a value outside its limits is counted in Protocol::TestErrors; no
// procedure here resets that count. The procedures return FALSE when the
// operator aborts (TestBase::Aborted stays set, so every later live view
// stops its block at once). Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "selftest/ProtocolTypes.h"
#include "selftest/TestResultsBlock.h"

namespace T3Tester {

using Protocol::TransferValues;

// "Version " and the software version; set by InitAllModules.
extern char RangeVersion[41];
// The multiplexer's own transfer, measured by every CheckMux: [0] channel 5
// at x1, [1] channel 5 at x64, [2] channel 13 at x1, [3] channel 13 at x64.
extern std::array<TransferValues, 4> MuxTransfer;
// The chirp buffers and the acquisition buffers of the tests.
extern std::array<float, 1026> ChirpArray;
extern std::array<float, 4098> BigChirp;
extern std::array<std::int16_t, 4098> IntArray;
extern std::array<std::int16_t, 1026> DisplayData;

using SoftwareVersionSource = std::span<const char> (*)();
void SetSoftwareVersionSource(SoftwareVersionSource source);

// The calibration application's modules that InitAllModules starts in its
// order; a nil entry is skipped.
struct CalibrationModuleInits {
  void (*testUt)() = nullptr;
  void (*makeAuto)() = nullptr;
  void (*calHF)() = nullptr;
  void (*autoCal)() = nullptr;
};
void SetCalibrationModuleInits(const CalibrationModuleInits& inits);

// The prefix and the software version with every "." turned into "x",
// then ".TLV": "Selftest_" and 2.3 give "Selftest_2x3.TLV".
void MakeRangesName(std::span<const char> prefix, std::span<char> name);

// 2 when the board has a reference-gain trim, else 3.
int LastF1Filter();

// RangeVersion, then SpectrumReal, T3Generator, T3TestGraphics, TestBase,
// the calibration application's four and Protocol, in this order.
void InitAllModules();

// ---- Tester mode -----------------------------------------------------------

struct TesterModeSave {
  bool testerMode = false;
  bool timedRangeSwitch = false;
  bool zrvScaling = false;
};
// Saves the three; the amplifier's state goes into the report at each
// step (T3Set::WriteState); tester mode on, timed range switching off, the
// AD/DA layer's scaling on.
void SetStart(TesterModeSave& save);
// The scaling first, then tester mode and timed range switching.
void SetEnd(const TesterModeSave& save);

// ---- Measurements ------------------------------------------------------------

// The multiplexer test: channels 5 and 13 at x1 and x64 from the test DAC,
// each written to the report when write is set, with the live view after
// each. FALSE when aborted or when channel 13's gain at x1 lies outside
// 0.7 .. 1.4 (the test terminal says so).
bool Mux(std::span<TransferValues, 4> values, bool write);
// Mux on MuxTransfer, not written, without pausing.
bool CheckMux();
// Offset and noise with the DAC at 0, then the gain for 5 V, corrected for
// the multiplexer when muxToAdc is set; written to the report.
void GetAndWrite(std::int32_t dac, std::int32_t adc, TransferValues& values, bool testDacOff, bool muxToAdc);

// Against MuxTransfer (G13 the gain of [2], O5 and O13 the offsets of [0]
// and [2]): gain / G13, offset - O5 - gain (O13 - O5).
void CorrectGainAndOffset(TransferValues& values);
// Gains measured with sines and triangles: gain / G13, offset - O5.
void CorrectACGainAndOffset(TransferValues& values);
// value - O5.
void CorrectMuxOffset(double& value);

// ---- The step point between measurements ---------------------------------------

// The lowest DAC below the board's DAC count that is neither dac, nor the
// test DAC, nor the stimulus DAC; 0 when there is none.
std::int32_t TriggerDac(std::int32_t dac);
// Without pausing, or with the test window closed: the generator stops and
// one abort poll decides. While pausing with the window open: Continue and
// Generator are offered and, once Generator was pressed, the square wave
// of the amplitude (0 while Generator is off) is played and shown on
// +-1.5 x amplitude x scale until Continue or Abort. FALSE when aborted.
bool TestSignal(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double scale);

// ---- The blocks of a board test ---------------------------------------------------
// Each starts from the power-on state with the silent multiplexer check,
// fills its group in order and writes each value under its heading (the
// range file's section of its limits). TRUE when the block ran to its end;
// FALSE when the multiplexer check failed or the operator aborted at a step
// point, the rest of the group untouched and the amplifier left as it was
// at that step. A value that could not be computed is NaN.

// Filter 1, the probe offset DAC, the test circuit's slow time constants,
// the HF compensation, the output amplifier and its filter, filter 2's
// path and the clipping detector.
bool CurrentMonitor(TestResultsBlock::CurrentMonitorResults& group);

// Filter 2's quality factor q at high Q (NaN when it could not be found):
// TRUE, the original kind, when q is below 1.
bool IsF2Orig(double& q);
// The kind first (written into the scale record's Filter2Law, 1 original,
// 2 new, even when the block stops later), then the multiplexer and
// voltage-monitor sources (the latter only with hardware-version bit
// 0x4000), the response at two corners, and the offset DAC.
bool Filter2(TestResultsBlock::Filter2Results& group);
// The test integrator after a 10 s settle: offsets and rates through the
// 1 pF and the 10 pF test capacitor, then (about 100 s) the corner of its
// auto-zero loop. ZRVBase::SpinCursor is on while it runs and restored on
// every way out.
bool Integrator(TestResultsBlock::IntegratorResults& group);
// The stimulus buffer, scaling, DAC and filter, the G-leak, V-ref (V-ref
// x2 only with hardware-version bit 0x4000), the Vp offset DAC, the 10 pF
// coupling and, unless the probe has a reference-gain trim, the series
// resistance and the Rs compensation's time constants (0 when not found).
// The current-clamp results of the group are left alone.
bool StimulusPath(TestResultsBlock::StimulusPathResults& group);
// The C-fast stages (the 100 pF range only where the board has it), the
// C-fast taus as differences to the tau-2 switches' reference, the C-slow
// stages, the G-series taus, the Rs factor (taus 0 when not found) and the
// C-slow injection capacitors.
bool CFastAndSlow(TestResultsBlock::CFastCSlowResults& group);
// The current clamp of the board's generation (selftest/T3CCTest.h): the
// true current clamp, the fast option, or the old amplifier after its
// set-up (test DAC as stimulus source, stimulus scale 0, filter 1).
bool CCTest(TestResultsBlock::CurrentClampResults& group);

}  // namespace T3Tester
