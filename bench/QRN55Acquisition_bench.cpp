// Continuous acquisition through the QRN 5+5 driver at the shortest frame
// time (one sequence step of 5 us: 200,000 frames a second, each of two
// input and two output samples), with one and with two joined units,
// in-process and over FUSE; and the command rate of one 8-frame pulse.
//
// In a continuous run the benchmark stands in for the driver's polling
// thread: every 80 ms it polls each unit (QRN55_ContinuousGetUnitStatus,
// the same unit poll the thread makes), then moves the input frames out of
// the rings and refills the output rings, as the program does. Columns:
//   busy_pct      share of the run's wall time spent in polls and ring
//                 transfers: the headroom against the unit's own rate
//                 (goal: at most 10 % in-process, 30 % over FUSE)
//   poll_mean_ms  mean and worst time of one poll of all units, against the
//   poll_worst_ms 80 ms period (goal: worst under 20 ms)
//   io_per_poll   file operations (reads, writes, syncs) per poll; the
//                 caller's writes in uneven pieces ask for no more than
//                 whole groups of 4 frames do
//   lost          polls that saw an overflow, an underflow or a failure (0)
// The simulated unit works out its frames when it is asked for its status
// or its FIFO, so its own work counts in the poll time.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55PosixFilePort.h"
#include "Common/QRN55/Driver/QRN55ServerInterface.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "sim/QRN55SimFuseVolume.h"
#include "sim/QRN55SimVolumes.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kRunSeconds = 3.0;
constexpr auto kPollingPeriod = std::chrono::milliseconds(80);

// Counts the file operations that reach the units.
class CountingPort final : public QRN55FilePort {
 public:
  explicit CountingPort(QRN55FilePort& port) : _port(port) {}
  std::int64_t Operations() const { return _operations.load(); }

  bool ListMounts(std::vector<std::string>& paths) override { return _port.ListMounts(paths); }
  int Open(const char* path) override { return _port.Open(path); }
  int LockExclusive(int descriptor) override { return _port.LockExclusive(descriptor); }
  void AdviseUncached(int descriptor) override { _port.AdviseUncached(descriptor); }
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override {
    ++_operations;
    return _port.ReadAt(descriptor, address, data, size);
  }
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override {
    ++_operations;
    return _port.WriteAt(descriptor, address, data, size);
  }
  int Sync(int descriptor) override {
    ++_operations;
    return _port.Sync(descriptor);
  }
  void Close(int descriptor) override { _port.Close(descriptor); }

 private:
  QRN55FilePort& _port;
  std::atomic<std::int64_t> _operations{0};
};

