// The analog fixtures: circuits against their closed-form responses, the
// independence of the result from how often a path is looked at, and the
// board timing the wirings put around a circuit.
#include "sim/AnalogFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "sim/QRN55SimFixtures.h"
#include "sim/ZRVSimFixtures.h"

namespace {

constexpr double kPi = std::numbers::pi;

// The response to a unit step at time 0, t in seconds.
struct StepCase {
  std::string name;
  AnalogCircuit circuit;
  std::function<double(double)> response;
};

double TwoPoleStep(double corner_hz, double q, double t) {
  const double omega = 2.0 * kPi * corner_hz;
  const double zeta = 0.5 / q;
  const double damped = omega * std::sqrt(1.0 - zeta * zeta);
  return 1.0 - std::exp(-zeta * omega * t) *
                   (std::cos(damped * t) + zeta / std::sqrt(1.0 - zeta * zeta) * std::sin(damped * t));
}

std::vector<StepCase> StepCases() {
  const double tau = 100e-6;
  return {
      {"wire", AnalogCircuit::Wire(), [](double) { return 1.0; }},
      {"gain", AnalogCircuit::Gain(-2.5), [](double) { return -2.5; }},
      {"rc", AnalogCircuit::RC(tau), [tau](double t) { return 1.0 - std::exp(-t / tau); }},
      {"delay", AnalogCircuit::Delay(30e-6), [](double t) { return t >= 30e-6 ? 1.0 : 0.0; }},
      {"two pole", AnalogCircuit::TwoPoleLowPass(2000.0, 0.7),
       [](double t) { return TwoPoleStep(2000.0, 0.7, t); }},
      {"rc, rc", AnalogCircuit::RC(tau).Then(AnalogCircuit::RC(tau)),
       [tau](double t) { return 1.0 - std::exp(-t / tau) * (1.0 + t / tau); }},
      {"delayed gain and rc",
       AnalogCircuit::Delay(20e-6).Then(AnalogCircuit::Gain(3.0)).Then(AnalogCircuit::RC(tau)),
       [tau](double t) { return t < 20e-6 ? 0.0 : 3.0 * (1.0 - std::exp(-(t - 20e-6) / tau)); }},
      // A block with a direct path: the input less its low-pass, a high-pass.
      {"high pass", AnalogCircuit::Linear({1, {-1.0 / tau}, {1.0 / tau}, {-2.0}, 2.0}),
       [tau](double t) { return 2.0 * std::exp(-t / tau); }},
      {"high pass after rc",
       AnalogCircuit::RC(tau).Then(AnalogCircuit::Linear({1, {-1.0 / tau}, {1.0 / tau}, {-1.0}, 1.0})),
       [tau](double t) { return t / tau * std::exp(-t / tau); }},
  };
}

TEST(AnalogPath, StepResponsesMatchTheirClosedForms) {
  for (const StepCase& c : StepCases()) {
    SCOPED_TRACE(c.name);
    AnalogPath path(c.circuit);
    path.Drive(0.0, 1.0);
    for (double t = 0.0; t < 1e-3; t += 7.3e-6) EXPECT_NEAR(path.Sample(t), c.response(t), 1e-9) << t;
  }
}

TEST(AnalogPath, LookingMoreOftenChangesNothing) {
  const AnalogCircuit circuit = AnalogCircuit::TwoPoleLowPass(3000.0, 2.0).Then(AnalogCircuit::RC(20e-6));
  AnalogPath rare(circuit);
  AnalogPath often(circuit);
  // A staircase of 10 us steps, looked at once or 37 times per step.
  for (int step = 0; step < 200; ++step) {
    const double t = step * 10e-6;
    const double volts = std::sin(step * 0.3) + (step % 7 == 0 ? 1.0 : 0.0);
    rare.Drive(t, volts);
    often.Drive(t, volts);
    for (int look = 1; look < 37; ++look) often.Sample(t + look * 10e-6 / 37);
    EXPECT_NEAR(rare.Sample(t + 10e-6), often.Sample(t + 10e-6), 1e-9) << step;
  }
}

TEST(AnalogPath, ASineAtTheTwoPoleCornerHasGainQAndLagsNinetyDegrees) {
  const double corner = 2000.0;
  const double q = 0.7;
  AnalogPath path(AnalogCircuit::TwoPoleLowPass(corner, q));
  // A fine staircase is close enough to the sine: 1000 steps per period.
  const double dt = 1.0 / corner / 1000.0;
  double in_phase = 0.0;
  double quadrature = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double t = i * dt;
    path.Drive(t, std::sin(2.0 * kPi * corner * (t + dt / 2.0)));
    const double out = path.Sample(t + dt);
    if (i >= 10000) {
      in_phase += out * std::sin(2.0 * kPi * corner * (t + dt));
      quadrature += out * std::cos(2.0 * kPi * corner * (t + dt));
    }
  }
  EXPECT_NEAR(std::hypot(in_phase, quadrature) * 2.0 / 10000, q, 1e-4);
  EXPECT_NEAR(std::atan2(quadrature, in_phase) * 180.0 / kPi, -90.0, 0.05);
}

