#include "acquisition/tests/Measurement_fixture.h"

#include <cstdlib>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVLibrary.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Shell.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace {

void SetCorrections(ZRVBase::BoardType board) {
  ADMeasure::InitModule();
  ADMeasure::GetCorrections(board, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau,
                            ADMeasure::OutputFilterTau, ADMeasure::SampleCorrection);
}

}  // namespace

void ClosedLayerTest::SetUp() {
  ZRVBoard::SetUp();
  Shell::Initialize();
  TermIO::InitModule();
  ADMeasure::InitModule();
}

void ClosedLayerTest::TearDown() {
  TermIO::InitModule();
  Shell::List = nullptr;
  ZRVBoard::TearDown();
}

std::vector<std::string> NotebookLines() {
  TermIO::Flush();
  std::vector<std::string> lines;
  const std::int32_t count = BufferText::RecordCount(Shell::List);
  for (std::int32_t n = 1; n <= count; ++n) {
    char text[512];
    BufferText::Get(Shell::List, n, text);
    lines.emplace_back(text);
  }
  return lines;
}

const AnalogBoardTiming& TimingOf(ZRVBase::BoardType board) {
  switch (board) {
    case ZRVBase::BoardZRV24:
      return kZRV24Timing;
    case ZRVBase::BoardZRV28:
      return kZRV28Timing;
    case ZRVBase::BoardQRN2400:
      return kQRN2400Timing;
    default:
      return kQRN55Timing;
  }
}

void StartBoardSurroundings() {
  Platform::UseVirtualClock(1000.0);
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
}

bool LoadStandInLibrary() {
  setenv(ZRVLibrary::kPathVariable, MERETH_ZRV_STANDIN, 1);
  ZRVLibrary::InitModule();
  if (!ZRVLibrary::Load()) return false;
  ZRVSim_Reset();
  return true;
}

void StopSimulatedBoard(ZRVBase::BoardType board) {
  ZRV::Shutdown();
  if (board == ZRVBase::BoardQRN55) {
    QRN55Service::UseFilePort(nullptr);
  } else {
    ZRVSim_SetWiring(nullptr);
    ZRVSim_Reset();
    ZRVLibrary::InitModule();
    unsetenv(ZRVLibrary::kPathVariable);
  }
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  Platform::UseRealClock();
}

void SimulatedBoardTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(TempDirectoryTest::SetUp());

  StartBoardSurroundings();
  if (Board() == ZRVBase::BoardQRN55) {
    volumes_.Mount("/");
    QRN55Service::UseFilePort(&volumes_);
    // A unit whose FPGA (version 16) works with its firmware (version 8).
    QRN55SimUnitConfig config = SimUnitConfig("MEASURE1");
    config.signature.firmware = 8;
    config.signature.logic = 16;
    ConfigureUnit(config);
    unit_ = std::make_unique<QRN55SimUnit>(config);
    volumes_.Mount(QRN55DeviceManager::VolumePrefix() + " MEASURE1", unit_.get());
  } else {
    ASSERT_TRUE(LoadStandInLibrary());
  }
  UseWiring();
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
  ASSERT_TRUE(ZRV::InitInterface(Board())) << ZRVBase::ErrorText;
}

void SimulatedBoardTest::TearDown() {
  StopSimulatedBoard(Board());
  TempDirectoryTest::TearDown();
}

void SimulatedBoardTest::SetWiring(ZRVSimWiring* zrvWiring, QRN55SimWiring* qrn55Wiring) {
  if (Board() == ZRVBase::BoardQRN55) {
    unit_->SetWiring(qrn55Wiring);
  } else {
    ZRVSim_SetWiring(zrvWiring);
  }
}

void MeasurementBench::SetUp() {
  ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
  SetCorrections(Board());
}

void MeasurementBench::UseWiring() { UseTiming(TimingOf(Board())); }

void MeasurementBench::Connect(const AnalogCircuit& circuit, std::int32_t dac, std::int32_t adc) {
  if (qrn55Wiring_) qrn55Wiring_->Connect(dac, adc, circuit);
  if (zrvWiring_) zrvWiring_->Connect(dac, adc, circuit);
}

void MeasurementBench::UseTiming(const AnalogBoardTiming& timing) {
  // The new wiring is in place before the old one goes.
  if (Board() == ZRVBase::BoardQRN55) {
    auto wiring = std::make_unique<QRN55SimFixtures>(timing);
    SetWiring(nullptr, wiring.get());
    qrn55Wiring_ = std::move(wiring);
  } else {
    auto wiring = std::make_unique<ZRVSimFixtures>(timing);
    SetWiring(wiring.get(), nullptr);
    zrvWiring_ = std::move(wiring);
  }
}

std::string BoardName(const ::testing::TestParamInfo<ZRVBase::BoardType>& info) {
  static const char* const names[] = {"ZRV24", "ZRV28", "QRN2400", "QRN55"};
  return info.param < 4 ? names[info.param] : "Other";
}
