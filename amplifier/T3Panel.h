// The amplifier panel: every change of T3Types::State that reaches the
// hardware goes through here, and LoadTheState replays the whole record.
//
// So far the panel holds what the control words and the power-on sequence
// need; the state record's own defaults, derived fields and replay grow
// behind these same procedures.
//
// Ownership: T3Panel owns T3Types::State (see T3Types.h for the few others
// that set single fields). Main thread only.
#pragma once

namespace T3Panel {

// Zeroes the live record, then: ModelKind 5 (TLV 4 USB), Board 0, ADBoard 3
// (QRN 5+5), BoardVersion 'R', EEPROMKind 0, RefGainTrimOn FALSE; clears
// the probe-selector globals (T3Selector) and gives the channels their
// start values (CommandPortChannel 9, EEPROMReadChannel 17,
// SelectorPortChannel 8).
void InitModule();

// The board has a reference gain trim: T3Base::BoardVersion is 'Y'. It
// shares the Rs DAC and the Rs switch.
bool HasRefGainTrim();

// The live record back to its defaults, keeping its board, EEPROM kind,
// selector and options. As yet the record is left as it is.
void GetDefaultState();

// Replays the live record to the hardware and plays the queued words. As
// yet it plays the queued words only.
void LoadTheState();

}  // namespace T3Panel
