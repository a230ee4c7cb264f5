// The nodes of a simulated amplifier board that its self-test reads on the
// multiplexer and the current monitor beside the analog model's monitors
// (sim/amplifier/AmplifierBoardModel.h), each the effect of an element the
// test sets:
//   command (0)  the Rs compensation corrects the command by R_comp x the
//                current; the test DAC at the probe output stands for a
//                current of its volts / the range's gain, so the
//                command gains R_comp / the range's gain x that output
//                (DAC 23 x (10 with latch 38 bit 2) / RsFactor, with
//                latch 38 bit 1), through the loop's lag (100 us slow,
//                latch 38 bit 3, else by filter 1's setting);
//   stimulus (10) minus the stimulus DAC and the external stimulus (the
//                board's external input x the stimulus scale, with latch 32
//                bits 0-1) through
//                the stimulus filter (the model's corner by latch 33 bit
//                2) and the channel's buffer, whose pole at 50 kHz brings
//                the wide filter's -3 dB point below 50 kHz, within a chirp
//                at 5 us; with filter 2 on the voltage monitor, filter 2's
//                output instead;
//   buffer (11)  the external stimulus input's buffer: the external input
//                (the test DAC unless a front cable takes it) while it is a
//                stimulus source, else 0;
//   filter 2     its source switches: latch 31 bit 3 the multiplexer's
//                output, latch 44 bit 2 the voltage monitor, else the
//                output amplifier (the model's own). From the multiplexer
//                or the voltage monitor the current monitor shows filter
//                2's output (unless bypassed, latch 29 bit 1) plus the
//                offset DAC's (6) share, 0 at the board's own zero code.
#pragma once

#include <array>

#include "sim/AnalogFixtures.h"
#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierBoardModel.h"

class AmplifierTestNodes {
public:
  // The offset DAC's volts per code at filter 2's output, and its zero.
  static constexpr double kFilter2OffsetVoltsPerCode = 2e-3;
  static constexpr double kFilter2OffsetZeroCode = 26.4;
  static constexpr double kStimulusBufferGain = 0.997;

  AmplifierTestNodes();

  // Follows the model's conversion with the board's drive: right after
  // the model's Convert with the same elements.
  void Convert(const AmplifierBoardModel &model,
               const AmplifierBoardElements &elements,
               const AmplifierDrive &drive);
  // Whether filter 2 takes the multiplexer's output at this conversion; the
  // rack then hands that output to FilterMultiplexer.
  bool FiltersMultiplexer() const { return _source == kMultiplexerSource; }
  void FilterMultiplexer(double seconds, double volts);
  // What the nodes add to the command on multiplexer channel 0.
  double CommandCorrection() const { return _rsCorrection; }
  // Multiplexer channels 10 and 11.
  double Stimulus() const { return _stimulus; }
  double StimulusBuffer() const { return _buffer; }
  // The current monitor, from the model's own with filter 2 on the output
  // amplifier.
  double CurrentMonitor(double model_volts) const;

private:
  static constexpr int kMultiplexerSource = 1;
  static constexpr int kVoltageSource = 2;

  AnalogPath _rs;
  double _rsLag = 0.0;
  double _rsInput = 0.0;
  double _rsCorrection = 0.0;
  AnalogPath _stimulusPath;
  double _stimulusHz = 0.0;
  double _stimulusInput = 0.0;
  double _stimulus = 0.0;
  double _buffer = 0.0;
  // Filter 2 on another source than the output amplifier.
  int _source = 0;
  bool _bypassed = false;
  double _offset = 0.0;
  AnalogPath _filter2;
  // The corners and high Q it is tuned to.
  std::array<double, 3> _filter2Setting{};
  double _filter2Input = 0.0;
  double _filter2Output = 0.0;
};