// Simulated units of one device mounted in-process or as FUSE volumes, and
// the driver opened on them.
class Rig {
 public:
  Rig(bool fuse, int unit_count)
      : _counting(fuse ? static_cast<QRN55FilePort&>(_posix) : _volumes) {
    char pattern[] = "/tmp/qrn55-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      _failure = "no temporary folder";
      return;
    }
    _root = pattern;
    setenv(QRN55DeviceManager::kVolumeRootVariable, _root.c_str(), 1);
    for (int index = 0; index < unit_count; ++index) {
      QRN55SimUnitConfig config;
      config.record.device_serial = "B1";
      config.record.unit_count = unit_count;
      config.record.unit_index = index;
      _units.push_back(std::make_unique<QRN55SimUnit>(config));
      const std::string path = QRN55DeviceManager::VolumePrefix() + " " + std::to_string(index);
      if (!fuse) {
        _volumes.Mount(path, _units.back().get());
        continue;
      }
      mkdir(path.c_str(), 0755);
      _folders.push_back(path);
      _fuse.push_back(std::make_unique<QRN55SimFuseVolume>(*_units.back()));
      if (!_fuse.back()->Mount(path, _failure)) return;
    }
    QRN55Service::UseFilePort(&_counting);
    int count = 0;
    if (QRN55_DriverOpen(&driver, 0) != QRN55_STATUS_SUCCESS ||
        QRN55_DriverRefreshConfiguration(driver) != QRN55_STATUS_SUCCESS ||
        QRN55_DriverGetDeviceCount(driver, &count) != QRN55_STATUS_SUCCESS || count != 1 ||
        QRN55_DeviceOpen(driver, 0, 0, &device) != QRN55_STATUS_SUCCESS) {
      _failure = "the driver does not find the device";
    }
  }

  ~Rig() {
    QRN55_DeviceClose(device);
    QRN55_DriverClose(driver);
    QRN55Service::UseFilePort(nullptr);
    _fuse.clear();
    for (const std::string& folder : _folders) rmdir(folder.c_str());
    if (!_root.empty()) rmdir(_root.c_str());
  }

  const std::string& Failure() const { return _failure; }
  std::int64_t Operations() const { return _counting.Operations(); }

  QRN55DriverHandle driver = nullptr;
  QRN55DeviceHandle device = nullptr;

 private:
  QRN55SimVolumes _volumes;
  QRN55PosixFilePort _posix;
  CountingPort _counting;
  std::vector<std::unique_ptr<QRN55SimUnit>> _units;
  std::vector<std::unique_ptr<QRN55SimFuseVolume>> _fuse;
  std::vector<std::string> _folders;
  std::string _root;
  std::string _failure;
};

// ADC0 and ADC1 see DAC0 and DAC1.
const int kInput1[] = {1};
const int kInput2[] = {2};
const int kOutput1[] = {1};
const int kOutput2[] = {2};

// Fills the free room of a unit's output ring with a ramp: in whole groups
// of 4 frames at once, or, uneven, in pieces of 1, 3, 5, 7 and 13 frames
// (the room's last piece cut to fit).
bool Refill(QRN55DeviceHandle device, int unit, int frames, bool uneven,
            std::vector<std::int16_t>& samples) {
  static constexpr int kPieces[] = {1, 3, 5, 7, 13};
  if (!uneven) frames -= frames % 4;
  if (frames <= 0) return true;
  samples.resize(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) samples[i] = static_cast<std::int16_t>(i);
  for (int written = 0, piece = 0; written < frames; ++piece) {
    const int count = uneven ? std::min(kPieces[piece % 5], frames - written) : frames;
    const std::int16_t* slots[] = {samples.data() + written, samples.data() + written};
    if (QRN55_ContinuousOutputWrite(device, unit, count, slots) != QRN55_STATUS_SUCCESS) {
      return false;
    }
    written += count;
  }
  return true;
}

