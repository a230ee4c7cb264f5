#include "sim/amplifier/AmplifierRackWiring.h"

#include <algorithm>
#include <span>

namespace {

constexpr std::uint16_t kTriggerOut = 0x8000;
constexpr std::uint16_t kSelectorReadBack = 0x4000;  // also the trigger board's echo
constexpr int kQRN55ReadBackBit = 12;
constexpr int kQRN2400ReadBackBit = 1;
constexpr int kZRV28ReadBackBit = 15;

// Where the AD/DA layer's remap puts logical line c of a rack.
int ConverterOf(int line, bool remapped) {
  if (!remapped) return line;
  return line % 2 == 0 ? line / 2 : line / 2 + 4;
}

std::uint16_t Bit(bool on, int bit) { return on ? static_cast<std::uint16_t>(1u << bit) : 0; }

}  // namespace

class AmplifierRackWiring::UnitWiring final : public QRN55SimWiring {
 public:
  UnitWiring(AmplifierRack& rack, bool trigger_board) : _rack(rack), _triggerBoard(trigger_board) {}

  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override {
    const SampleInstant at{outputs.sweep_seconds, outputs.clock_seconds};
    _rack.PortSample(RackPort::kCommand, outputs.tlv_digital, at);
    _rack.PortSample(RackPort::kOlder, outputs.user_digital, at);
    const std::span<const double> dacs(outputs.dac_volts);
    _rack.Convert(at, dacs);
    for (int line = 0; line < AmplifierRack::kAdLines; ++line) inputs.adc_volts[line] = _rack.AdVolts(line, dacs);
    inputs.multiplexer_volts = _rack.MuxVolts(dacs);
    inputs.tlv_digital = static_cast<std::uint16_t>(Bit(_rack.AmplifierDataOut(at.clock_seconds), kQRN55ReadBackBit) |
                                                   _rack.PotentiostatStatus());
    const bool echo = _triggerBoard && (outputs.user_digital & kTriggerOut) != 0;
    inputs.user_digital = _rack.SelectorDataOut(at.clock_seconds) || echo ? kSelectorReadBack : 0;
    inputs.clipping_lines = _rack.ClippingLines();
  }

  std::uint8_t ClippingLines(double clock_seconds) override { return _rack.ClippingLines(); }

 private:
  AmplifierRack& _rack;
  bool _triggerBoard;
};

AmplifierRackWiring::AmplifierRackWiring(const AmplifierRackConfig& config) : _config(config) {
  const bool oneRack = config.interface == RackInterface::kZRV24 || config.interface == RackInterface::kZRV28;
  const int racks = oneRack ? 1 : std::clamp(config.racks, 1, AmplifierRackConfig::kMaxRacks);
  for (int rack = 0; rack < racks; ++rack) {
    _racks.push_back(std::make_unique<AmplifierRack>(_config, rack));
    _units[static_cast<std::size_t>(rack)] = std::make_unique<UnitWiring>(*_racks.back(), rack == 0 && config.trigger_board);
  }
}

AmplifierRackWiring::~AmplifierRackWiring() = default;

QRN55SimWiring* AmplifierRackWiring::Unit(int unit) {
  return unit >= 0 && unit < Racks() ? _units[static_cast<std::size_t>(unit)].get() : nullptr;
}

void AmplifierRackWiring::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  const SampleInstant at{outputs.sweep_seconds, outputs.clock_seconds};
  const bool zrv24 = _config.interface == RackInterface::kZRV24;
  inputs = ZRVSimInputs{};
  for (int rack = 0; rack < Racks(); ++rack) {
    AmplifierRack& amplifier = Rack(rack);
    if (zrv24) {
      amplifier.PortSample(RackPort::kSingle, outputs.tlv_digital[0], at);
    } else {
      amplifier.PortSample(RackPort::kCommand, outputs.tlv_digital[rack], at);
      amplifier.PortSample(RackPort::kOlder, outputs.user_digital[rack], at);
    }
    const std::span<const double> dacs(outputs.dac_volts + 4 * rack, 4);
    amplifier.Convert(at, dacs);
    const bool remapped = _config.remap_ad_lines[static_cast<std::size_t>(rack)];
    for (int line = 0; line < AmplifierRack::kAdLines; ++line) {
      const int adc = 8 * rack + ConverterOf(line, remapped);
      if ((outputs.adcs_read >> adc & 1) != 0) inputs.adc_volts[adc] = amplifier.AdVolts(line, dacs);
    }
    const bool amplifierData = amplifier.AmplifierDataOut(at.clock_seconds);
    const bool selectorData = amplifier.SelectorDataOut(at.clock_seconds);
    const bool echo = rack == 0 && _config.trigger_board && (outputs.user_digital[0] & kTriggerOut) != 0;
    std::uint16_t user = selectorData || echo ? kSelectorReadBack : 0;
    std::uint16_t tlv = 0;
    switch (_config.interface) {
      case RackInterface::kZRV24:
        user = echo ? kSelectorReadBack : 0;
        break;
      case RackInterface::kZRV28:
        user |= Bit(amplifierData, kZRV28ReadBackBit);
        tlv = user;
        break;
      case RackInterface::kQRN2400:
        tlv = Bit(amplifierData, kQRN2400ReadBackBit);
        break;
      case RackInterface::kQRN55:
        tlv = Bit(amplifierData, kQRN55ReadBackBit);
        break;
    }
    inputs.user_digital[rack] = user;
    inputs.tlv_digital[rack] = tlv;
  }
  inputs.clipping_lines = ClippingLines(at.clock_seconds);
}

std::uint16_t AmplifierRackWiring::ClippingLines(double clock_seconds) {
  std::uint16_t lines = 0;
  for (int rack = 0; rack < Racks(); ++rack) {
    AmplifierRack& amplifier = Rack(rack);
    lines |= static_cast<std::uint16_t>(amplifier.ClippingLines() << (8 * rack));
    // The ZRV-24 reads its chips' data lines through its clipping flag.
    if (_config.interface == RackInterface::kZRV24 &&
        (amplifier.AmplifierDataOut(clock_seconds) || amplifier.SelectorDataOut(clock_seconds))) {
      lines |= 1;
    }
  }
  return lines;
}
