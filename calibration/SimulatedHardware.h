// The simulated hardware the program runs on when none is attached.
//
// QRN 5+5: with no unit volume mounted, simulated units are served
// in-process (QRN55Service::UseFilePort): one unit, or two joined units
// for two racks on the QRN 5+5, or as many as the file's "qrn55.units"
// says. ZRV-24, ZRV-28 and QRN 2400: when the
// board library loaded is our simulated one (it has "ZRVSim_SetWiring"),
// its boards are used. The TLV 6: Tlv6Setup.
//
// The simulated amplifier rack (sim/amplifier/) goes behind the seam of
// its board type. It is described by the file the setting MERETH_SIM_RACK
// names (sim/SimRackFile.h); without the setting it is one TLV 4 USB board
// 'R' with the version "123456R" and no calibration records on the
// QRN 5+5. The EEPROMs of the units and of the amplifier boards persist in
// the state folder: MERETH_SIM_STATE, else $XDG_STATE_HOME/mereth, else
// $HOME/.local/state/mereth.
//
// Main thread: Attach before the first use of any board, Detach after the
// last (the AD/DA layer shut down).
#pragma once

#include <string>

#include "sim/SimRackFile.h"

class AmplifierRackWiring;

namespace SimulatedHardware {

// The configuration MERETH_SIM_RACK describes, or the default. A file
// that cannot be read or holds a bad line is reported on stderr
// ("MERETH_SIM_RACK: line 3: ...") and the default is used.
SimRackFile::Config ChosenConfig();
// The state folder, created when missing; empty when it cannot be.
std::string StateFolder();

// Puts the simulated hardware of config where no real one is found. A board
// EEPROM without an image file of its own keeps its image in the state
// folder as "board<rack>-<board>.eeprom", a PK board as "pk510.eeprom" or
// "pk512.eeprom", a unit as "qrn55-<unit>.eeprom".
void Attach(const SimRackFile::Config& config);
// Takes every simulated piece away again; nothing when none is attached.
void Detach();

// The rack attached, nil when none is (tests look into it).
AmplifierRackWiring* Rack();

}  // namespace SimulatedHardware
