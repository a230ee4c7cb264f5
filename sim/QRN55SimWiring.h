// What the lines of a simulated QRN 5+5 unit are wired to. The unit calls
// Frame once for every frame of an acquisition, in frame order, and
// ClippingLines whenever its clipping flags are read, under its own lock (a
// wiring must not call back into the unit).
#pragma once

#include <cstdint>

// What the unit drives during one frame: the five DACs in volts and the two
// digital output words. Outputs hold their last value between frames.
// sweep_seconds is the frame's instant, counted from the start of its pulse
// or continuous run (frame number x frame length); clock_seconds is the
// same instant on the program's clock (foundation/platform/Clock.h).
struct QRN55SimOutputs {
  double dac_volts[5] = {};
  std::uint16_t user_digital = 0;
  std::uint16_t tlv_digital = 0;
  double sweep_seconds = 0.0;
  double clock_seconds = 0.0;
};

// What the unit's inputs see during that frame: ADC0..ADC7 in volts, the
// main board multiplexer line that ADC7 samples when the control register
// selects it, and the two digital input words. clipping_lines are the
// amplifier boards' clipping lines, bit b for board b: the unit sets its
// clipping flag b for each.
struct QRN55SimInputs {
  double adc_volts[8] = {};
  double multiplexer_volts = 0.0;
  std::uint16_t user_digital = 0;
  std::uint16_t tlv_digital = 0;
  std::uint8_t clipping_lines = 0;
};

class QRN55SimWiring {
 public:
  virtual ~QRN55SimWiring() = default;
  virtual void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) = 0;
  // The clipping lines at that instant on the program's clock, asked when
  // the flags are read, so that a line held high shows with no acquisition
  // running.
  virtual std::uint8_t ClippingLines(double clock_seconds) { return 0; }
};
