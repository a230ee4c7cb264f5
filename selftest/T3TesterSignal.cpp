// The step point between two measurements: an abort poll, or, while the
// operator pauses with the test window open, the live test signal.
#include <cstdlib>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Types.h"
#include "platform/Events.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"

namespace T3Tester {

namespace {

constexpr std::int32_t kLivePoints = 256;
constexpr double kDisplaySpan = 1.5;

// The program ends, or (headless) no input will come any more.
bool LiveViewEnds() { return MacEnv::Terminated || Events::InputEnded(); }

}  // namespace

std::int32_t TriggerDac(std::int32_t dac) {
  const std::int32_t testDac = std::abs(T3Types::State.ExtStimDac);
  const std::int32_t stimDac = T3Types::State.StimDac;
  for (std::int32_t c = 0; c < ZRVBase::NumberDacChannels; ++c) {
    if (c != dac && c != testDac && c != stimDac) return c;
  }
  return 0;
}

bool TestSignal(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double scale) {
  Mouse::SetWaitCursor();
  if (TestBase::WriteState && Protocol::WriteStateProc != nullptr) Protocol::WriteStateProc();
  // Without the window nothing would ever press Continue.
  if (!TestBase::Pausing || !T3TestGraphics::DialogOpen()) {
    T3Generator::Stop();
    return !T3TestGraphics::Abort(false);
  }
  const std::int32_t trigger = TriggerDac(dac);
  T3TestGraphics::Activate(false, false, true, true, false);
  const double range = amplitude * scale * ZRVBase::AdcUnitsPerVolt[adc];
  bool generatorSeen = TestBase::GeneratorOn;
  bool started = false;
  bool plotting = false;
  bool clear = false;
  while (!T3TestGraphics::DoAbort() && !T3TestGraphics::DoContinue() && !LiveViewEnds()) {
    Mouse::SetWatchCursor();
    if (TestBase::GeneratorOn != generatorSeen) {
      generatorSeen = TestBase::GeneratorOn;
      plotting = TestBase::DataPlotting;
      started = true;
      clear = true;
    }
    if (!started) continue;
    T3Generator::StimAndSample(dac, trigger, adc, generatorSeen ? amplitude : 0, interval, kLivePoints,
                               DisplayData);
    if (plotting) {
      T3TestGraphics::PlotData(-kDisplaySpan * range, kDisplaySpan * range, kLivePoints, DisplayData, clear);
      clear = false;
    }
  }
  T3Generator::Stop();
  T3TestGraphics::Activate(false, false, false, false, false);
  return !T3TestGraphics::DoAbort();
}

}  // namespace T3Tester
