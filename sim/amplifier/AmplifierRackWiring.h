// The simulated amplifier racks behind the boards' wiring seams: a
// ZRVSimWiring for the stand-in board library (install with
// ZRVSim_SetWiring: the ZRV-24's single port, the ZRV-28, one or two QRN
// 2400 racks) and a QRN55SimWiring per QRN 5+5 unit (QRN55SimUnit::SetWiring
// with Unit(0) and Unit(1): two joined units are two racks).
//
// Lines by board (AmplifierRack.h has what the rack does with them):
//   command port  the TLV output word of the rack; the ZRV-24's one word;
//   older port    the user output word of the rack (the ZRV-24: the same
//                 word, bit 15 clear);
//   read-back     of the amplifier's chips: TLV input bit 12 (QRN 5+5), bit
//                 1 (QRN 2400), digital input bit 15 (ZRV-28); of the
//                 selectors' chips: user input bit 14; on the ZRV-24 either
//                 sets clipping line 0;
//   trigger board user input bit 14 echoes user output bit 15 (rack 1);
//   clipping      each board's clipping line;
//   AD lines      logical line c of a rack on converter c, or by the AD/DA
//                 layer's remap; the QRN 5+5's multiplexer line carries the
//                 multiplexer.
// Undriven input lines read low. The wiring must outlive its installation.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "sim/QRN55SimWiring.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"
#include "sim/amplifier/AmplifierRack.h"
#include "sim/amplifier/AmplifierRackConfig.h"

class AmplifierRackWiring final : public ZRVSimWiring {
 public:
  explicit AmplifierRackWiring(const AmplifierRackConfig& config = {});
  ~AmplifierRackWiring() override;
  AmplifierRackWiring(const AmplifierRackWiring&) = delete;
  AmplifierRackWiring& operator=(const AmplifierRackWiring&) = delete;

  const AmplifierRackConfig& Config() const { return _config; }
  // Rack r's board b. Its faults (mux_gain, mux_channels, stuck_clipping,
  // faults) may change between any two calls; the rest stays as built.
  AmplifierBoardConfig& BoardConfig(int rack, int board) {
    return _config.boards[static_cast<std::size_t>(rack * AmplifierRackConfig::kBoardsPerRack + board)];
  }
  AmplifierRack& Rack(int rack) { return *_racks[static_cast<std::size_t>(rack)]; }
  int Racks() const { return static_cast<int>(_racks.size()); }
  // The wiring of QRN 5+5 unit 0 (rack 1) or 1 (rack 2).
  QRN55SimWiring* Unit(int unit);

  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;
  std::uint16_t ClippingLines(double clock_seconds) override;

 private:
  class UnitWiring;

  AmplifierRackConfig _config;
  std::vector<std::unique_ptr<AmplifierRack>> _racks;
  std::array<std::unique_ptr<UnitWiring>, AmplifierRackConfig::kMaxRacks> _units;
};
