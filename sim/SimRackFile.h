// The file that describes the simulated hardware the program runs on when
// none is attached (the setting MERETH_SIM_RACK names it): `key = value`
// lines, blank lines and lines starting with '#' passed over. Keys starting
// with "tlv6." describe the simulated TLV 6 (Tlv6Sim::SetKey), keys
// starting with "qrn55." the simulated QRN 5+5 units (below), every other
// key a field of the amplifier rack (sim/amplifier/AmplifierRackKeys.h).
//
//   # two QRN 2400 racks of four boards
//   interface = qrn2400
//   racks = 2
//   boards_per_rack = 4
//   tlv6.serial = 805555
#pragma once

#include <string>

#include "sim/amplifier/AmplifierRackConfig.h"
#include "sim/usb_amplifier/Tlv6Sim.h"

namespace SimRackFile {

// The QRN 5+5 units served when none is attached.
struct QRN55Units {
  // qrn55.units: 0 to 2; -1 (the default) one per rack on the QRN 5+5,
  // else one.
  int units = -1;
  // qrn55.firmware: the controller firmware the units run, 1 to 255.
  int firmware = 8;
};

struct Config {
  AmplifierRackConfig rack;
  Tlv6Sim::Config tlv6;
  QRN55Units qrn55;
};

// Reads the file into config. The form is strict: the first line that is
// not `key = value`, names no key, or holds a value its field cannot take
// ends the reading with FALSE, error "line N: " and the line, and config
// unchanged; so does a file that cannot be read ("cannot read " and the
// path).
bool Load(const std::string& path, Config& config, std::string& error);

}  // namespace SimRackFile
