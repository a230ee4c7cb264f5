// The test plot window with data from the simulated rack, as a golden
// image of the window's content (the scene: TestPlotScene_fixture.h).

#include "SelftestRack_fixture.h"
#include "TestPlotScene_fixture.h"
#include "platform/Windows.h"
#include "platform/tests/Golden_fixture.h"
#include "selftest/T3TestGraphics.h"
#include "shell/ModWindow.h"

namespace {

class PlotRack : public SelftestRack {};

INSTANTIATE_TEST_SUITE_P(Boards, PlotRack, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(PlotRack, EveryPaneWithTheRacksData) {
  ASSERT_NO_FATAL_FAILURE(StartBoard(0));
  ASSERT_NO_FATAL_FAILURE(StartUi());
  ASSERT_TRUE(DrawTestPlotScene());
  EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(ModWindow::GetMacWindow(T3TestGraphics::GraphDialog.root)),
                            "test_plot"));
}

}  // namespace
