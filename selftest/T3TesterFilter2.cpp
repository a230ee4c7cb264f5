// Filter 2: its kind, found from the quality factor of its second section
// at high Q, the multiplexer and voltage-monitor sources, its response at
// two corners with and without high Q, and its offset DAC.
#include <array>

#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"
#include "selftest/TestIO.h"

namespace T3Tester {

namespace {

using namespace Steps;
using TestResultsBlock::Filter2Results;

constexpr std::uint16_t kVmonFilterOption = 0x4000;
constexpr std::span<const char> kSaturation = "Saturation in Chirp.Acquire";
constexpr double kChirpAmplitude = 3.0;

// The reference through the multiplexer (filter 2's input) into the first
// buffer; FALSE when it saturated.
bool Reference(Chirp& reference, const Channels& c, double interval) {
  return Acquire(reference, {c.testDac, c.muxAdc, kChirpAmplitude, interval, true, true, -270, false, kSaturation});
}

// Filter 2's output on the current monitor over the reference, into the
// second buffer. The monitor inverts; its saturation goes unreported.
void OutputOverReference(Chirp& output, const Chirp& reference, const Channels& c, double interval) {
  Acquire(output, {c.testDac, c.imonAdc, kChirpAmplitude, interval, true, false, -90, true, {}, false});
  Ratio(output, reference, -270);
}

struct Buffers {
  Chirp reference{ChirpArray};
  Chirp output{BigChirp};
};

Buffers MakeChirps() {
  Buffers buffers;
  MakeChirp(buffers.reference);
  MakeChirp(buffers.output);
  return buffers;
}

bool MuxAndVmonSources(Filter2Results& group, const Channels& c) {
  T3Panel::SetMux(13);
  T3Panel::SetTestDacPath(0);
  T3Panel::SetF2Source(1);
  Protocol::PutString("Mux Source");
  Wait(1);
  GetAndWrite(c.testDac, c.imonAdc, group.MuxSource, true, false);
  if (!TestSignal(c.testDac, c.imonAdc, 5, 1e-4, 1)) return false;
  if ((T3Base::HardwareVersion & kVmonFilterOption) == 0) return true;
  Protocol::PutString("VmonFilter");
  T3Panel::SetMux(10);
  T3Panel::SetTestDacPath(0);
  T3Panel::SetF2Source(2);
  GetAndWrite(c.stimDac, c.muxAdc, group.VmonFilter, false, true);
  return TestSignal(c.stimDac, c.muxAdc, 5, 1e-4, 1);
}

// Both sections' DACs at dac, high Q on or off, filter 2 fed from the
// output amplifier that the test DAC drives, on multiplexer 8.
void PutFilter2(std::int32_t dac, bool highQ) {
  T3Panel::SetGain(0);
  T3Set::F2Part1Dacs(dac);
  T3Set::F2Part2Dacs(dac);
  T3Set::Filter2HighQ(highQ);
  T3Panel::SetF2Source(0);
  T3Panel::SetTestDacPath(2);
  T3Panel::SetFilter1(0);
  T3Panel::SetMux(8);
  Wait(1);
}

bool Response(Filter2Results& group, const Channels& c, Buffers& chirps) {
  Protocol::PutString("F2 Response");
  PutFilter2(5, false);
  bool referenced = false;
  for (int i = 0; i < 6; ++i) {
    const bool low = i < 3;
    const double interval = low ? 2e-4 : 2e-5;
    const double nominal = low ? 500 : 5000;
    if (i == 3) {
      T3Set::F2Part1Dacs(50);
      T3Set::F2Part2Dacs(50);
    }
    const bool isReference = i % 3 == 0;
    const std::int32_t adc = isReference ? c.muxAdc : c.imonAdc;
    FrequencyResponseValues& response = group.F2Response[i];
    if (isReference) {
      referenced = Reference(chirps.reference, c, interval);
      if (referenced) Corner(chirps.reference, -90, 0.6 * nominal, response);
    } else {
      T3Set::Filter2HighQ(i % 3 == 2);
      OutputOverReference(chirps.output, chirps.reference, c, interval);
      if (referenced) Corner(chirps.output, -90, 0.6 * nominal, response);
    }
    if (!referenced) Unmeasured(response);
    Protocol::WriteFQ(response);
    if (!TestSignal(c.testDac, adc, 3, 0.25 * interval, 1)) return false;
  }
  return true;
}

void OffsetDac(Filter2Results& group, const Channels& c) {
  T3Set::Filter2HighQ(false);
  Protocol::PutString("Offset Dac");
  T3Panel::SetMux(5);
  T3Panel::SetF2Source(1);
  SpanValues& span = group.OffsetDac;
  Wait(2);
  MeanAndNoise(c.imonAdc, span.Offset.Value, span.Noise.Value, false);
  T3Set::F2OffsetDac(0);
  Wait(2);
  MeanKeepingNoise(c.imonAdc, span.Minimum.Value, span.Noise.Value, false);
  T3Set::F2OffsetDac(255);
  Wait(2);
  MeanKeepingNoise(c.imonAdc, span.Maximum.Value, span.Noise.Value, false);
  T3Set::F2OffsetDac(128);
  Protocol::WriteSpan(span);
}

}  // namespace

bool IsF2Orig(double& q) {
  T3Set::InitHardware();
  const Channels c = Board();
  Buffers chirps = MakeChirps();
  PutFilter2(100, true);
  constexpr double kInterval = 1e-5;
  FrequencyResponseValues found{};
  if (Reference(chirps.reference, c, kInterval)) {
    Corner(chirps.reference, -90, 6000, found);
    OutputOverReference(chirps.output, chirps.reference, c, kInterval);
    Corner(chirps.output, -90, 6000, found);
  } else {
    Unmeasured(found);
  }
  q = found.Q.Value;
  return Filter2Kind(q) == kFilter2Original;
}

bool Filter2(Filter2Results& group) {
  TestIO::WriteLn();
  double q = 0.0;
  const bool original = IsF2Orig(q);
  T3Scale::Scale.Filter2Law = original ? kFilter2Original : kFilter2New;
  if (original) {
    TestIO::WriteString("Is original F2 filter: ");
  } else {
    TestIO::WriteString("Is new F2 filter: ");
  }
  TestIO::WriteReal(q, 10, 2);
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  const Channels c = Board();
  Buffers chirps = MakeChirps();
  if (!MuxAndVmonSources(group, c) || !Response(group, c, chirps)) return false;
  OffsetDac(group, c);
  return true;
}

}  // namespace T3Tester
