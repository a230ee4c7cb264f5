// A record of what the AD/DA board drove at every conversion, kept between
// the board and the rack's wiring: each DA line's volts, the amplifier
// port's word and the instant. The rack sees every conversion unchanged.
// Thread-safe: the boards call from their own threads, tests read after
// the sweep.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "sim/QRN55SimWiring.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"
#include "sim/amplifier/AmplifierRackWiring.h"

struct DacConversion {
  // DAC 0-3 of rack 1 and 4-7 of rack 2; a QRN 5+5 unit's five DACs from 0.
  std::array<double, 8> volts{};
  std::uint16_t tlvWord = 0;
  double sweepSeconds = 0.0;
  double clockSeconds = 0.0;
};

class DacRecord {
 public:
  explicit DacRecord(AmplifierRackWiring& rack);
  DacRecord(const DacRecord&) = delete;
  DacRecord& operator=(const DacRecord&) = delete;

  // Install these in place of the rack's own wirings.
  ZRVSimWiring* Boards() { return &_boards; }
  QRN55SimWiring* Unit(int unit) { return &_units[static_cast<std::size_t>(unit)]; }

  std::vector<DacConversion> Conversions() const;
  void Clear();

 private:
  void Add(const DacConversion& conversion);

  class BoardsWiring final : public ZRVSimWiring {
   public:
    BoardsWiring(DacRecord& record, ZRVSimWiring& inner) : _record(record), _inner(inner) {}
    void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;
    std::uint16_t ClippingLines(double clock_seconds) override { return _inner.ClippingLines(clock_seconds); }

   private:
    DacRecord& _record;
    ZRVSimWiring& _inner;
  };

  class UnitWiring final : public QRN55SimWiring {
   public:
    UnitWiring(DacRecord& record, QRN55SimWiring* inner) : _record(record), _inner(inner) {}
    void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override;
    std::uint8_t ClippingLines(double clock_seconds) override {
      return _inner != nullptr ? _inner->ClippingLines(clock_seconds) : 0;
    }

   private:
    DacRecord& _record;
    QRN55SimWiring* _inner;
  };

  mutable std::mutex _mutex;
  std::vector<DacConversion> _conversions;
  BoardsWiring _boards;
  std::array<UnitWiring, AmplifierRackConfig::kMaxRacks> _units;
};
