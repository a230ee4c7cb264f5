#include "SelftestRack_fixture.h"

#include "RackBoard.h"

#include <span>

#include "acquisition/ADMeasure.h"
#include "foundation/Strings.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "selftest/Protocol.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

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
  StartRackBoard(Letter(), Board(), hardwareVersion);
}
