// TLV 6 firmware blocks against the USB HID limit. A full-speed HID device
// moves at most one 64-byte report per 1 ms frame each way, and every block
// is one report out and its reply in: about 500 blocks a second.
//
// Link: one block at a time through the command link, the HID layer and
// the simulated amplifier, the clock moved on by hand; its rate is the CPU
// cost of a block (goal: at least 100 times the HID limit).
//
// Dialog: a 512 KiB image uploaded through the progress dialog on the
// virtual clock, the dialog pumping events a tick apart as it waits for
// them. Columns:
//   blocks_per_virtual_s  the pace the event pump allows
//   hid_limit_blocks_per_s  the bus's own limit, for comparison
//   virtual_s             the upload's virtual time
//   cpu_pct_of_virtual    CPU time as a share of it (goal: at most 1 %)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/Buffer.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/Timers.h"
#include "sim/usb_amplifier/Tlv6Sim.h"
#include "usb_amplifier/Tlv6CommandProtocol.h"
#include "usb_amplifier/Tlv6Firmware.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/UnivUSB.h"

namespace {

constexpr double kHidLimitBlocksPerSecond = 500.0;
constexpr int kImageBytes = 512 * 1024;

Tlv6Sim::Config LinkConfig() {
  Tlv6Sim::Config config;
  config.vendorId = Tlv6_USB::VendorId();
  config.productId = Tlv6_USB::kProductId;
  return config;
}

// The modules fresh, on the virtual clock, over a port of one simulated
// amplifier.
struct Bench {
  explicit Bench(Tlv6Sim::Port& port) {
    Platform::UseVirtualClock(1000.0);
    Buffer::InitModule();
    TermIO::InitModule();
    Timers::InitModule();
    LoopDialog::InitModule();
    port.Add(LinkConfig());
    UnivUSB_UsePort(port);
    Tlv6Firmware::InitAllModules();
  }
  ~Bench() {
    Tlv6Firmware::Shutdown();
    UnivUSB_UsePort(HidPort::HidrawPort());
    Timers::InitModule();
    Buffer::Shutdown();
    Platform::UseRealClock();
  }
};

void Say(const Tlv6CommandProtocol::Block& command) {
  bool detached = false;
  bool overflow = false;
  bool idleQueued = false;
  Tlv6CommandProtocol::Block reply{};
  Tlv6_USB::AppendToOutputFifo(command);
  Platform::Advance(0.01);
  Tlv6_USB::PeriodicTask(detached, overflow, Tlv6CommandProtocol::Block{}, idleQueued, reply);
}

void BM_Tlv6LinkBlocks(benchmark::State& state) {
  Tlv6Sim::Port port;
  const Bench bench(port);
  if (!Tlv6_USB::Initialize(0.001, 0, false)) {
    state.SkipWithError("the simulated TLV 6 did not open");
    return;
  }
  for (const auto& command : {Tlv6CommandProtocol::kSetPassword, Tlv6CommandProtocol::kFirmwareUpdate,
                              Tlv6CommandProtocol::kFirmwareUpdate, Tlv6CommandProtocol::kFirmwareErase,
                              Tlv6CommandProtocol::kFirmwareErase}) {
    Say(command);
  }
  Platform::Advance(60.0);
  std::array<std::uint8_t, 32> bytes{};
  std::int64_t blocks = 0;
  for (auto _ : state) {
    bytes[blocks % 32] = static_cast<std::uint8_t>(blocks);
    Tlv6_USB::AppendToOutputFifo(Tlv6CommandProtocol::MakeFirmwareWrite(bytes));
    bool detached = false;
    bool overflow = false;
    bool idleQueued = false;
    Tlv6CommandProtocol::Block reply{};
    Platform::Advance(0.01);
    Tlv6_USB::PeriodicTask(detached, overflow, Tlv6CommandProtocol::Block{}, idleQueued, reply);
    Platform::Advance(0.01);
    UnivUSB_Poll();
    Tlv6_USB::PeriodicTask(detached, overflow, Tlv6CommandProtocol::Block{}, idleQueued, reply);
    if (reply[0] == '\0') {
      state.SkipWithError("a block went unanswered");
      break;
    }
    ++blocks;
  }
  state.counters["blocks_per_cpu_s"] = benchmark::Counter(static_cast<double>(blocks), benchmark::Counter::kIsRate);
  state.counters["hid_limit_blocks_per_s"] = kHidLimitBlocksPerSecond;
}
BENCHMARK(BM_Tlv6LinkBlocks);

// A firmware file of the image, written where the dialog's file choice
// finds it.
std::string WriteFirmwareFile() {
  std::vector<std::byte> image(SingleBlockFile::kHeaderSize + kImageBytes);
  for (int i = 0; i < kImageBytes; ++i) image[SingleBlockFile::kHeaderSize + i] = std::byte(i * 7 + 3);
  SingleBlockFile::MakeHeader("TLV6-Firmware", image, kImageBytes, static_cast<std::int32_t>(image.size()), 5);
  const std::string path = "/tmp/mereth_tlv6_bench_" + std::to_string(::getpid()) + ".TLV";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(image.data(), 1, image.size(), file);
  std::fclose(file);
  return path;
}

void BM_Tlv6Upload512KiBThroughTheDialog(benchmark::State& state) {
  const std::string path = WriteFirmwareFile();
  for (auto _ : state) {
    Tlv6Sim::Port port;
    const Bench bench(port);
    FileSelect::PushChoice({path.c_str(), path.size() + 1});
    const double start = Platform::ElapsedSeconds();
    const std::clock_t cpuStart = std::clock();
    Tlv6Firmware::Upload(true, false);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double virtualSeconds = Platform::ElapsedSeconds() - start;
    if (port.device(0).RunningImage().size() != static_cast<std::size_t>(kImageBytes)) {
      state.SkipWithError("the upload did not complete");
      break;
    }
    const double blocks = kImageBytes / 32.0;
    state.counters["blocks_per_virtual_s"] = blocks / virtualSeconds;
    state.counters["hid_limit_blocks_per_s"] = kHidLimitBlocksPerSecond;
    state.counters["virtual_s"] = virtualSeconds;
    state.counters["cpu_pct_of_virtual"] = 100.0 * cpu / virtualSeconds;
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_Tlv6Upload512KiBThroughTheDialog)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
