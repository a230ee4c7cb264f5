#include "SelftestRack_fixture.h"

#include <span>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "foundation/Strings.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "selftest/T3TestGraphics.h"
#include "shell/Graphics.h"
#include "shell/Mouse.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "shell/MacEnv.h"

namespace {

std::span<const char> Version23() { return "2.3"; }

}  // namespace

void SelftestRack::UseWiring() {
  AmplifierRackConfig config;
  config.interface = static_cast<RackInterface>(Board());
  config.boards[0].letter = Letter();
  config.analog = true;
  Configure(config);
  rack_ = std::make_unique<AmplifierRackWiring>(config);
  record_ = std::make_unique<DacRecord>(*rack_);
  SetWiring(record_->Boards(), record_->Unit(0));
}

void SelftestRack::SetUp() {
  ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
  Strings::Assign(MacEnv::Version, "Mereth 2.3 on the simulated rack");
  T3Tester::SetSoftwareVersionSource(Version23);
  ADMeasure::TestWriteMode = 1;
}

void SelftestRack::StartUi() {
  ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 1024, 768));
  ui_ = true;
  Graphics::InitModule();
  ASSERT_TRUE(Graphics::Initialize());
  ASSERT_TRUE(ANSITerm::Initialize());
  Mouse::Initialize();
  MacEnv::Terminated = false;
  EditState::ListConsole = ANSITerm::CreateHeadless(24, 80);
}

void SelftestRack::TearDown() {
  if (ui_) {
    T3TestGraphics::Shutdown();
    T3TestGraphics::InitModule();
    ANSITerm::Close(EditState::ListConsole);
    Graphics::InitModule();
    Headless::ClearSteps();
    UIPlatform::Shutdown();
    ui_ = false;
  }
  ADMeasure::TestWriteMode = 0;
  Protocol::InitModule();
  T3Tester::SetSoftwareVersionSource(nullptr);
  SimulatedBoardTest::TearDown();
}

char SelftestRack::Letter() const { return Board() == ZRVBase::BoardQRN55 ? 'R' : 'K'; }

void SelftestRack::StartBoard(std::uint16_t hardwareVersion) {
  StartAmplifierCore(Letter());
  T3Types::State.BoardVersion = Letter();
  T3Types::State.ADBoard = Board();
  T3Base::ADBoard = Board();
  T3Panel::FillAdcAndDac(T3Types::State);
  T3Base::HardwareVersion = hardwareVersion;
  T3Set::SendToHardware = true;
  VrnlBoards::SetProperties(true, false);
  T3Panel::SetT3BoardLatch(0);
  T3Set::InitHardware();
  VrnlBoards::FlushCache();
  double delay = 0;
  double inputTau = 0;
  double outputTau = 0;
  double sampleCorrection = 0;
  T3AD::GetCorrections(Board(), delay, inputTau, outputTau, sampleCorrection);
  ADMeasure::DacToAdcDelay = delay;
  ADMeasure::InputFilterTau = inputTau;
  ADMeasure::OutputFilterTau = outputTau;
  ADMeasure::SampleCorrection = sampleCorrection;
  T3Tester::InitAllModules();
}
