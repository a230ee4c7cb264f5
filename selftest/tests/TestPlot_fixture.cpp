#include "TestPlot_fixture.h"

#include "platform/headless/Headless.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/TestBase.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

void TestPlotTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(GraphicsTest::SetUp());
  ASSERT_TRUE(ANSITerm::Initialize());
  Mouse::Initialize();
  MacEnv::Terminated = false;
  TestBase::InitModule();
  EditState::ListConsole = ANSITerm::CreateHeadless(24, 80);
  T3TestGraphics::InitModule();
}

void TestPlotTest::TearDown() {
  T3TestGraphics::Shutdown();
  T3TestGraphics::InitModule();
  ANSITerm::Close(EditState::ListConsole);
  TestBase::InitModule();
  GraphicsTest::TearDown();
}

void TestPlotTest::Script(std::string_view steps) { ASSERT_TRUE(Headless::RunScript(steps)); }

void TestPlotTest::ClickItem(const TestPlotDialog::DialogRecord& dialog, int item) {
  int h = 0;
  int v = 0;
  ASSERT_TRUE(TestPlotDialog::ItemCenter(dialog, item, h, v)) << "item " << item;
  Headless::Click(Geometry::Point{h, v});
}
