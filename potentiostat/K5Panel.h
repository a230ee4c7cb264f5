#pragma once

// The panel logic of the PK 5xx potentiostats: every change of a PK setting
// goes through it, and it keeps the working record (PKTypes::State) and the
// two stored records (PKTypes::States) consistent. So far it holds what the
// program needs at start: the modules' defaults, the default state of a
// PK 510 on the USB interface, the channel and port assignment by version,
// and the record accessors.
//
// Main thread only.

#include <cstdint>

#include "potentiostat/PKTypes.h"

namespace K5Panel {

// TRUE after InitState, FALSE from InitModule's start.
extern bool Initialized;
// The version letters this system accepts ("A,B,C").
extern char KnownVersions[80];

// Gives the PK modules their start values without touching hardware:
// PKTypes, this module (the working and both stored records become the
// default PK 510 on the USB interface), then K5Set.
void InitAllModules();

// Clears the working record from Subtraction on, makes it a PK 510 ('A',
// "PK510_USB") on the USB interface (kind 7) with no ring amplifier, fills
// in the defaults and copies it into both stored records.
void InitState();

// The defaults: into States[0] alone while the TLV 4 ring amplifier's record
// is the working one; otherwise into State, and unless a TLV 4 ring is
// present also into both stored records (States[1] marked the ring's).
void GetDefaultState();
// The default values into the record; the version-given fields (name, serial
// number, version, interface kind, remote, configuration code, options, the
// TLV 4 flag and the shared fields) keep theirs. The channels follow the
// version (VersionToStateFields).
void DoGetDefaultState(PKTypes::PKState& record);

// For interface kind 7 only: the ring amplifier flags by version ('B' a
// PK 512, 'C' a TLV 4 board, any other none), options empty, and the
// channels: stimulus DAC 2 / voltage ADC 3 / current ADC 4 for amplifier 1,
// 3 / 5 / 6 otherwise; test DAC 10, mux ADC 7, command port 9, status port
// 17, auxiliary channel 1.
void VersionToStateFields(PKTypes::PKState& record);

// The booster the switch file "PKBooster.On" forces: 50 gives 2, 20 gives 1;
// any other number (or no file) gives State.BoosterPresent.
std::uint8_t ForceBoosterPresent();

// The disk amplifier's record: States[0] while the working record is the
// ring's, else State. The ring amplifier's: State while it is the working
// one, else States[1].
PKTypes::PKState& GetDiskStatePtr();
PKTypes::PKState& GetRingStatePtr();

// The ring amplifier is a TLV 4 board; the working record is its record.
bool Tlv4_is_Present();
bool Tlv4_is_Active();

}  // namespace K5Panel
