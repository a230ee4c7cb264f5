// The test integrator: its offsets and rates through the 1 pF and the
// 10 pF test capacitor, and the corner of its slow auto-zero loop.
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "dialogs/Alert.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"
#include "selftest/TestIO.h"
#include "shell/Mouse.h"

namespace T3Tester {

namespace {

using namespace Steps;
using TestResultsBlock::IntegratorResults;

constexpr int kModeTest = 0;
constexpr int kModeVoltageClamp = 1;
constexpr int kOnePicofarad = 2;
constexpr int kTenPicofarad = 3;
constexpr int kIntoIntegrator = 4;
constexpr double kTriangleVolts = 10.0;
constexpr std::int32_t kAutoZeroPoints = 1024;

// The acquisitions turn the cursor while the block runs; whatever was set
// before comes back on every way out.
class SpinningCursor {
 public:
  SpinningCursor() : _saved(ZRVBase::SpinCursor) { ZRVBase::SpinCursor = true; }
  ~SpinningCursor() { ZRVBase::SpinCursor = _saved; }
  SpinningCursor(const SpinningCursor&) = delete;
  SpinningCursor& operator=(const SpinningCursor&) = delete;

 private:
  bool _saved;
};

void Settle() {
  TestIO::WriteLn();
  TestIO::WriteString("Waiting for the test integrator to settle...");
  for (int k = 0; k < 10; ++k) {
    Mouse::SetWaitCursor();
    Wait(1);
  }
}

void ShowCapacitor(int range) {
  T3Panel::SetTestRange(range);
  T3Panel::SetMux(range == kOnePicofarad ? 4 : 2);
}

void Offset(int range, TransferValues& values, const Channels& c) {
  ShowCapacitor(range);
  Wait(0.02);
  MeanAndNoise(c.muxAdc, values.Offset.Value, values.Noise.Value, true);
}

bool Rate(int range, TransferValues& values, const Channels& c) {
  ShowCapacitor(range);
  values.Gain.Value = T3Generator::TriangleGain(c.testDac, c.muxAdc, kTriangleVolts);
  CorrectACGainAndOffset(values);
  Protocol::WriteTransfer(values);
  return TestSignal(c.testDac, c.muxAdc, kTriangleVolts, 1e-5, 0.32);
}

void AutoZero(FrequencyResponseValues& response, const Channels& c) {
  TestIO::WriteLn();
  Protocol::PutString("Auto Zero:");
  TestIO::WriteLine("  This will take 100 seconds...");
  Chirp chirp{BigChirp, kAutoZeroPoints};
  MakeChirp(chirp);
  if (Acquire(chirp, {c.testDac, c.muxAdc, 0.05, 0.05, true, true, -180, false,
                      "Saturation in Chirp.Acquire", true, 1})) {
    Corner(chirp, 0, 0.04, response);
    response.Q.Value *= Transfer(chirp)[1];
  } else {
    Unmeasured(response);
  }
  TestIO::WriteString(" done.  ");
  Protocol::WriteFQ(response);
  Alert::Beep();
}

}  // namespace

bool Integrator(IntegratorResults& group) {
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  const SpinningCursor cursor;
  const Channels c = Board();
  T3Panel::SetTestRange(kOnePicofarad);
  T3Panel::SetMode(kModeTest);
  T3Panel::SetTestDacPath(kIntoIntegrator);
  T3Panel::SetCFast1(0);
  T3Panel::SetCFast2(0);
  T3Panel::SetCSlowRange(0);
  Settle();
  Protocol::PutString("Out 1 pF");
  Offset(kOnePicofarad, group.Out1pF, c);
  Offset(kTenPicofarad, group.Out10pF, c);
  if (!Rate(kOnePicofarad, group.Out1pF, c)) return false;
  Protocol::PutString("Out 10 pF");
  if (!Rate(kTenPicofarad, group.Out10pF, c)) return false;
  AutoZero(group.AutoZero, c);
  T3Panel::SetMode(kModeVoltageClamp);
  T3Panel::SetTestDacPath(0);
  return true;
}

}  // namespace T3Tester
