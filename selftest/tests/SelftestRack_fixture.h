#pragma once

// The self-tests on a simulated amplifier rack: the board of the parameter
// open on the virtual clock, the rack's analog model behind it with a
// record of every DA conversion, the amplifier core started and the board
// powered on as the panel's rack tests do, the self-test modules fresh
// (software version 2.3, test output on).

#include <cstdint>
#include <memory>

#include "acquisition/tests/Measurement_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/amplifier/DacRecord.h"

class SelftestRack : public SimulatedBoardTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void UseWiring() override;
  // The rack before it is made; by default one board of the letter, analog,
  // without noise.
  virtual void Configure(AmplifierRackConfig& config) { (void)config; }

  // The board's letter by board type: 'R' on the QRN 5+5, 'K' elsewhere.
  char Letter() const;
  // Starts the amplifier core for the board and powers it on.
  void StartBoard(std::uint16_t hardwareVersion);
  // The headless UI layer for the test window and scripted keys, with a
  // headless notebook terminal for the console poll; shut by TearDown.
  void StartUi();

  std::unique_ptr<AmplifierRackWiring> rack_;
  std::unique_ptr<DacRecord> record_;

 private:
  bool ui_ = false;
};
