// The default wiring: the unit's own outputs looped back. ADC k sees DAC
// k mod 5 (the multiplexer line sees DAC 2, as ADC7 does), each through its
// own gain and offset error and, when asked, Gaussian noise; the digital
// inputs read the digital outputs.
#pragma once

#include <random>

#include "sim/QRN55SimWiring.h"

class QRN55SimLoopback final : public QRN55SimWiring {
 public:
  // Analog inputs 0..7 are ADC0..ADC7, 8 is the multiplexer line.
  static constexpr int kAnalogInputs = 9;

  // seen = gain x driven + offset (+ noise). Inputs outside 0..8 are ignored.
  void SetError(int input, double gain, double offset_volts);
  // Standard deviation in volts (0: no noise) and the seed that makes runs
  // repeatable.
  void SetNoise(double sigma_volts, unsigned seed);

  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override;

 private:
  double Seen(int input, double driven);

  double _gain[kAnalogInputs] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  double _offset[kAnalogInputs] = {};
  double _sigma = 0.0;
  std::mt19937 _random;
  std::normal_distribution<double> _noise;
};
