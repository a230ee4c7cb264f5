// The driver as its callers see it: the entry layer opened over a bench of
// simulated units (in-process or FUSE volumes), and the slot arrays of the
// acquisitions the tests run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

// One acquisition sequence: four slot arrays of `count` channel codes.
struct QRN55Sequence {
  int count = 0;
  std::vector<int> input_1, input_2, output_1, output_2;

  // Step k (0 or 1) samples ADC 2k and 2k + 1, which see DAC 2k and 2k + 1
  // that it drives: input slot s gives back output slot s.
  static QRN55Sequence Loopback(int steps = 1);
  static QRN55Sequence InputsOnly();
  static QRN55Sequence OutputsOnly();
};

class QRN55EntryBench {
 public:
  explicit QRN55EntryBench(QRN55Bench::Kind kind);
  // Closes what is still open and gives the driver back its own port.
  ~QRN55EntryBench();
  QRN55EntryBench(const QRN55EntryBench&) = delete;
  QRN55EntryBench& operator=(const QRN55EntryBench&) = delete;

  bool Usable(std::string& reason) { return bench.Usable(reason); }
  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix = "");
  // Plugs a device of `units` joined units ("D1"), opens the driver,
  // refreshes and opens device 0 with rings of buffer_samples. Null when
  // something failed (with a test failure).
  bool OpenDevice(int units = 1, int buffer_samples = 0);

  // QRN55_ContinuousInitialize of every unit with the sequence and interval.
  QRN55Status Initialize(const QRN55Sequence& sequence, int interval);
  QRN55Status Pulse(int unit_index, const QRN55Sequence& sequence, int interval,
                    const std::vector<std::vector<std::int16_t>>& output,
                    std::vector<std::vector<std::int16_t>>& input, int input_count);

  QRN55Bench bench;
  std::vector<QRN55SimUnit*> units;
  QRN55DriverHandle driver = nullptr;
  QRN55DeviceHandle device = nullptr;
};

// Arrays of pointers to the slot arrays, for the ring transfers.
std::vector<const std::int16_t*> Sources(const std::vector<std::vector<std::int16_t>>& slots);
std::vector<std::int16_t*> Targets(std::vector<std::vector<std::int16_t>>& slots);
