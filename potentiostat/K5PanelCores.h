#pragma once

// The cores of K5Panel's setters that the state replay (LoadTheState) calls
// without the DAC updates their public setters add. For K5Panel's own
// files only.

#include <cstdint>

namespace K5Panel {

// Sends the registers that follow to the board (1 or 2) alone: the other
// board is deselected first, since selecting one never deselects the other
// and words meant for one board must not reach both.
void RegistersTo(std::uint8_t board);

// K5Set::AmplMode and State.AmplMode.
void DoSetAmplMode(std::uint8_t mode);
// SetCurrentRange without the subtraction DAC.
void DoSetCurrentRange(std::uint8_t range);
// The gain with its voltage-offset DAC.
void DoSetVoltageOutputAmplifierGain(std::uint8_t gain);
// The scale into State and the mode's copy; no DAC.
void DoSetStimInScale(std::uint8_t scale);
// The switches alone; no subtraction DAC.
void DoSetVoltageSubtractOn(bool on);
void DoSetCurrentSubtractOn(bool on);

}  // namespace K5Panel