TEST(AnalogPath, TapsReportTheChainAlongTheWay) {
  const double tau = 10e-6;
  AnalogPath path(AnalogCircuit::Gain(2.0)
                      .Tapped()
                      .Then(AnalogCircuit::RC(tau).Tapped())
                      .Then(AnalogCircuit::Gain(3.0))
                      .Then(AnalogCircuit::Noise(0.0, 1)));
  path.Drive(0.0, 1.0);
  for (const double t : {0.0, 5e-6, 40e-6}) {
    const double out = path.Sample(t);
    EXPECT_EQ(path.Tap(0), 2.0);
    EXPECT_NEAR(path.Tap(1), 2.0 * (1.0 - std::exp(-t / tau)), 1e-12);
    EXPECT_NEAR(out, 3.0 * path.Tap(1), 1e-12);
  }
}

// A block's side outputs weigh its states and its input, the chain before
// it included, and pass nothing on.
TEST(AnalogPath, SideOutputsReportABlocksOtherOutputs) {
  const double tau = 10e-6;
  AnalogCircuit::Block lag{1, {-1.0 / tau}, {1.0 / tau}, {1.0}, 0.0};
  lag.sides = {{{-1.0}, 1.0}, {{4.0}, 0.0}};
  AnalogPath path(AnalogCircuit::Gain(2.0).Then(AnalogCircuit::Linear(lag)).Then(AnalogCircuit::Gain(3.0)));
  path.Drive(0.0, 1.0);
  for (const double t : {0.0, 5e-6, 40e-6}) {
    const double out = path.Sample(t);
    const double state = 2.0 * (1.0 - std::exp(-t / tau));
    EXPECT_NEAR(out, 3.0 * state, 1e-12);
    EXPECT_NEAR(path.Side(0), 2.0 - state, 1e-12);
    EXPECT_NEAR(path.Side(1), 4.0 * state, 1e-12);
  }
}

TEST(AnalogPath, AStepBeforeTheLastLookTakesEffectThen) {
  AnalogPath path(AnalogCircuit::RC(10e-6));
  EXPECT_EQ(path.Sample(50e-6), 0.0);
  path.Drive(20e-6, 1.0);
  EXPECT_NEAR(path.Sample(60e-6), 1.0 - std::exp(-1.0), 1e-12);
}

TEST(AnalogPath, RetuningKeepsTheStateOfTheSameShape) {
  AnalogPath path(AnalogCircuit::RC(10e-6));
  path.Drive(0.0, 1.0);
  const double at_switch = path.Sample(10e-6);
  EXPECT_NEAR(at_switch, 1.0 - std::exp(-1.0), 1e-12);
  // A slower corner and a gain from then on: the charge goes on from where
  // it stood.
  path.Retune(AnalogCircuit::RC(20e-6).Then(AnalogCircuit::Gain(3.0)));
  EXPECT_NEAR(path.Sample(10e-6), 3.0 * at_switch, 1e-12);
  EXPECT_NEAR(path.Sample(30e-6), 3.0 * (1.0 - (1.0 - at_switch) * std::exp(-1.0)), 1e-12);
  // Another shape starts at rest, the input still held.
  path.Retune(AnalogCircuit::TwoPoleLowPass(1e6, 0.5));
  EXPECT_EQ(path.Sample(30e-6), 0.0);
  EXPECT_NEAR(path.Sample(60e-6), 1.0, 1e-6);
  // A block added behind the chain starts at rest; the ones before it keep
  // their state.
  path.Retune(AnalogCircuit::TwoPoleLowPass(1e6, 0.5).Tapped().Then(AnalogCircuit::RC(1.0)));
  EXPECT_NEAR(path.Sample(60e-6), 0.0, 1e-12);
  EXPECT_NEAR(path.Tap(0), 1.0, 1e-6);
}

