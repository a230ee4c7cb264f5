// The simulated amplifier rack decodes every sample the boards convert: a
// QRN 5+5 or QRN 2400 sweep at its fastest (5 us) hands it 200,000 samples
// per second of each port. The rack must keep up many times over, so that
// long simulated measurements stay fast; the goal is 20 times real time,
// for the decoding alone and with the analog model's filters running.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr double kRealSamplesPerSecond = 200000.0;

std::uint16_t LatchWord(int address, int even, int odd) {
  return static_cast<std::uint16_t>(0xC000 | address << 8 | (odd & 0xF) << 4 | (even & 0xF));
}

// Cached command words and serial EEPROM line patterns, as a calibration
// plays them.
std::vector<std::uint16_t> Traffic() {
  std::vector<std::uint16_t> samples;
  const std::uint16_t words[] = {LatchWord(46, 1, 0), LatchWord(41, 0, 10), 0xC5A5, LatchWord(45, 0, 8),
                                 LatchWord(24, 0, 0), 0xD40F, 0xD41F, 0xD42F, 0xD430, LatchWord(24, 4, 0)};
  for (const std::uint16_t w : words) {
    samples.insert(samples.end(), {w, static_cast<std::uint16_t>(w & 0xBFFF), w});
  }
  samples.push_back(0x4000);
  for (int cell = 0; cell < 256; ++cell) {
    const std::uint16_t d = (cell & 3) == 0 ? 0x100 : 0;
    samples.insert(samples.end(), {static_cast<std::uint16_t>(0x4000 | d), static_cast<std::uint16_t>(0x4000 | d),
                                   static_cast<std::uint16_t>(0x4200 | d), static_cast<std::uint16_t>(0x4200 | d)});
  }
  return samples;
}

void ReportRates(benchmark::State& state, std::int64_t samples) {
  state.counters["samples_per_cpu_second"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
  state.counters["times_real_200k"] =
      benchmark::Counter(static_cast<double>(samples) / kRealSamplesPerSecond, benchmark::Counter::kIsRate);
}

void BM_RackDecodesSamples(benchmark::State& state) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kQRN2400;
  config.boards_per_rack = 2;
  AmplifierRackWiring wiring(config);
  const std::vector<std::uint16_t> traffic = Traffic();
  ZRVSimOutputs outputs;
  ZRVSimInputs inputs;
  std::int64_t samples = 0;
  for (auto _ : state) {
    for (const std::uint16_t sample : traffic) {
      outputs.tlv_digital[0] = sample;
      outputs.clock_seconds += 5e-6;
      outputs.sweep_seconds += 5e-6;
      wiring.Sample(outputs, inputs);
    }
    benchmark::DoNotOptimize(inputs);
    samples += static_cast<std::int64_t>(traffic.size());
  }
  ReportRates(state, samples);
}
BENCHMARK(BM_RackDecodesSamples);

// A board on the whole-cell circuit with filter 1 and filter 2 in the current
// monitor, the HF stage at range 0's default codes (HF DAC 4095, gain trim
// 3055, no corrections), a stimulus that moves at every sample of a 5 us
// sweep.
void BM_RackAnalogModel(benchmark::State& state) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kQRN2400;
  config.analog = true;
  config.boards[0].analog.cell = AmplifierCell::WholeCell();
  AmplifierRackWiring wiring(config);
  ZRVSimOutputs outputs;
  ZRVSimInputs inputs;
  const std::uint16_t words[] = {LatchWord(46, 1, 0), LatchWord(28, 2, 0), 0xCA8D,  0xCC8D, LatchWord(40, 0, 14),
                                 0xD20F,              0xD21F,              0xD22F,  0xD230, 0xD24F,
                                 0xD25E,              0xD26B,              0xD270,  0xC180, 0xC380};
  for (const std::uint16_t w : words) {
    for (const std::uint16_t sample : {w, static_cast<std::uint16_t>(w & 0xBFFF), w}) {
      outputs.tlv_digital[0] = sample;
      wiring.Sample(outputs, inputs);
    }
  }
  outputs.tlv_digital[0] = 0x4000;
  std::int64_t samples = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      outputs.dac_volts[3] = (i % 100) * 0.01;
      outputs.clock_seconds += 5e-6;
      outputs.sweep_seconds += 5e-6;
      wiring.Sample(outputs, inputs);
    }
    benchmark::DoNotOptimize(inputs);
    samples += 1000;
  }
  ReportRates(state, samples);
}
BENCHMARK(BM_RackAnalogModel);

}  // namespace
