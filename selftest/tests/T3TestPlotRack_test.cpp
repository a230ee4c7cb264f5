// The test plot window with data from the simulated rack, as a golden
// image: every pane and button, two generator traces on the raw-data grid
// (the earlier one in yellow), and the response of filter 1 to a chirp
// from the test DAC at the probe, with its second-order reference in red.

#include <array>
#include <vector>

#include "SelftestRack_fixture.h"
#include "acquisition/ChirpReal.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "platform/Windows.h"
#include "platform/tests/Golden_fixture.h"
#include "selftest/T3ChirpReal.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

namespace {

using namespace T3TestGraphics;

class PlotRack : public SelftestRack {};

INSTANTIATE_TEST_SUITE_P(Boards, PlotRack, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(PlotRack, EveryPaneWithTheRacksData) {
  ASSERT_NO_FATAL_FAILURE(StartBoard(0));
  ASSERT_NO_FATAL_FAILURE(StartUi());
  const std::int32_t testDac = T3Types::State.ExtStimDac;
  const std::int32_t muxAdc = T3Types::State.MuxAdc;
  Initialize(true, true, true, true);
  Activate(true, true, true, true, true);

  T3Panel::SetMux(13);
  std::array<std::int16_t, 257> first{};
  std::array<std::int16_t, 257> second{};
  ASSERT_TRUE(T3Generator::StimAndSample(testDac, 1, muxAdc, 2.0, 5e-6, 256, first));
  ASSERT_TRUE(T3Generator::StimAndSample(testDac, 1, muxAdc, 1.0, 5e-6, 256, second));
  T3Generator::Stop();
  const double run = ZRV::CheckSampleInterval(1e-5);
  const double span = 3.0 * ZRVBase::AdcUnitsPerVolt[muxAdc];
  PlotRawData(-span, span, run, muxAdc, 257, first, true, Graphics::Black);
  PlotRawData(-span, span, run, muxAdc, 257, second, false, Graphics::Yellow);

  constexpr std::int32_t n = 256;
  T3Panel::SetFilter1(2);
  T3Panel::SetTestDacPath(1);
  T3Panel::SetMux(7);
  std::vector<float> work(4 * n);
  std::vector<std::int16_t> data(3 * n);
  double interval = 5e-6;
  std::int32_t codes = 0;
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  ASSERT_TRUE(T3ChirpReal::AcquireAverage(testDac, muxAdc, 1.0, interval, n, 2, 1, work, data, codes, true, true));
  ASSERT_TRUE(ChirpReal::TransformResponse(n, codes, -360, testDac, muxAdc, interval, work));
  AxesForGainAndPhase(n, interval, 1, -2, -360, TopWindow, BottomWindow);
  PlotGainAndPhase(n, std::span<const float>(work).first(2 * n), interval, TopWindow, BottomWindow);
  PlotReferenceGainAndPhase(1.0, 10.3e3, 0.6, TopWindow, BottomWindow);

  EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(ModWindow::GetMacWindow(GraphDialog.root)), "test_plot"));
}

}  // namespace
