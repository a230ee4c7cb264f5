// The rules the panel's controls share across their groups (record,
// monitors, compensations, stimulus, modes). Private to T3Panel: callers
// outside the panel use the controls in T3Panel.h.
#pragma once

#include <cstdint>

#include "amplifier/T3Types.h"

namespace T3Panel {

inline constexpr std::uint8_t kModeTest = 0;
inline constexpr std::uint8_t kModeVoltageClamp = 1;
inline constexpr std::uint8_t kModeCurrentClamp = 2;

// The multiplexer channel that shows filter 2's own output.
inline constexpr std::uint8_t kMuxFilter2 = 11;

// T3Error::Error := 25.
void RangeError();
bool InCurrentClamp();

// The DAC value of value x factor on a DAC of 8 or 12 bits: below 0 gives
// 0 (value := 0), above the maximum the maximum (value := maximum /
// factor), else rounded. A factor or value that is not a finite number
// gives 0 with value := 0.
std::int32_t DacValue(int bits, double& value, double factor);

// Filter 1's bandwidth for an index 0-3.
double F1BandwidthOf(std::int32_t index);
// The Rs compensation's time constant of a record.
double RsTauOf(const T3Types::AmplifierState& state);
// 1 / the scale record's StimDacScale with the interface open (and a
// usable scale), else 2.0 with the extended range, 10.0 without.
double StimDacScaleRule(bool vrefX2);
// VmonFactor and VmonOffset of the live record from VmonX100 and the
// extended range.
void UpdateVmonFactor();

// Low-gain current clamp and probe speed for a gain range and mode.
void ProbeSpeedRule(std::int32_t range, std::int32_t mode);
// In current clamp CCGain from Range and CCRange.
void CCGainRule();
// The current-clamp offset DAC of CCGain.
void SendCCOffset();
// The current-clamp circuit on or off, the probe speed around it.
void CCCircuitSwitch(bool on);

// The holding rule: value (V, or the command voltage of a holding current
// in current clamp) onto the stimulus DAC; value := what the DAC gives.
// FALSE, nothing sent, error 25: a stimulus DAC scale that is zero.
bool HoldingRule(double& value);
// The external stimulus scale onto the stimulus scale DACs and source
// switches; scale := clipped to -10..10. FALSE, nothing sent, error 25:
// the scale's slope makes the second DAC value a division by zero.
bool ApplyStimScale(double& scale);

// C-fast components 1 and 2 for (c1, c2); in current clamp 0.6 pF of the
// pair is the probe's own and is taken off before sending. Records CFast1
// and CFast2.
void SetCFastPair(double c1, double c2);
// Sends G-leak for g; returns the quantised g (0 for g at or below 0).
double SendGLeak(double g);

}  // namespace T3Panel
