// The amplifier's serial EEPROMs on the simulated rack, through the AD/DA
// layer of each simulated board type: the rack's chips are built from how
// the hardware behaves, never from the program's protocol code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "acquisition/tests/Measurement_fixture.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "amplifier/T3Scale.h"
#include "amplifier/VrnlEEPROM.h"
#include "sim/amplifier/AmplifierRackWiring.h"

class EEPROMRackTest : public SimulatedBoardTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void UseWiring() override;

  // The rack built anew from config (the board type set to the test's).
  void Rewire(AmplifierRackConfig config);
  AmplifierRack& Rack(int rack = 0) { return rack_->Rack(rack); }
  // The chip of rack board 0 as the simulation holds it.
  SerialEEPROM& BoardChip(int board = 0) { return *Rack().BoardChip(board); }
  // The amplifier modules started, board 0 latched with its data path on
  // and its chip deselected; EEPROMKind 2 for the page chip, 1 for the
  // 128-byte one.
  void ConnectAmplifier(bool pageChip);
  // The chip as the amplifier reaches it: T3Set::EEPROMSelect, chip type
  // 0, the live record's channels.
  static VrnlEEPROM::Chip AmplifierChip();
  bool HasDigitalReadBack() const { return Board() != ZRVBase::BoardZRV24; }

 private:
  std::unique_ptr<AmplifierRackWiring> rack_;
};

// Two joined QRN 5+5 units on the virtual clock, each unit's lines wired to
// a rack of one board (rack 2 on the second unit); the AD/DA layer is not
// opened.
class JoinedUnitsTest : public QRN55BackendTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  AmplifierRack& Rack(int rack) { return racks_->Rack(rack); }

 private:
  std::unique_ptr<AmplifierRackWiring> racks_;
};

// A rack of one board with the chip and letter given.
AmplifierRackConfig OneBoardRack(AmplifierEEPROMKind eeprom, char letter = 'R');

// Bytes 0, 1, 2 ... of a block, each a function of its place.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed);

// Calibration records of a board whose reals are singles, as the blocks
// store them; they do not touch the live records.
T3Scale::ScaleRecord SampleScale(int board);
T3Scale::CFastTable SampleCFast(int board);
// The record as a block keeps it: the fields the walk stores.
T3Scale::ScaleRecord Stored(T3Scale::ScaleRecord record);
