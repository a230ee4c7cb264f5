// Which TLV 6 the program talks to: the attached one or, without one, a
// simulated TLV 6, as Tlv6Port::Choose decides (MERETH_TLV6_PORT forces a
// side). The simulated amplifier is one device with the ids the link asks
// for, changed by the "tlv6." keys of the file that the setting
// MERETH_SIM_RACK names (Tlv6Sim::LoadRackFile: serial number, letter,
// latency, erase, restart and power-up times, a fault). Main thread, at
// start, while the link is closed.
#pragma once

#include "sim/usb_amplifier/Tlv6Sim.h"

namespace Tlv6Setup {

// Attaches the simulated amplifier to simulated, which must outlive the
// link, and hands the chosen port to the HID layer. A rack file that cannot
// be read, or a bad "tlv6." line in it, is reported on stderr
// ("MERETH_SIM_RACK: ...") and the simulated amplifier keeps its defaults.
void UseChosenPort(Tlv6Sim::Port& simulated);

}  // namespace Tlv6Setup