TEST(AnalogPath, NoiseHasItsSigmaAndRepeatsWithItsSeed) {
  const AnalogCircuit noisy = AnalogCircuit::Gain(2.0).Then(AnalogCircuit::Noise(0.01, 7));
  AnalogPath first(noisy);
  AnalogPath second(noisy);
  first.Drive(0.0, 1.0);
  second.Drive(0.0, 1.0);
  double sum = 0.0;
  double squares = 0.0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    const double a = first.Sample(i * 1e-5);
    EXPECT_EQ(a, second.Sample(i * 1e-5));
    sum += a;
    squares += a * a;
  }
  const double mean = sum / n;
  EXPECT_NEAR(mean, 2.0, 0.001);
  EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 0.01, 0.0005);
}

// The board around a wire: what the ADC of frame k sees when the DAC steps
// at frame 10 (frames of 10 us).
TEST(AnalogConnection, BoardsSeeTheirDacThroughTheirTiming) {
  struct Case {
    std::string name;
    AnalogBoardTiming timing;
    int first_settled_frame;  // the first frame that sees the new value
  };
  const std::vector<Case> cases = {
      {"ideal", kIdealTiming, 10},      {"ZRV-24", kZRV24Timing, 11},  {"ZRV-28", kZRV28Timing, 11},
      {"QRN 2400", kQRN2400Timing, 10}, {"QRN 5+5", kQRN55Timing, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AnalogConnection connection(0, AnalogCircuit::Wire(), c.timing);
    for (int frame = 0; frame < 20; ++frame) {
      const double seen = connection.Convert(frame * 10e-6, frame >= 10 ? 1.0 : 0.0);
      if (frame < 10) {
        EXPECT_EQ(seen, 0.0) << frame;
      } else if (frame < c.first_settled_frame) {
        EXPECT_LT(seen, 0.01) << frame;
      } else if (frame == c.first_settled_frame) {
        EXPECT_GT(seen, 0.9) << frame;
      } else {
        EXPECT_NEAR(seen, 1.0, 1e-4) << frame;
      }
    }
  }
}

TEST(AnalogConnection, ASweepThatStartsAgainContinuesWhereTheLastEnded) {
  AnalogConnection connection(0, AnalogCircuit::RC(100e-6), kIdealTiming);
  for (int frame = 0; frame <= 10; ++frame) connection.Convert(frame * 10e-6, 1.0);
  // 100 us of charging so far; the new sweep's first instant is the last one.
  EXPECT_NEAR(connection.Convert(0.0, 1.0), 1.0 - std::exp(-1.0), 1e-12);
  EXPECT_NEAR(connection.Convert(100e-6, 1.0), 1.0 - std::exp(-2.0), 1e-12);
}

TEST(QRN55SimFixtures, ConnectedInputsSeeTheirCircuitsAndDigitalLinesLoopBack) {
  QRN55SimFixtures wiring(kIdealTiming);
  wiring.Connect(1, 3, AnalogCircuit::Gain(2.0));
  wiring.Connect(4, 8, AnalogCircuit::Gain(-1.0));
  wiring.Connect(5, 0, AnalogCircuit::Wire());  // no DAC 5: ignored
  QRN55SimOutputs outputs;
  outputs.dac_volts[1] = 1.5;
  outputs.dac_volts[4] = 0.25;
  outputs.user_digital = 0x1234;
  outputs.tlv_digital = 0x8001;
  QRN55SimInputs inputs;
  wiring.Frame(outputs, inputs);
  EXPECT_EQ(inputs.adc_volts[3], 3.0);
  EXPECT_EQ(inputs.multiplexer_volts, -0.25);
  for (int adc : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(inputs.adc_volts[adc], 0.0) << adc;
  EXPECT_EQ(inputs.user_digital, 0x1234);
  EXPECT_EQ(inputs.tlv_digital, 0x8001);
}

TEST(ZRVSimFixtures, ConnectedInputsSeeTheirCircuitsAndDigitalLinesLoopBack) {
  ZRVSimFixtures wiring(kIdealTiming);
  wiring.Connect(5, 12, AnalogCircuit::Gain(0.5));
  wiring.Connect(0, 16, AnalogCircuit::Wire());  // no ADC 16: ignored
  ZRVSimOutputs outputs;
  outputs.dac_volts[5] = 4.0;
  outputs.user_digital[1] = 7;
  outputs.tlv_digital[0] = 9;
  outputs.fast_digital = 3;
  ZRVSimInputs inputs;
  inputs.adc_volts[0] = 99.0;
  wiring.Sample(outputs, inputs);
  EXPECT_EQ(inputs.adc_volts[12], 2.0);
  EXPECT_EQ(inputs.adc_volts[0], 0.0);
  EXPECT_EQ(inputs.user_digital[1], 7);
  EXPECT_EQ(inputs.tlv_digital[0], 9);
  EXPECT_EQ(inputs.fast_digital, 3);
}

}  // namespace
