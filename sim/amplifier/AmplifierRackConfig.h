// What a simulated amplifier rack is made of (sim/amplifier/AmplifierRack.h):
// the AD/DA board it hangs on, its racks and boards with their letters and
// EEPROMs, the probe selectors, the trigger board, the PK potentiostat
// boards on the first rack's command port and the faults. The default is
// one TLV 4 USB board on a QRN 5+5: letter 'R', a page EEPROM that holds
// "EEPROM_Tlv" and the version "123456R"; no PK board.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/amplifier/AmplifierBoardFaults.h"
#include "sim/amplifier/AmplifierBoardModel.h"
#include "sim/amplifier/AmplifierConnections.h"
#include "sim/amplifier/AmplifierCurrentClamp.h"
#include "sim/amplifier/SerialEEPROM.h"

// The AD/DA board the rack's lines reach (numbered like its board type).
enum class RackInterface { kZRV24 = 0, kZRV28 = 1, kQRN2400 = 2, kQRN55 = 3 };

enum class AmplifierEEPROMKind { kNone, kSmall, kPage };

// One multiplexer channel's own fault, ahead of the x 64 and the whole
// multiplexer's gain: gain 0 is a dead channel.
struct MuxChannelFault {
  double gain = 1.0;
  double offset_volts = 0.0;
};

struct AmplifierBoardConfig {
  static constexpr int kMuxChannels = 16;

  bool present = true;
  // The board revision: every letter but the old ones (A-D, P, Z) selects
  // its 128-byte chip by latch 24 bit 2 and shows its signatures.
  char letter = 'R';
  AmplifierEEPROMKind eeprom = AmplifierEEPROMKind::kPage;
  // Empty: a fresh chip with the rack's version (AmplifierRackConfig).
  std::vector<std::uint8_t> image;
  std::string image_file;
  SerialEEPROMFaults eeprom_faults;
  // Multiplexer gain: 1 sound, 0.7 out of range, 0 dead.
  double mux_gain = 1.0;
  // Faults of single channels, by channel; e.g. a dead stimulus path to
  // channel 10, or the test DAC's channel 13 at 0.6.
  std::array<MuxChannelFault, kMuxChannels> mux_channels{};
  bool stuck_clipping = false;
  // Its broken elements (sim/amplifier/AmplifierBoardFaults.h).
  AmplifierBoardFaults faults;
  // The analog side's truths and the cell on the probe.
  AmplifierAnalogTruths analog;
  // The current-clamp stages beside it and their broken elements
  // (sim/amplifier/AmplifierCurrentClamp.h); the faults may change between
  // any two calls.
  CurrentClampTruths current_clamp;
  CurrentClampFaults current_clamp_faults;
  // The front sample-and-hold (the selected board's) and the connections'
  // broken elements (sim/amplifier/AmplifierConnections.h); the faults may
  // change between any two calls.
  SampleHoldTruths sample_hold;
  ConnectionFaults connection_faults;
  // Behind a probe selector: the truths and cell of the probe at position p
  // (1-16) are probes[p - 1]; a position without an entry has `analog`.
  std::vector<AmplifierAnalogTruths> probes;
};

struct ProbeSelectorConfig {
  int rack = 0;
  // The rack boards it serves: first_board to first_board + boards - 1.
  int first_board = 0;
  int boards = 1;
  int probes = 8;
  // Its 128-byte chip's text (number, version, boards per selector, "x",
  // probes).
  std::string eeprom_text = "123456F02x08";
  SerialEEPROMFaults eeprom_faults;
};

// A PK potentiostat board (sim/potentiostat/PKSimBoard.h).
struct PKBoardConfig {
  bool present = false;
  // As after switching on: the PK 510 powers up selected (the PK 512 never
  // does).
  bool powered_up_selected = false;
  // Its page EEPROM; without one the read-back line stays low.
  bool eeprom = true;
  // Empty: a fresh chip, page 0 with "EEPROM_PK500" and the version, the
  // rest erased.
  std::vector<std::uint8_t> image;
  std::string image_file;
  std::string version = "123456A";
  SerialEEPROMFaults eeprom_faults;
  // The booster's sense voltage on multiplexer channel 14 (0 V: none).
  double booster_volts = 0.0;
};

// The PK boards beside or instead of the amplifier boards: none, a PK 510,
// or a PK 510 with a PK 512. Their status lines join the command port's
// input word.
struct PotentiostatConfig {
  PKBoardConfig pk510;
  PKBoardConfig pk512;
  bool disk_overload = false;    // bit 8
  bool ring_overload = false;    // bit 9
  bool manual_standby = false;   // bit 10
};

struct AmplifierRackConfig {
  static constexpr int kMaxRacks = 2;
  static constexpr int kBoardsPerRack = 4;

  RackInterface interface = RackInterface::kQRN55;
  int racks = 1;
  // 1 to 4 boards per rack; a rack of four is a tetral rack.
  int boards_per_rack = 1;
  // Rack r's board b is boards[r * 4 + b].
  std::array<AmplifierBoardConfig, kMaxRacks * kBoardsPerRack> boards{};
  // The serial number of the version strings the fresh EEPROMs hold.
  std::string serial = "123456";
  // AD lines in the order the AD/DA layer's remap expects: logical channel
  // 2i on converter i, 2i + 1 on converter i + 4 of the rack.
  std::array<bool, kMaxRacks> remap_ad_lines{};
  // The QRN 2400 rack interface's own 128-byte chip, per rack.
  std::array<std::string, kMaxRacks> rack_interface{"901234A", "901235A"};
  // A trigger-interface board: digital input bit 14 echoes output bit 15.
  bool trigger_board = false;
  std::vector<ProbeSelectorConfig> selectors;
  // The analog model drives the boards' monitor lines, their multiplexer
  // channels and clipping lines; without it those lines rest at 0 V.
  bool analog = false;
  // The analog model's noise, and the seed of its generators (board b of
  // rack r draws from seed + 4 r + b).
  bool noise = false;
  unsigned seed = 1;
  PotentiostatConfig potentiostat;
};

// The version string of a fresh EEPROM: serial, letter and, in a rack of
// several boards, their number.
std::string AmplifierVersionString(const AmplifierRackConfig& config, int rack, int board);
// A fresh image: the page chip holds the marker (the amplifier's
// "EEPROM_Tlv", the PK boards' "EEPROM_PK500") and the version in page 0
// and is erased beyond it; the 128-byte chip holds the text and zeros.
std::vector<std::uint8_t> FreshPageImage(const std::string& version, const std::string& marker = "EEPROM_Tlv");
std::vector<std::uint8_t> FreshSmallImage(const std::string& text);
