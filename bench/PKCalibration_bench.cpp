// A calibration of one PK amplifier against the time it takes on the
// instrument: every test in the module's order on the disk amplifier of a
// simulated PK 512 pair behind a simulated QRN 5+5, with its analog model
// and noise, then the scale record's parameters, all on the virtual clock
// (the stimuli played, the settling waits, the DAC searches). Goal: the
// CPU time at most 1 % of the simulated time.
// Columns:
//   simulated_s         one calibration's time on the virtual clock
//   cpu_s               its CPU time
//   cpu_per_simulated   the one over the other, %
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Error.h"
#include "foundation/Buffer.h"
#include "foundation/RealTime.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/tests/PKCalibrationOrder.h"
#include "selftest/Protocol.h"
#include "shell/Shell.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The simulated unit with the PK pair on its command port, mounted where
// the driver looks for it.
struct SimulatedPK512 {
  SimulatedPK512() {
    AmplifierRackConfig config;
    config.potentiostat.pk510.present = true;
    config.potentiostat.pk510.version = "123456B";
    config.potentiostat.pk512.present = true;
    config.potentiostat.pk512.version = "654321B";
    rack = std::make_unique<AmplifierRackWiring>(config);
    QRN55SimUnitConfig unitConfig;
    unitConfig.record.device_serial = "MEASURE1";
    unitConfig.record.unit_serial = "123450010700010";
    unitConfig.record.unit_count = 1;
    unitConfig.signature.firmware = 8;
    unitConfig.signature.logic = 16;
    unit = std::make_unique<QRN55SimUnit>(unitConfig);
    unit->SetWiring(rack->Unit(0));
    volumes.Mount("/");
    volumes.Mount(QRN55DeviceManager::VolumePrefix() + " MEASURE1", unit.get());
    QRN55Service::UseFilePort(&volumes);
  }
  ~SimulatedPK512() { QRN55Service::UseFilePort(nullptr); }

  QRN55SimVolumes volumes;
  std::unique_ptr<AmplifierRackWiring> rack;
  std::unique_ptr<QRN55SimUnit> unit;
};

bool StartPotentiostat(SimulatedPK512& sim) {
  Platform::UseVirtualClock(1000.0);
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
  K5Panel::InitAllModules();
  if (!ZRV::InitInterface(ZRVBase::BoardQRN55)) return false;
  T3Error::InitModule();
  sim.rack->Rack(0).Potentiostats().UseAnalogModel(7);
  K5Set::SendToHardware = true;
  K5Panel::AssignVersion('B');
  K5Panel::SetActiveAmpl(0);
  VrnlBoards::FlushCache();
  Protocol::InitModule();
  ADMeasure::TestWriteMode = 1;
  return true;
}

void BM_CalibrateDiskAmplifier(benchmark::State& state) {
  SimulatedPK512 sim;
  if (!StartPotentiostat(sim)) {
    state.SkipWithError("no simulated QRN 5+5");
    return;
  }
  double simulated = 0.0;
  double cpu = 0.0;
  for (auto _ : state) {
    const double cpuStart = CpuSeconds();
    const double start = Platform::ElapsedSeconds();
    K5Measure::InitModule();
    K5Protocol::InitModule();
    for (const PKCalibrationStep& step : kPKCalibrationOrder) step.run();
    K5Measure::ExtractCalibrationParameters();
    simulated += Platform::ElapsedSeconds() - start;
    cpu += CpuSeconds() - cpuStart;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["simulated_s"] = simulated / runs;
  state.counters["cpu_s"] = cpu / runs;
  state.counters["cpu_per_simulated"] = simulated > 0.0 ? cpu / simulated * 100.0 : 0.0;
  ZRV::Shutdown();
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  Platform::UseRealClock();
}
BENCHMARK(BM_CalibrateDiskAmplifier)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

}  // namespace
