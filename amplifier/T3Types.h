// The shared vocabulary of the amplifier core: the amplifier kinds and
// board letters, the error code, the whole software state of the selected
// amplifier board, the shadow of what was last sent to its elements and the
// per-board working values of the panel and of the automatic functions.
//
// Ownership of the one global declared here:
//   State   the live AmplifierState of the selected board. T3Panel makes
//           every change that reaches the hardware (and replays the record
//           with LoadTheState); the initialisation, the EEPROM access, the
//           automatic functions and a few menu commands set single fields
//           directly without sending anything. Everyone else reads it.
// The other globals of the same vocabulary live with their owners:
// T3Set::SwitchState (SwitchShadow), T3Base::BoardState (BoardState) and
// T3Error::Error (AmplifierError). All of them: main thread only.
//
// The records live in memory only. Copies per board and probe-selector
// position are kept by the board storage, field for field; no code may
// rely on their size or on two records lying next to each other.
#pragma once

#include <cstdint>

#include "acquisition/ZRVBase.h"

namespace T3Types {

// ==== Interface =============================================================

// The attached amplifier (T3Base::AmplKind): 0 TLV 1, 1 TLV 2 family, 2
// TLV 3 (ZRV-24), 3 TLV 4 (QRN 2400), 4 TLV 4 Plus (ZRV-28), 5 TLV 4 USB
// (QRN 5+5), 6 oMIR (QRN 5+5); any other value counts as 0.
using AmplifierKind = std::uint8_t;
inline constexpr AmplifierKind KindTlv1 = 0;
inline constexpr AmplifierKind KindTlv2 = 1;
inline constexpr AmplifierKind KindTlv3 = 2;
inline constexpr AmplifierKind KindTlv4 = 3;
inline constexpr AmplifierKind KindTlv4Plus = 4;
inline constexpr AmplifierKind KindTlv4USB = 5;
inline constexpr AmplifierKind KindOMIR = 6;

// The amplifier board revision, a capital letter; 0 is unknown.
using BoardVersionLetter = char;

// The code every amplifier module leaves in T3Error::Error: 0 no error,
// 1 AD/DA error, 3 to 32 the amplifier's own errors, 33 an EEPROM or file
// error nobody classified (T3Init::ErrorText gives the texts).
using AmplifierError = std::uint8_t;

// Element addresses 0 to 47: the DAC values of 0 to 23 (8 or 12 significant
// bits) and the 4-bit latch states of 24 to 47, as last given to each
// element.
inline constexpr int kElementCount = 48;
struct SwitchShadow {
  std::uint16_t Element[kElementCount];
};

// Probe-selector positions, modes and gain ranges are small numbers; the
// comments give their ranges. Texts are NUL-padded fixed fields.
struct AmplifierState {
  char Tag[8];                   // "TLV_v3"
  char ScaleDate[16];            // the scale record's calibration date
  double CurrentGain;            // current-monitor gain (derived)
  double ImonBandwidth;          // Hz
  double F2Frequency;            // filter 2 corner, Hz
  double VmonBandwidth;          // Hz
  double VmonFilter;             // Hz
  double RsValue;                // compensated series resistance, ohm
  double RsFraction;             // 0 to 1
  double RsComp;                 // fraction last applied by the Rs correction
  double GLeak;                  // S
  double CFast1;                 // F
  double CFast2;                 // F
  double CFastTau;               // s
  double CSlow;                  // F
  double GSeries;                // S
  double CSlowFitA;              // second capacitance of the C-slow fit, F
  double CSlowFitB;              // its resistance, ohm
  double StimDacScale;           // stimulus volts to DAC volts (voltage clamp)
  double CCStimDacScale;         // the same for the current-clamp stimulus
  double CCStimScale;            // current-clamp external stimulus scale
  double VmonFactor;
  double VmonOffset;
  double VHold;                  // V, as the DAC quantises it
  double VpOffset;               // V
  double VLiquidJunction;        // V
  double CCIHold;                // A
  double AutoCSlowAmplitude;     // V
  double CCTrackHold;            // V
  double AutoCSlowTimeout;       // s
  double SearchDelay;            // s
  double CSlowSeriesResult;      // S
  double RsTau;                  // s (derived)
  double StimFilterHz;           // Hz (derived)
  double F1Bandwidth;            // Hz (derived)
  double StimScale;              // -10 to 10
  double DacToAdcDelay;          // s
  double InputFilterTau;         // s
  double OutputFilterTau;        // s
  char SerialNumber[8];
  std::int16_t T3Boards;
  std::int16_t AutoCSlowCycles;
  std::int16_t ImonAdc;
  std::int16_t VmonAdc;
  std::int16_t MuxAdc;
  std::int16_t ExtStimDac;
  std::int16_t StimDac;
  std::int16_t StimDacOffset;    // DAC units
  std::int16_t MaxDigBitOut;
  std::uint8_t EEPROMKind;       // 0 none, 1 small, 2 large
  bool HasCFastHigh;
  bool CFastHigh;
  bool HasBathSense;
  bool BathSense;
  std::uint8_t Filter2Law;
  AmplifierKind ModelKind;
  bool IsTlv3N;
  ZRVBase::BoardType ADBoard;
  BoardVersionLetter BoardVersion;
  std::uint8_t Board;            // 0 to 7, 8 none selected
  std::uint8_t Mode;             // 0 test, 1 voltage clamp, 2 current clamp
  std::uint8_t Range;            // 0 to 2
  std::uint8_t F2Response;       // 0 to 4
  bool RsOn;
  std::uint8_t CSlowRange;       // 0 off, 1 to 3
  std::uint8_t CCRange;          // 0 or 1
  std::uint8_t CCGain;           // 0 to 3
  bool UseExtStimDac;
  std::uint8_t ExtStimPath;      // 0 none, 1 test DAC, 2 scaled external
  std::uint8_t CCTrackTau;
  bool Clipping;
  std::uint8_t SavedCSlowRange;
  bool VrefX2;
  bool HasCCFast;
  bool HasCCRange0;
  bool HasCCRange1;
  bool HasCCTracking;
  bool HasInternalVmon;
  bool HasHighCCGains;
  std::uint8_t Selector;         // 1 to the selector's count, 0 none
  std::uint8_t CFastStatus;      // 1 success, 2 failure
  std::uint8_t CSlowStatus;      // 1 success, 2 failure
  bool HasVmonX100;
  bool TestDacOff;
  bool QMuxAdc;
  std::uint8_t Gain;             // 0 to 5
  std::uint8_t Filter1;          // 0 to 3
  std::uint8_t StimFilter;       // 0 or 1
  bool RsSlow;
  bool CCCFast;
  std::uint8_t CCSpeed;
  std::uint8_t F2Source;         // 0 to 2
  std::uint8_t TestRange;        // 0, 2 or 3
  std::uint8_t TestDacPath;      // 0 to 4
  std::uint8_t Mux;
  bool MuxGain;
  bool VmonX100;
  std::uint8_t CSlowAutoState;
  bool IsTetral;
  bool HasF2Source;
  bool HasVrefX2;
  std::int16_t RefGainTrimDac;   // 0 to 4095
  std::int16_t EEPROMReadChannel;
  std::int16_t CommandPortChannel;
  std::int16_t SelectorPortChannel;
  bool RefGainTrimOn;
  bool RsCorrectionMode;
  bool CSlowPending;
  bool BaseFieldsCopied;
};

// The per-board working values of the panel and of the automatic functions
// (T3Base::BoardState); kept per board and selector position beside the
// AmplifierState, never written to a file.
struct BoardState {
  double CSlowRefVHold;
  double VpOffsetStep;
  double VpOffsetTime;           // s
  double TempRsFraction;
  double TempStimScale;
  double TempGSeries;
  double TempCSlow;
  double TempF2Frequency;        // Hz
  double VCRsFraction;
  double CCRsFraction;
  std::int32_t BoardImonAdc1;
  std::int32_t BoardImonAdc2;
  std::int32_t BoardImonAdc3;
  std::int32_t BoardVmonAdc;     // -2: the board has none
  std::int32_t CSlowRefCount;    // at most 50
  bool CSlowDone;
  bool CFastLookupDone;
  std::uint8_t VCFilter1;
  std::uint8_t TempMux;
  std::uint8_t TempFilter1;
  std::uint8_t TempGain;
  std::uint8_t TempCSlowRange;
  bool TempRsOn;
  bool TempStimFilter;
  bool TempStateSaved;
  bool BoardSetUp;
  std::uint8_t F2ResponseSet;
};

// The live record of the selected board (see the ownership above).
extern AmplifierState State;

// Nothing to set up: T3Panel::InitModule gives State its start values.
void InitModule();

}  // namespace T3Types
