#pragma once

// The PK calibration on a simulated QRN 5+5 with a PK 510 (the disk
// amplifier) and a PK 512 (the ring amplifier) on its command port, their
// analog model seeded, on the virtual clock: the PK modules started, words
// sent, version 'B', the report and results record fresh, test output on.
// A fixture that clears withPK512_ before SetUp has the PK 510 alone,
// version 'A'.

#include <memory>
#include <string>

#include "acquisition/tests/Measurement_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/potentiostat/PKSimAnalog.h"

class PKCalibrationRack : public SimulatedBoardTest {
 protected:
  static constexpr unsigned kSeed = 7;

  void SetUp() override;
  void TearDown() override;
  void UseWiring() override;

  // Makes the amplifier's record the working one and selects its board.
  void UseAmplifier(int amplifier);
  PKSimBus& Bus();
  PKSimAnalog& Analog(int amplifier);
  PKSimAnalog& Active() { return Analog(PKTypesAmplifier()); }
  static int PKTypesAmplifier();
  // The notebook's records joined by line feeds.
  static std::string Notebook();
  // The node voltage a DAC search on the mux ADC brings to its target
  // (after MuxTransfer): the coarse target on the corrected x1 reading, or,
  // for a target within 1 mV of zero, the fine pass's on the x100 path.
  double MuxTargetNode(double target);
  // The code of an offset DAC whose node (step volts per code, rising or
  // falling, plus the rest) reaches the node of a mux search's target.
  double OffsetDacZero(double zero, double step, bool rising, double rest, double target);

  std::unique_ptr<AmplifierRackWiring> rack_;
  bool withPK512_ = true;
};
