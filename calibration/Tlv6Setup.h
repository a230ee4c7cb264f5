// Which TLV 6 the program talks to: the attached one or, without one, a
// simulated TLV 6, as Tlv6Port::Choose decides (MERETH_TLV6_PORT forces a
// side). The simulated amplifier is one device with the ids the link asks
// for, otherwise as the simulated hardware's file describes it (its "tlv6."
// keys: serial number, letter, latency, erase, restart and power-up times,
// a fault). Main thread, at start, while the link is closed.
#pragma once

#include "sim/usb_amplifier/Tlv6Sim.h"

namespace Tlv6Setup {

// Attaches a simulated amplifier made from config (its ids replaced by the
// link's) to simulated, which must outlive the link, and hands the chosen
// port to the HID layer.
void UseChosenPort(Tlv6Sim::Port& simulated, Tlv6Sim::Config config);

}  // namespace Tlv6Setup
