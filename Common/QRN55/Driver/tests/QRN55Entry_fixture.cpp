#include "Common/QRN55/Driver/tests/QRN55Entry_fixture.h"

#include <gtest/gtest.h>

#include <utility>

#include "Common/QRN55/Driver/QRN55Service.h"

QRN55Sequence QRN55Sequence::Loopback(int steps) {
  QRN55Sequence sequence;
  sequence.count = steps;
  for (int step = 0; step < steps; ++step) {
    // Channel codes of ADC 2k and 2k + 1, DAC 2k and 2k + 1.
    sequence.input_1.push_back(1 + 2 * step);
    sequence.input_2.push_back(2 + 2 * step);
    sequence.output_1.push_back(1 + 2 * step);
    sequence.output_2.push_back(2 + 2 * step);
  }
  return sequence;
}

QRN55Sequence QRN55Sequence::InputsOnly() {
  QRN55Sequence sequence = Loopback();
  sequence.output_1 = {0};
  sequence.output_2 = {0};
  return sequence;
}

QRN55Sequence QRN55Sequence::OutputsOnly() {
  QRN55Sequence sequence = Loopback();
  sequence.input_1 = {0};
  sequence.input_2 = {0};
  return sequence;
}

QRN55EntryBench::QRN55EntryBench(QRN55Bench::Kind kind) : bench(kind) {
  QRN55Service::UseFilePort(&bench.Port());
}

QRN55EntryBench::~QRN55EntryBench() {
  QRN55_DeviceClose(device);
  QRN55_DriverClose(driver);
  QRN55Service::UseFilePort(nullptr);
}

QRN55SimUnit* QRN55EntryBench::Plug(QRN55SimUnitConfig config, const std::string& suffix) {
  QRN55SimUnit* unit = bench.Plug(std::move(config), suffix);
  EXPECT_NE(unit, nullptr) << "cannot mount " << bench.VolumePath(suffix);
  if (unit != nullptr) units.push_back(unit);
  return unit;
}

bool QRN55EntryBench::OpenDevice(int unit_count, int buffer_samples) {
  for (int index = 0; index < unit_count; ++index) {
    if (Plug(UnitConfig("D1", unit_count, index), " " + std::to_string(index)) == nullptr) {
      return false;
    }
  }
  EXPECT_EQ(QRN55_DriverOpen(&driver, 0), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(QRN55_DriverRefreshConfiguration(driver), QRN55_STATUS_SUCCESS);
  const QRN55Status opened = QRN55_DeviceOpen(driver, 0, buffer_samples, &device);
  EXPECT_EQ(opened, QRN55_STATUS_SUCCESS);
  return opened == QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55EntryBench::Initialize(const QRN55Sequence& s, int interval) {
  int unit_count = 0;
  QRN55_DeviceGetUnitCount(device, &unit_count);
  for (int unit = 0; unit < unit_count; ++unit) {
    const QRN55Status result =
        QRN55_ContinuousInitialize(device, unit, s.count, s.input_1.data(), s.input_2.data(),
                                   s.output_1.data(), s.output_2.data(), interval, 0, 0);
    if (result != QRN55_STATUS_SUCCESS) return result;
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55EntryBench::Pulse(int unit_index, const QRN55Sequence& s, int interval,
                                   const std::vector<std::vector<std::int16_t>>& output,
                                   std::vector<std::vector<std::int16_t>>& input, int input_count) {
  const std::vector<const std::int16_t*> sources = Sources(output);
  const std::vector<std::int16_t*> targets = Targets(input);
  const int output_count = output.empty() ? 0 : static_cast<int>(output[0].size());
  return QRN55_Pulse(device, unit_index, s.count, s.input_1.data(), s.input_2.data(),
                     s.output_1.data(), s.output_2.data(), interval, output_count, sources.data(),
                     input_count, targets.data());
}

std::vector<const std::int16_t*> Sources(const std::vector<std::vector<std::int16_t>>& slots) {
  std::vector<const std::int16_t*> pointers;
  for (const auto& slot : slots) pointers.push_back(slot.data());
  // The entry layer wants an array even when there is no slot.
  if (pointers.empty()) pointers.push_back(nullptr);
  return pointers;
}

std::vector<std::int16_t*> Targets(std::vector<std::vector<std::int16_t>>& slots) {
  std::vector<std::int16_t*> pointers;
  for (auto& slot : slots) pointers.push_back(slot.data());
  if (pointers.empty()) pointers.push_back(nullptr);
  return pointers;
}
