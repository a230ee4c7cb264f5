// "Initialize" of the calibration program on the simulated racks, on the
// virtual clock: the one-board TLV 4 USB rack on the QRN 5+5 (the default
// rack) and a four-board QRN 2400 rack, every board with its records; and
// the store of a board's records to its EEPROM on both interfaces. The
// waits of the start-up (the interface's 2 s, the amplifier's settling, the
// EEPROM reads) pass on the virtual clock; what they cost the machine is
// the program's and the simulators' work.
// Columns:
//   sim_s      simulated time of one initialisation
//   cpu_share  process CPU time per simulated time (goal: at most 0.01)
// and the CPU time per initialisation.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "acquisition/ZRVLibrary.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "calibration/SimulatedHardware.h"
#include "calibration/Tlv3Files.h"
#include "calibration/Tlv3Init.h"
#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "selftest/T3Tester.h"
#include "shell/Shell.h"

namespace {

constexpr int kCancel = 2;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The program's surroundings on the virtual clock, with the simulated
// hardware's state in a folder of its own.
class Bench {
 public:
  explicit Bench(const SimRackFile::Config& config) {
    Platform::UseVirtualClock(1000.0);
    state_ = std::filesystem::temp_directory_path() / ("mereth_tlv3init_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(state_ / "volumes");
    // Initialize backs up the EEPROM blocks it rewrites into the current
    // folder; they belong to this run, not to wherever it was started.
    started_in_ = std::filesystem::current_path();
    std::filesystem::current_path(state_);
    setenv("MERETH_SIM_STATE", state_.c_str(), 1);
    setenv("MERETH_QRN55_VOLUMES", (state_ / "volumes").c_str(), 1);
    setenv(ZRVLibrary::kPathVariable, MERETH_ZRV_STANDIN, 1);
    Buffer::InitModule();
    Shell::Initialize();
    TermIO::InitModule();
    RealTime::InitModule();
    Tlv3Init::InitAllModules();
    SimulatedHardware::Attach(config);
    T3Tester::SetStart(tester_);
  }
  ~Bench() {
    Tlv3Init::Shutdown();
    SimulatedHardware::Detach();
    Buffer::Shutdown();
    Platform::UseRealClock();
    std::filesystem::current_path(started_in_);
    std::filesystem::remove_all(state_);
  }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  static bool Initialize() {
    bool failed = false;
    bool quit = false;
    Tlv3Init::InitializeAndCheckForLife(T3Base::AmplKind, false, true, true, false, failed, quit);
    return !failed && !quit;
  }

  // A new rack has no records: a first start goes on without them, then
  // every board gets its own.
  static bool WriteRecords() {
    Alert::PushAnswer(kCancel);
    if (!Initialize()) return false;
    for (int board = 0; board < T3Types::State.T3Boards; ++board) {
      T3Panel::SetT3Board(board);
      Strings::Assign(T3Scale::Scale.CalibDate, std::string_view("05-Dec-2026"));
      std::string message;
      if (!T3EEPROM::WriteScale(message) || !T3EEPROM::WriteCFast(message)) return false;
    }
    Tlv3Init::Shutdown();
    return true;
  }

 private:
  std::filesystem::path state_;
  std::filesystem::path started_in_;
  T3Tester::TesterModeSave tester_{};
};

// Times work (FALSE: failed, with why) once per iteration, then runs after
// untimed; the simulated time and the CPU share as counters.
void Measure(benchmark::State& state, bool (*work)(), const char* why, void (*after)()) {
  double simulated = 0.0;
  double cpu = 0.0;
  for (auto _ : state) {
    const double start = Platform::ElapsedSeconds();
    const double cpuStart = ProcessCpuSeconds();
    if (!work()) {
      state.SkipWithError(why);
      break;
    }
    cpu += ProcessCpuSeconds() - cpuStart;
    simulated += Platform::ElapsedSeconds() - start;
    state.PauseTiming();
    after();
    state.ResumeTiming();
  }
  const double runs = static_cast<double>(state.iterations() > 0 ? state.iterations() : 1);
  state.counters["sim_s"] = simulated / runs;
  state.counters["cpu_share"] = simulated > 0.0 ? cpu / simulated : 0.0;
}

void RunInitialize(benchmark::State& state, const SimRackFile::Config& config, T3Types::AmplifierKind kind,
                   ZRVBase::BoardType board) {
  Bench bench(config);
  T3AD::SetTlvType(kind, board);
  if (!Bench::WriteRecords()) {
    state.SkipWithError("the rack's records could not be written");
    return;
  }
  Measure(state, Bench::Initialize, "the initialisation failed", Tlv3Init::Shutdown);
}

bool StoreRecords() { return Tlv3Files::SaveScaleFile() && Tlv3Files::SaveCFastFile(); }

// The selected board's scale record and C-fast table stored to its EEPROM
// as the program stores them (each block backed up, every page verified).
void RunStore(benchmark::State& state, const SimRackFile::Config& config, T3Types::AmplifierKind kind,
              ZRVBase::BoardType board) {
  Bench bench(config);
  T3AD::SetTlvType(kind, board);
  if (!Bench::WriteRecords() || !Bench::Initialize()) {
    state.SkipWithError("the rack could not be initialised");
    return;
  }
  Measure(state, StoreRecords, "the records could not be stored", [] {});
}

void BM_StoreRecordsTlv4USB(benchmark::State& state) {
  RunStore(state, SimRackFile::Config{}, T3Types::KindTlv4USB, ZRVBase::BoardQRN55);
}
BENCHMARK(BM_StoreRecordsTlv4USB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_StoreRecordsQRN2400(benchmark::State& state) {
  SimRackFile::Config config;
  config.rack.interface = RackInterface::kQRN2400;
  config.rack.boards[0].letter = 'S';
  RunStore(state, config, T3Types::KindTlv4, ZRVBase::BoardQRN2400);
}
BENCHMARK(BM_StoreRecordsQRN2400)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_InitializeOneBoardTlv4USB(benchmark::State& state) {
  RunInitialize(state, SimRackFile::Config{}, T3Types::KindTlv4USB, ZRVBase::BoardQRN55);
}
BENCHMARK(BM_InitializeOneBoardTlv4USB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_InitializeFourBoardQRN2400(benchmark::State& state) {
  SimRackFile::Config config;
  config.rack.interface = RackInterface::kQRN2400;
  config.rack.boards_per_rack = 4;
  for (int n = 0; n < 4; ++n) config.rack.boards[n].letter = 'S';
  RunInitialize(state, config, T3Types::KindTlv4, ZRVBase::BoardQRN2400);
}
BENCHMARK(BM_InitializeFourBoardQRN2400)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