void BM_Continuous(benchmark::State& state) {
  const bool fuse = state.range(0) != 0;
  const int units = static_cast<int>(state.range(1));
  const bool uneven = state.range(2) != 0;
  Rig rig(fuse, units);
  if (!rig.Failure().empty()) {
    state.SkipWithError(rig.Failure().c_str());
    return;
  }
  QRN55DeviceHandle device = rig.device;
  std::vector<std::int16_t> output;
  std::vector<std::int16_t> input_0;
  std::vector<std::int16_t> input_1;
  for (auto _ : state) {
    for (int unit = 0; unit < units; ++unit) {
      QRN55_ContinuousInitialize(device, unit, 1, kInput1, kInput2, kOutput1, kOutput2, 1, 0, 0);
    }
    // Armed and started on the server alone: the benchmark polls.
    const int session = 0;
    if (QRN55ServerInterfaceContinuousArm(session) != QRN55_STATUS_SUCCESS) {
      state.SkipWithError("arm failed");
      return;
    }
    for (int unit = 0; unit < units; ++unit) {
      int status, clipping, in, out;
      QRN55_ContinuousGetUnitStatus(device, unit, -1, &status, &clipping, &in, &out);
      Refill(device, unit, out, uneven, output);
    }
    QRN55ServerInterfaceContinuousStart(session);

    double busy = 0.0;
    double poll_sum = 0.0;
    double poll_worst = 0.0;
    std::int64_t polls = 0;
    std::int64_t operations = 0;
    std::int64_t lost = 0;
    const auto start = Clock::now();
    auto deadline = start;
    while (Clock::now() - start < std::chrono::duration<double>(kRunSeconds)) {
      deadline += kPollingPeriod;
      std::this_thread::sleep_until(deadline);
      std::vector<int> readable(units);
      std::vector<int> writable(units);
      bool sound = true;
      const std::int64_t operations_before = rig.Operations();
      const auto poll_start = Clock::now();
      for (int unit = 0; unit < units; ++unit) {
        int status, clipping;
        const QRN55Status result = QRN55_ContinuousGetUnitStatus(
            device, unit, -1, &status, &clipping, &readable[unit], &writable[unit]);
        sound = sound && result == QRN55_STATUS_SUCCESS && status == QRN55_STATUS_SUCCESS;
      }
      const auto poll_end = Clock::now();
      operations += rig.Operations() - operations_before;
      for (int unit = 0; unit < units; ++unit) {
        if (readable[unit] > 0) {
          input_0.resize(static_cast<std::size_t>(readable[unit]));
          input_1.resize(static_cast<std::size_t>(readable[unit]));
          std::int16_t* slots[] = {input_0.data(), input_1.data()};
          QRN55_ContinuousInputRead(device, unit, readable[unit], slots);
        }
        Refill(device, unit, writable[unit], uneven, output);
      }
      const auto transfers_end = Clock::now();
      const double poll = std::chrono::duration<double>(poll_end - poll_start).count();
      poll_sum += poll;
      poll_worst = std::max(poll_worst, poll);
      busy += std::chrono::duration<double>(transfers_end - poll_start).count();
      ++polls;
      if (!sound) ++lost;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    QRN55_ContinuousStop(device);

    state.counters["busy_pct"] = 100.0 * busy / wall;
    state.counters["poll_mean_ms"] = 1000.0 * poll_sum / static_cast<double>(polls);
    state.counters["poll_worst_ms"] = 1000.0 * poll_worst;
    state.counters["io_per_poll"] = static_cast<double>(operations) / static_cast<double>(polls);
    state.counters["lost"] = static_cast<double>(lost);
  }
}

void BM_Pulse8Frames(benchmark::State& state) {
  Rig rig(state.range(0) != 0, 1);
  if (!rig.Failure().empty()) {
    state.SkipWithError(rig.Failure().c_str());
    return;
  }
  std::vector<std::int16_t> dac_0 = {0, 100, 200, 300, 400, 500, 600, 700};
  std::vector<std::int16_t> dac_1 = {7, 6, 5, 4, 3, 2, 1, 0};
  std::vector<std::int16_t> adc_0(8);
  std::vector<std::int16_t> adc_1(8);
  const std::int16_t* outputs[] = {dac_0.data(), dac_1.data()};
  std::int16_t* inputs[] = {adc_0.data(), adc_1.data()};
  const std::int64_t operations_before = rig.Operations();
  for (auto _ : state) {
    if (QRN55_Pulse(rig.device, 0, 1, kInput1, kInput2, kOutput1, kOutput2, 1, 8, outputs, 8,
                    inputs) != QRN55_STATUS_SUCCESS ||
        adc_0 != dac_0) {
      state.SkipWithError("the pulse failed");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["io_per_pulse"] = static_cast<double>(rig.Operations() - operations_before) /
                                   static_cast<double>(state.iterations());
}

// {FUSE, units, uneven caller writes}
BENCHMARK(BM_Continuous)
    ->ArgNames({"fuse", "units", "uneven"})
    ->ArgsProduct({{0, 1}, {1, 2}, {0, 1}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pulse8Frames)->ArgName("fuse")->Arg(0)->Arg(1)->UseRealTime();

}  // namespace
