#include "TestPlotScene_fixture.h"

#include <array>
#include <cstdio>
#include <vector>

#include "acquisition/ChirpReal.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "selftest/T3ChirpReal.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "shell/Graphics.h"

namespace {

using namespace T3TestGraphics;

constexpr std::int32_t kTriggerDac = 1;
constexpr std::int32_t kChirpPoints = 256;

bool Failed(const char* what) {
  std::fprintf(stderr, "test plot scene: %s failed\n", what);
  return false;
}

}  // namespace

bool DrawTestPlotScene() {
  const std::int32_t testDac = T3Types::State.ExtStimDac;
  const std::int32_t muxAdc = T3Types::State.MuxAdc;
  Initialize(true, true, true, true);
  Activate(true, true, true, true, true);

  T3Panel::SetMux(13);
  std::array<std::int16_t, kChirpPoints + 1> first{};
  std::array<std::int16_t, kChirpPoints + 1> second{};
  if (!T3Generator::StimAndSample(testDac, kTriggerDac, muxAdc, 2.0, 5e-6, kChirpPoints, first) ||
      !T3Generator::StimAndSample(testDac, kTriggerDac, muxAdc, 1.0, 5e-6, kChirpPoints, second)) {
    return Failed("the generator sweep");
  }
  T3Generator::Stop();
  const double run = ZRV::CheckSampleInterval(1e-5);
  const double span = 3.0 * ZRVBase::AdcUnitsPerVolt[muxAdc];
  PlotRawData(-span, span, run, muxAdc, kChirpPoints + 1, first, true, Graphics::Black);
  PlotRawData(-span, span, run, muxAdc, kChirpPoints + 1, second, false, Graphics::Yellow);

  T3Panel::SetFilter1(2);
  T3Panel::SetTestDacPath(1);
  T3Panel::SetMux(7);
  std::vector<float> work(4 * kChirpPoints);
  std::vector<std::int16_t> data(3 * kChirpPoints);
  double interval = 5e-6;
  std::int32_t codes = 0;
  if (!ChirpReal::MakeChirp(kChirpPoints, work) ||
      !T3ChirpReal::AcquireAverage(testDac, muxAdc, 1.0, interval, kChirpPoints, 2, 1, work, data, codes, true,
                                   true) ||
      !ChirpReal::TransformResponse(kChirpPoints, codes, -360, testDac, muxAdc, interval, work)) {
    return Failed("the chirp");
  }
  AxesForGainAndPhase(kChirpPoints, interval, 1, -2, -360, TopWindow, BottomWindow);
  PlotGainAndPhase(kChirpPoints, std::span<const float>(work).first(2 * kChirpPoints), interval, TopWindow,
                   BottomWindow);
  PlotReferenceGainAndPhase(1.0, 10.3e3, 0.6, TopWindow, BottomWindow);
  return true;
}
