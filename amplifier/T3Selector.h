// The probe selector in front of the amplifier boards. So far: the globals
// that describe where the active selector stands.
//
// Ownership: the selector control sets these four when it moves the
// selector; T3Panel::InitModule clears them; the state dump
// (T3Set::WriteState) and the self-tests read them. Main thread only.
#pragma once

#include <cstdint>

namespace T3Selector {

extern std::int32_t SelectorPosition;  // position, counted from 0
extern std::int32_t SelectorBoard;     // board the selector serves, from 0
extern std::int32_t SelectorDacUnits;  // the selector's holding DAC, units
extern bool SelectorEEPROM;            // the selector's EEPROM is connected

}  // namespace T3Selector
