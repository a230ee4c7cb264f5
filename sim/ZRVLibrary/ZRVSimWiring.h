// What the lines of a simulated ZRV-24, ZRV-28 or QRN 2400 are wired to,
// in the manner of the QRN 5+5's wiring (sim/QRN55SimWiring.h). A board
// calls Sample once for every conversion, in time order, with what it
// drives at that instant, under the library's lock (a wiring must not call
// back into the library). Every update of a digital output is a conversion
// too; in a sweep, a digital input converted at the instant of the Sample
// before it, with no DAC changed since, reads that Sample's inputs without
// a call of its own. Outputs hold their last value between updates. ClippingLines is
// asked whenever a board's clipping flags are read.
//
// Rack 1 is index 0, rack 2 index 1; the ZRV-24 and ZRV-28 are rack 1.
// The ZRV-24 has a single digital port: it drives its word on the user and
// the TLV lines alike. The ZRV-24 and ZRV-28 read their one digital input
// word from the user lines.
#pragma once

#include <cstdint>

struct ZRVSimOutputs {
  double dac_volts[8] = {};  // DAC 0-3 of rack 1, 4-7 of rack 2
  std::uint16_t user_digital[2] = {};
  std::uint16_t tlv_digital[2] = {};
  std::uint16_t fast_digital = 0;  // the QRN 2400's fast port
  // The conversion's instant, counted from the start of its sweep or single
  // scan; single values keep the instant of the conversion before them.
  double sweep_seconds = 0.0;
  // The conversion's instant on the program's clock (the clock the library
  // samples by, foundation/platform/Clock.h once handed over).
  double clock_seconds = 0.0;
  // The ADC inputs whose volts the conversion reads (bit n: ADC n); a
  // wiring may leave the others at 0.
  std::uint16_t adcs_read = 0xFFFF;
};

struct ZRVSimInputs {
  double adc_volts[16] = {};  // ADC 0-7 of rack 1, 8-15 of rack 2
  std::uint16_t user_digital[2] = {};
  std::uint16_t tlv_digital[2] = {};
  std::uint16_t fast_digital = 0;
  // The amplifier boards' clipping lines: bits 0-7 rack 1's boards, 8-15
  // rack 2's. The QRN 2400 sets its clipping pair 0, 2, 3, 1 of the rack for
  // rack boards 0, 1, 2, 3; the ZRV-24 and ZRV-28 their one flag for any.
  std::uint16_t clipping_lines = 0;
};

class __attribute__((visibility("default"))) ZRVSimWiring {
 public:
  virtual ~ZRVSimWiring() = default;
  virtual void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) = 0;
  // The clipping lines at that instant on the program's clock, asked when
  // the flags are read, so that a line held high shows with no acquisition
  // running.
  virtual std::uint16_t ClippingLines(double clock_seconds) { return 0; }
};
