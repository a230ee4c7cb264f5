// The records of one board's and probe-selector position's test results,
// as the self-tests fill them, the range file puts limits into them and the
// report writes them: the multiplexer part, the self-test part and the
// HF-calibration part of a results block, and the nominal C-fast noise.
// The calibration application owns the blocks (one per board and selector
// position) and copies the parts as whole records; no code may rely on
// their byte sizes. Main thread only.
#pragma once

#include <cstdint>

#include "selftest/ProtocolTypes.h"

namespace TestResultsBlock {

using Protocol::CheckResult;
using Protocol::ExponentialValues;
using Protocol::FrequencyResponseValues;
using Protocol::MeasuredValue;
using Protocol::RiseTimeValues;
using Protocol::SpanValues;
using Protocol::TransferValues;

// ==== Multiplexer part ========================================================

// The multiplexer's own transfer: channel 5 at mux gain x1 and x64, then
// channel 13 at x1 and x64.
struct MuxTestResults {
  TransferValues Transfer[4];
};

// ==== Self-test part ============================================================

inline constexpr int kTextSize = 16;

struct Identification {
  char Title[kTextSize];
  char SerialNumber[kTextSize];
  std::int32_t BoardNumber;   // from 1
  std::uint8_t AmplKind;      // T3Types::AmplifierKind
  char BoardVersion;          // the board-version letter
  std::uint8_t Selector;      // probe-selector position, 0 none
  bool MultiBoard;
  bool TetralRack;
  bool Tested;
};

// Filter 1, probe offset, slow taus, HF compensation, output amplifier.
struct CurrentMonitorResults {
  TransferValues Filter1Transfer[4];             // per filter-1 setting ("Filter1 Response")
  FrequencyResponseValues Filter1Response[4];
  RiseTimeValues Filter1RiseTime;
  SpanValues ProbeOffsetDac;
  SpanValues ProbeOffsetDacWide;                 // limits only, for wide-range probes
  ExponentialValues SlowTau[4];
  TransferValues HFComp[3];                      // per HF-compensation switch setting
  MeasuredValue HFGain;                          // gain at 50 kHz ("HF ")
  MeasuredValue Unused;
  TransferValues ProbeToIMon1;
  TransferValues OutputAmp[6];                   // per output gain index
  TransferValues OutputAmpFilter[4];             // per filter-1 setting
  TransferValues Filter2[3];                     // input on the mux, output at normal and high Q
  SpanValues Clipping;
};

struct Filter2Results {
  TransferValues MuxSource;
  FrequencyResponseValues F2Response[6];
  TransferValues VmonFilter;
  SpanValues OffsetDac;
  MeasuredValue Unused;
};

struct IntegratorResults {
  TransferValues Out1pF;
  TransferValues Out10pF;
  FrequencyResponseValues AutoZero;
};

inline constexpr int kCCTrackingValues = 6;

struct CurrentClampResults {
  TransferValues CCFeedThru;
  MeasuredValue CCStepResponse[2];
  MeasuredValue CCVmon;
  MeasuredValue CCStim[3];
  TransferValues CCGains[4];                     // per current-clamp gain
  MeasuredValue CCTracking[kCCTrackingValues];   // drift, V/s, per tracking tau
  std::uint8_t CCTrackMax;                       // the last tracking tau to test, 0 to 5
};

struct StimulusPathResults {
  TransferValues StimBuffer;
  TransferValues StimScaling[2];
  TransferValues StimDacAndFilter[2];
  FrequencyResponseValues StimFilter[2];
  CurrentClampResults CurrentClamp;
  TransferValues GLeak[2];
  MeasuredValue GLeakFeedThru;
  TransferValues Vref;
  TransferValues VrefX2;
  SpanValues VpOffsetDac;
  MeasuredValue StimTo10pF;
  TransferValues RSeries[4];
  ExponentialValues RsCompTau[2];
};

struct CFastCSlowResults {
  TransferValues CFastAmp1_10pF[5];
  TransferValues CFastAmp2_10pF[6];
  TransferValues CFastAmp1_100pF[5];
  TransferValues CFastAmp2_100pF[6];
  ExponentialValues CFastTaus[6];
  TransferValues CSlow[6];
  ExponentialValues GSeries[4];
  TransferValues CSlowToTest[6];                 // three to 1 pF, then three to 10 pF
  MeasuredValue Unused;
  ExponentialValues RsFactor;
};

// Trim span at DAC 3995 and at 100, then the adjusted trim DAC without and
// with V-ref x2 (-1 when the adjustment failed).
struct RefGainTrimValues {
  MeasuredValue Value[4];
};

struct ProbeTestResults {
  TransferValues Input10M;
  TransferValues CMR;
  MeasuredValue Offsets[3];                      // per gain range low, med, high
  MeasuredValue ProbeOut[3];                     // at 0 V, at 5 V, difference (V)
  TransferValues Test1pF[3];
  TransferValues Test10pF[3];
  MeasuredValue Noise[3][4];                     // per noise range, four bands
  bool IsTlv1Probe;
  RefGainTrimValues RefGainTrim;
};

// Indices into ExternalResults::Connection.
inline constexpr int kTestInput = 0;
inline constexpr int kStimInput = 1;
inline constexpr int kExtCCStim = 2;
inline constexpr int kVMonToAdc = 3;
inline constexpr int kIMon1ToAdc = 4;
inline constexpr int kIMon2ToAdc = 5;
inline constexpr int kVMonToVMonAdc = 6;
inline constexpr int kVMonX100ToVMonAdc = 7;
inline constexpr int kIMon2ToIMonAdc = 8;

struct ExternalResults {
  TransferValues Connection[9];
  TransferValues SampleAndHoldStep[2];           // the 5 V step, the 0 V step
  SpanValues SampleAndHoldFeedThru[2];           // on mux channel 5, on 13
};

inline constexpr int kDacTests = 18;

struct DacTestResult {
  std::int32_t Value;
  bool Done;
  bool Passed;
};

struct NoiseTestResults {
  MeasuredValue Noise20;
  MeasuredValue Noise100;
};

struct SelfTestResults {
  Identification Info;
  CurrentMonitorResults CurrentMonitor;
  Filter2Results Filter2;
  IntegratorResults Integrator;
  StimulusPathResults StimulusPath;
  CFastCSlowResults CFastCSlow;
  ProbeTestResults Probe;
  ExternalResults External;
  DacTestResult DacTests[kDacTests];
  NoiseTestResults NoiseTest;
  CheckResult TriggerCheck;
  CheckResult DigitalIOCheck;
  CheckResult CCClippingCheck;
  bool RangeFileRead;
};

// ==== HF-calibration part =======================================================

// One gain range of the HF calibration: the decoded values, the model
// fit's theoretical rms error, the deviations and the allowed peak
// deviation (the range file's limit).
struct HFRangeResult {
  double Gain;
  double MainTau;       // s
  double Amp1;
  double Tau1;          // s
  double Amp2;
  double Tau2;          // s
  double TheoreticalRmsError;
  double PeakDeviation;
  double RmsDeviation;
  double MaxDeviation;
};

inline constexpr int kHFRanges = 3;

}  // namespace TestResultsBlock

namespace T3MakeAuto {

// The nominal C-fast noise (A): medium range at 10 kHz and at 30 kHz,
// high range at 30 kHz. The range file sets their limits, the result file
// prints their values.
struct NominalNoise {
  Protocol::MeasuredValue Med10kHz;
  Protocol::MeasuredValue Med30kHz;
  Protocol::MeasuredValue High30kHz;
};

extern NominalNoise Nominal;

}  // namespace T3MakeAuto
