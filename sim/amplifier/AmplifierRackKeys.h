// The simulated rack's configuration as `key = value` text: every field of
// AmplifierRackConfig (and of what it holds) has the key of its own name,
// the keys of nested fields joined by ".", elements of arrays and lists by
// their 0-based index:
//   interface = qrn2400              (zrv24, zrv28, qrn2400, qrn55)
//   boards_per_rack = 4
//   boards.5.letter = S              (rack r's board b is boards.(4 r + b))
//   boards.0.eeprom = small          (none, small, page)
//   boards.0.image = 45 45 50 ...    (hexadecimal bytes, blanks optional)
//   boards.0.mux_channels.13.gain = 0.6
//   boards.0.analog.cell.series_ohms = 5e6
//   boards.0.probes.2.range_gain.1 = 4.9e8
//   boards.0.current_clamp.tracking_tau.4 = 3.0
//   boards.0.current_clamp_faults.external_cc_dead = true
//   boards.0.connection_faults.sample_hold_droop = 100
//   selectors.0.probes = 4
//   rack_interface.1 = 901235A
//   potentiostat.pk510.present = true
//   potentiostat.pk510.booster_volts = 3.5
//   potentiostat.manual_standby = true
// Numbers are decimal (reals in any C form, finite); flags true or false;
// a letter is one character. A key into a list beyond its end lengthens it
// with default entries. Main thread, at start.
#pragma once

#include <string_view>

#include "sim/amplifier/AmplifierRackConfig.h"

// Sets the field the key names from the value text. FALSE, config
// unchanged, for a key that names no field (or names a group of fields)
// and for a value the field cannot take.
bool SetRackKey(AmplifierRackConfig& config, std::string_view key, std::string_view value);
