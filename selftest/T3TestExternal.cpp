#include "selftest/T3TestExternal.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3CCTest.h"
#include "selftest/T3Generator.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"
#include "selftest/TestIO.h"

namespace T3TestExternal {

namespace {

using namespace T3Tester::Steps;
using namespace TestResultsBlock;

constexpr double kLiveInterval = 1e-5;
constexpr std::int32_t kFirstRackDacs = 4;
constexpr std::int32_t kFirstRackAdcs = 8;
constexpr double kNominalExtCCGain = 0.1;

bool Has(std::uint16_t bits) { return (T3Base::HardwareVersion & bits) != 0; }
bool IsTlv3() { return T3Base::AmplKind == T3Types::KindTlv3; }
std::int32_t Boards() { return T3Panel::GetActiveT3Boards(); }

bool InSecondRack() {
  const std::int32_t board = T3Types::State.Board;
  return T3Panel::GetBoardToSet(board) < board;
}

void Nominal(TransferValues& values, double gain = 1.0) {
  values.Gain.Value = gain;
  values.Offset.Value = 0.0;
  values.Noise.Value = 0.0;
}

void Nominal(SpanValues& span) {
  span.Maximum.Value = 10.0;
  span.Minimum.Value = -10.0;
  span.Offset.Value = 0.0;
  span.Noise.Value = 0.0;
}

// A report label with a channel number between two texts.
void PutLabel(std::string_view before, std::int32_t channel, std::string_view after = {}) {
  char label[Protocol::kLineSize] = "";
  std::snprintf(label, sizeof label, "%.*s%d%.*s", static_cast<int>(before.size()), before.data(), channel,
                static_cast<int>(after.size()), after.data());
  Protocol::PutString(label);
}

// Mean and noise on the adc after 20 ms, then the negated gain of the test
// DAC's 5 V there; corrected for the multiplexer when it reads it.
void MeasureInverted(std::int32_t adc, TransferValues& values, bool muxToAdc, bool correct) {
  const Channels c = Board();
  Wait(0.02);
  MeanAndNoise(adc, values.Offset.Value, values.Noise.Value, muxToAdc);
  values.Gain.Value = -T3Measure::Gain(c.testDac, adc, 5, false, muxToAdc);
  if (correct) T3Tester::CorrectGainAndOffset(values);
  Protocol::WriteTransfer(values);
}

bool Live(std::int32_t dac, std::int32_t adc, double amplitude, double scale = 1) {
  return T3Tester::TestSignal(dac, adc, amplitude, kLiveInterval, scale);
}

// ---- The layout table ---------------------------------------------------------------

enum class Amplifier { kSingle, kMultiTlv3, kMultiOther };

// The ADCs of a row that are the board's own: its VMon, multiplexer and
// IMon ADCs.
constexpr std::int32_t kOwn = -2;
constexpr std::int32_t kNominal = -1;

struct LayoutRow {
  Amplifier amplifier;
  std::int32_t firstBoard, lastBoard;  // the board within its rack
  std::int32_t fewestBoards, mostBoards;
  Layout layout;
  std::int32_t ccMostBoards;  // the CC step's DAC only up to this many boards
};

constexpr std::int32_t kAny = 99;

// First match wins: four boards of the other kinds take their own row.
constexpr std::array<LayoutRow, 8> kLayouts = {{
    {Amplifier::kSingle, 0, kAny, 0, kAny, {0, 1, 0, 1, 2, 0}, kAny},
    {Amplifier::kMultiTlv3, 0, 0, 0, kAny, {0, 3, 0, 6, 1, kNominal}, kAny},
    {Amplifier::kMultiTlv3, 1, 1, 0, kAny, {1, 3, 2, 6, 3, kNominal}, kAny},
    {Amplifier::kMultiTlv3, 2, 2, 3, 3, {2, 3, 4, 6, 5, kNominal}, kAny},
    {Amplifier::kMultiOther, 0, 3, 4, 4, {1, 0, kOwn, kOwn, kOwn, kNominal}, kAny},
    {Amplifier::kMultiOther, 0, 0, 0, 3, {1, 0, 5, 0, 6, 1}, 2},
    {Amplifier::kMultiOther, 1, 1, 2, kAny, {1, 0, 3, 0, 4, 1}, 2},
    {Amplifier::kMultiOther, 2, 2, 3, kAny, {1, 0, 1, 0, 2, kNominal}, kAny},
}};

std::int32_t OwnOr(std::int32_t adc, std::int32_t own) { return adc == kOwn ? own : RackAdc(adc); }

}  // namespace

std::int32_t RackDac(std::int32_t dac) {
  return InSecondRack() && dac >= 0 && dac < kFirstRackDacs ? dac + kFirstRackDacs : dac;
}

std::int32_t RackAdc(std::int32_t adc) {
  return InSecondRack() && adc >= 0 && adc < kFirstRackAdcs ? adc + kFirstRackAdcs : adc;
}

std::optional<Layout> BoardLayout() {
  const Amplifier amplifier = !T3Base::IsTlv3N ? Amplifier::kSingle
                              : IsTlv3()       ? Amplifier::kMultiTlv3
                                               : Amplifier::kMultiOther;
  const std::int32_t b = T3Panel::GetBoardToSet(T3Types::State.Board);
  const std::int32_t boards = Boards();
  for (const LayoutRow& row : kLayouts) {
    if (row.amplifier != amplifier || b < row.firstBoard || b > row.lastBoard || boards < row.fewestBoards ||
        boards > row.mostBoards) {
      continue;
    }
    const T3Types::AmplifierState& s = T3Types::State;
    Layout layout = row.layout;
    layout.testDac = RackDac(layout.testDac);
    layout.stimDac = RackDac(layout.stimDac);
    layout.vmonAdc = OwnOr(layout.vmonAdc, s.VmonAdc);
    layout.imon1Adc = OwnOr(layout.imon1Adc, s.MuxAdc);
    layout.imon2Adc = OwnOr(layout.imon2Adc, s.ImonAdc);
    layout.ccDac = boards <= row.ccMostBoards && layout.ccDac != kNominal ? RackDac(layout.ccDac) : kNominal;
    return layout;
  }
  return std::nullopt;
}

// ---- The tests ----------------------------------------------------------------------

bool External(SelfTestResults& results) {
  ExternalResults& ext = results.External;
  T3Set::InitHardware();
  if (!T3Tester::CheckMux()) return false;
  const std::optional<Layout> layout = BoardLayout();
  if (!layout) return false;
  if (!ExternalDacTest(layout->testDac, layout->stimDac, ext) ||
      !ExternalAdcTest(layout->vmonAdc, layout->imon1Adc, layout->imon2Adc, ext)) {
    return false;
  }
  T3Panel::SetTestRange(0);
  if (layout->ccDac == kNominal) {
    Nominal(ext.Connection[kExtCCStim], kNominalExtCCGain);
    T3Set::InitHardware();
    return true;
  }
  return GetExtCCTransferGain(ext, layout->ccDac);
}

bool ExternalDacTest(std::int32_t testDac, std::int32_t stimDac, ExternalResults& results) {
  const Channels c = Board();
  T3Panel::SetTestRange(2);
  T3Panel::SetMode(0);
  T3Panel::SetTestDacOut(true);
  T3Panel::SetMux(4);
  PutLabel("Dac-", testDac, " to Test Input");
  TransferValues& test = results.Connection[kTestInput];
  if (Boards() < 3 || IsTlv3()) {
    Wait(0.02);
    MeanAndNoise(c.muxAdc, test.Offset.Value, test.Noise.Value, true);
    test.Gain.Value = 0.01 * T3Generator::TriangleGain(testDac, c.muxAdc, 10);
    // The integrator's output drifts: its level says nothing of the cable.
    test.Offset.Value = 0.0;
  } else {
    Nominal(test);
  }
  Protocol::WriteTransfer(test);
  if (!Live(testDac, c.muxAdc, 10, 0.32)) return false;

  PutLabel("Dac-", stimDac, " to Stim Input");
  TransferValues& stimulus = results.Connection[kStimInput];
  if (Boards() > 3) {
    Nominal(stimulus);
    Protocol::WriteTransfer(stimulus);
  } else {
    T3Panel::SetStimScale(0.1);
    T3Panel::SetMux(11);
    T3Tester::GetAndWrite(stimDac, c.muxAdc, stimulus, false, true);
    if (!Live(stimDac, c.muxAdc, 5)) return false;
  }
  T3Panel::SetStimScale(0);
  T3Panel::SetMux(5);
  return true;
}

bool ExternalAdcTest(std::int32_t vmonAdc, std::int32_t imon1Adc, std::int32_t imon2Adc, ExternalResults& results) {
  const Channels c = Board();
  const T3Types::AmplifierState& s = T3Types::State;
  if (IsTlv3() || Boards() <= 2) {
    PutLabel("VMon to Adc-", vmonAdc);
    T3Tester::GetAndWrite(c.stimDac, vmonAdc, results.Connection[kVMonToAdc], false, false);
    if (!Live(c.stimDac, vmonAdc, 5)) return false;
  } else {
    Nominal(results.Connection[kVMonToAdc]);
  }

  PutLabel("IMon1 to Adc-", imon1Adc);
  T3Panel::SetGain(0);
  T3Panel::SetTestDacPath(2);
  const bool imon1OnMux = imon1Adc == c.muxAdc;
  if (imon1OnMux) T3Panel::SetMux(14);
  MeasureInverted(imon1Adc, results.Connection[kIMon1ToAdc], imon1OnMux, imon1OnMux);
  if (!Live(c.testDac, imon1Adc, 5)) return false;

  PutLabel("IMon2 to Adc-", imon2Adc);
  MeasureInverted(imon2Adc, results.Connection[kIMon2ToAdc], false, imon2Adc == c.muxAdc);
  if (!Live(c.testDac, imon2Adc, 5)) return false;

  if (Has(0x40)) {
    Protocol::PutString("VMon to VMonAdc");
    T3Tester::GetAndWrite(c.stimDac, s.VmonAdc, results.Connection[kVMonToVMonAdc], false, false);
    if (!Live(c.stimDac, s.VmonAdc, 5)) return false;
  } else {
    Nominal(results.Connection[kVMonToVMonAdc]);
  }

  if (Has(0x200)) {
    TransferValues& x100 = results.Connection[kVMonX100ToVMonAdc];
    T3Panel::SetVmonX100(true);
    MeanAndNoise(s.VmonAdc, x100.Offset.Value, x100.Noise.Value, false);
    x100.Gain.Value = T3Measure::Gain(c.stimDac, s.VmonAdc, 0.5, false, false);
    Protocol::WriteTransfer(x100);
    const bool continued = Live(c.stimDac, s.VmonAdc, 0.5);
    T3Panel::SetVmonX100(false);
    if (!continued) return false;
  } else {
    Nominal(results.Connection[kVMonX100ToVMonAdc]);
  }

  if (Has(0x40)) {
    Protocol::PutString("IMon2 to IMonAdc");
    MeasureInverted(s.ImonAdc, results.Connection[kIMon2ToIMonAdc], false, false);
    if (!Live(c.testDac, s.ImonAdc, 5)) return false;
  } else {
    Nominal(results.Connection[kIMon2ToIMonAdc]);
  }
  return true;
}

bool GetExtCCTransferGain(ExternalResults& results, std::int32_t dac) {
  TransferValues& values = results.Connection[kExtCCStim];
  if (IsTlv3() || Boards() > 2) {
    Nominal(values, kNominalExtCCGain);
    T3Set::InitHardware();
    return true;
  }
  T3Set::InitHardware();
  Protocol::PutString("ExtCCStim");
  T3Panel::SetMode(2);
  T3Panel::SetMux(14);
  T3Panel::SetCCGain(0);
  T3Set::CCOffsetDac(2047);
  T3Set::HFCompSwitches(0);
  // The CC scale's x 10 switch open; the stimulus switch's word sends it.
  T3Set::Set1Switch(24, 3, false);
  T3Set::ExtCCStim(true);
  const bool continued = T3CCTest::GetTransfer(dac, Board().muxAdc, values, 1, false, false, true);
  T3Set::InitHardware();
  return continued;
}

bool TestDacSH(SelfTestResults& results) {
  ExternalResults& ext = results.External;
  if (T3Base::AmplKind != T3Types::KindTlv4 && T3Base::AmplKind != T3Types::KindTlv4Plus) {
    Nominal(ext.SampleAndHoldStep[0], 0.0);
    ext.SampleAndHoldStep[0].Offset.Value = 5.0;
    Nominal(ext.SampleAndHoldStep[1]);
    for (SpanValues& span : ext.SampleAndHoldFeedThru) Nominal(span);
    return true;
  }
  const Channels c = Board();
  const T3Types::AmplifierState& s = T3Types::State;
  Protocol::PutString("TestDac-S&H");
  T3Panel::SetMode(1);
  T3AD::SetDacReal(c.testDac, 5, false);
  T3Panel::SetTestDacOut(true);
  Wait(1e-3);
  T3Panel::SetTestDacOut(false);
  Wait(1e-3);
  const std::int32_t adc = RackAdc(0);
  // Each step measured with the output switch as the step left it.
  const auto step = [&](TransferValues& values) {
    MeanAndNoise(adc, values.Offset.Value, values.Noise.Value, false);
    values.Gain.Value = T3Measure::Gain(c.testDac, adc, 5, s.TestDacOff, false);
    Protocol::WriteTransfer(values);
    return Live(c.testDac, adc, 10, 0.32);
  };
  if (!step(ext.SampleAndHoldStep[0])) return false;
  T3AD::SetDacReal(c.testDac, 0, true);
  T3Panel::SetTestDacOut(true);
  Wait(1e-3);
  if (!step(ext.SampleAndHoldStep[1])) return false;

  T3Panel::SetMux(5);
  SHfeedthrough(adc, ext.SampleAndHoldFeedThru[0], false);
  if (!Live(c.testDac, adc, 10, 0.32)) return false;
  T3Panel::SetTestDacOut(true);
  T3Panel::SetMux(13);
  SHfeedthrough(c.muxAdc, ext.SampleAndHoldFeedThru[1], true);
  if (!Live(c.testDac, c.muxAdc, 10, 0.32)) return false;
  T3Panel::SetMux(5);
  return true;
}

void SHfeedthrough(std::int32_t adc, SpanValues& span, bool muxToAdc) {
  constexpr std::int32_t kPoints = 50;
  constexpr std::int16_t kPulse = 32000;
  adc = RackAdc(adc);
  std::fill_n(ADMeasure::DataArray.begin(), kPoints, std::int16_t{0});
  std::fill_n(ADMeasure::StimArray.begin(), kPoints, std::int16_t{0});
  std::fill_n(ADMeasure::StimArray.begin() + 10, 10, kPulse);
  std::fill_n(ADMeasure::StimArray.begin() + 30, 10, static_cast<std::int16_t>(-kPulse));
  double interval = 5e-6;
  T3AD::StimAndSample(Board().testDac, adc, interval, ADMeasure::StimArray, ADMeasure::DataArray, kPoints,
                      T3Types::State.TestDacOff, muxToAdc);
  const double unitsPerVolt = ZRVBase::AdcUnitsPerVolt[adc];
  span.Maximum.Value = ADMeasure::DataArray[10] / unitsPerVolt;
  span.Minimum.Value = ADMeasure::DataArray[30] / unitsPerVolt;
  MeanAndNoise(adc, span.Offset.Value, span.Noise.Value, muxToAdc);
  Protocol::WriteSpan(span);
}

// ---- Digital I/O ----------------------------------------------------------------------

namespace {

constexpr std::uint16_t kLatchBit = 0x8000;
constexpr double kLeastNoBitVolts = 7.0;

std::uint16_t Mask(int lastBit) { return static_cast<std::uint16_t>((1u << (lastBit + 1)) - 1); }

// The bits read, below the ruler "54321_9876543210".
void WriteBits(std::uint16_t bits) {
  TestIO::WriteSet16(bits);
  TestIO::WriteLn();
}

void WriteBit(std::string_view before, int bit, int width = 0) {
  TestIO::WriteString(before);
  TestIO::WriteInt(bit, width);
}

double ReadVolts(std::int32_t adc) { return T3AD::ReadAdcReal(adc, false); }

std::uint16_t Exchange(std::int32_t out, std::int32_t in, std::uint16_t word) {
  ZRV::SetDigital(out, word);
  return ZRV::ReadDigital(in);
}

}  // namespace

int LadderBit(double volts, double noBitVolts) {
  const double bit = std::round(18.0 - 20.0 * volts / noBitVolts);
  return std::isfinite(bit) && bit >= 0 && bit <= 15 ? static_cast<int>(bit) : -1;
}

void DigitalIOAnalog(SelfTestResults& results) {
  results.DigitalIOCheck = {false, true};
  const std::int32_t adc = T3Base::IsTlv3N ? 6 : 0;
  bool faults = false;
  ZRV::SetDigValue(0);
  const double noBit = ReadVolts(adc);
  if (noBit < kLeastNoBitVolts) {
    TestIO::WriteString("VoltNoBit =");
    TestIO::WriteRealFixed(noBit, 6, 3);
    TestIO::WriteString("V; should be >=");
    TestIO::WriteRealFixed(kLeastNoBitVolts, 6, 3);
    TestIO::WriteString("V.");
    TestIO::WriteLn();
    faults = true;
  }
  for (int bit = 0; bit <= 7; ++bit) {
    ZRV::SetDigValue(static_cast<std::uint16_t>(1u << bit));
    const int seen = LadderBit(ReadVolts(adc), noBit);
    if (seen == bit) continue;
    WriteBit("out-bit ", bit, 2);
    if (seen < 0) {
      TestIO::WriteString(" not set ");
    } else {
      WriteBit(" -> bit ", seen);
    }
    TestIO::WriteLn();
    faults = true;
  }
  if (T3Base::IsTlv3N && T3Base::ADBoard == ZRVBase::BoardZRV24) {
    ZRV::SetDigValue(0);
    ZRV::SetDigValue(kLatchBit);
    for (int bit = 0; bit <= 7; ++bit) {
      ZRV::SetDigValue(static_cast<std::uint16_t>(kLatchBit | (1u << bit)));
      const int seen = LadderBit(ReadVolts(adc), noBit);
      if (seen < 0) continue;
      WriteBit("out-bit ", bit);
      WriteBit(" -> bit ", seen);
      TestIO::WriteString(", not latched ");
      TestIO::WriteLn();
      faults = true;
    }
  }
  ZRV::SetDigValue(0);
  if (faults) return;
  results.DigitalIOCheck.Passed = true;
  TestIO::WriteString("DigitalOut[0..");
  TestIO::WriteInt(7, 0);
  TestIO::WriteString("] to AD[");
  TestIO::WriteInt(adc, 0);
  TestIO::WriteString("] is OK. ");
  TestIO::WriteLn();
}

bool DigitalBits(int lastBit, bool fromAmplifierPort, bool toAmplifierPort) {
  const std::int32_t out = toAmplifierPort ? ZRV::TlvOut : ZRV::DigitalOut;
  const std::int32_t in = fromAmplifierPort ? ZRV::TlvIn : ZRV::DigitalIn;
  const std::uint16_t mask = Mask(lastBit);
  bool ok = true;
  const auto report = [&](std::string_view text, std::uint16_t bits) {
    TestIO::WriteString(text);
    TestIO::WriteLn();
    TestIO::WriteString("                      ");
    WriteBits(bits);
    ok = false;
  };
  if (const std::uint16_t bits = Exchange(out, in, 0); (bits & mask) != 0) {
    report("Not all bits cleared: 54321_9876543210", bits);
  }
  if (const std::uint16_t bits = Exchange(out, in, mask); (bits & mask) != mask) {
    report("Not all bits set:     54321_9876543210", bits);
  }
  for (int i = 0; i <= lastBit; ++i) {
    const auto own = static_cast<std::uint16_t>(1u << i);
    const std::uint16_t bits = Exchange(out, in, own) & mask;
    if ((bits & own) == 0) {
      WriteBit("out-bit ", i);
      TestIO::WriteString("  not connected to its in-bit - ");
      WriteBits(bits);
      ok = false;
    }
    for (int j = 0; j <= lastBit; ++j) {
      if (j == i || (bits & (1u << j)) == 0) continue;
      WriteBit("out-bit ", i);
      WriteBit("  connected to in-bit ", j);
      TestIO::WriteString(" - ");
      WriteBits(bits);
      ok = false;
    }
  }
  ZRV::SetDigital(out, 0);
  const std::string_view port = fromAmplifierPort ? "TLV digital port " : "User digital port ";
  TestIO::WriteString(std::string_view(toAmplifierPort ? "TLV digital port -> " : "User digital port -> "));
  TestIO::WriteString(port);
  TestIO::WriteString(std::string_view(ok ? "is OK. " : "is NOT ok. "));
  TestIO::WriteLn();
  return ok;
}

bool DigitalBitLatching(int lastBit) {
  const std::uint16_t mask = Mask(lastBit);
  bool ok = true;
  const auto check = [&](std::uint16_t word, bool set, std::string_view text) {
    const std::uint16_t bits = Exchange(ZRV::DigitalOut, ZRV::DigitalIn, word) & mask;
    for (int i = 0; i <= lastBit; ++i) {
      if (((bits >> i) & 1u) == (set ? 1u : 0u)) continue;
      WriteBit("out-bit ", i);
      TestIO::WriteString(text);
      WriteBits(bits);
      ok = false;
    }
  };
  for (const std::uint16_t word : {std::uint16_t{0}, kLatchBit, std::uint16_t{0xFFFF}}) {
    check(word, false, "  should stay cleared but is set - ");
  }
  check(mask, true, "  should stay set but is cleared - ");
  check(static_cast<std::uint16_t>(mask | kLatchBit), true, "  should stay set but is cleared - ");
  ZRV::SetDigital(ZRV::DigitalOut, 0);
  if (ok) {
    TestIO::WriteString("  digital I/O is OK - bit 15 is latching. ");
    TestIO::WriteLn();
  }
  return ok;
}

bool TestKESP7() {
  if (!VrnlBoards::KESP7Present()) {
    TestIO::WriteString("KESP7 NOT detected: OUT-bit 15 did not toggle IN-bit 14. ");
    TestIO::WriteLn();
    return false;
  }
  TestIO::WriteString("KESP7 detected: OUT-bit 15 toggles IN-bit 14. ");
  TestIO::WriteLn();
  TestIO::WriteString("KESP7 - testing digital I/O latching: ");
  TestIO::WriteLn();
  if (!VrnlBoards::KESP7Initialize()) {
    TestIO::WriteString("KESP7 failed to initialize. ");
    TestIO::WriteLn();
    return false;
  }
  return DigitalBitLatching(13);
}

bool DigitalIO(SelfTestResults& results) {
  results.DigitalIOCheck = {false, true};
  const bool kesp7 = VrnlBoards::KESP7Present();
  int lastBit = 15;
  if (kesp7 || T3Base::ADBoard == ZRVBase::BoardZRV28 || T3Base::ADBoard == ZRVBase::BoardQRN2400) {
    lastBit = 13;
  } else if (T3Base::ADBoard == ZRVBase::BoardZRV24) {
    lastBit = Boards() < 2 ? 13 : 7;
  }
  if (!DigitalBits(lastBit, false, false)) return false;
  bool passed = true;
  if (kesp7) passed = TestKESP7();
  if (IsTlv3() && Boards() >= 2) {
    TestIO::WriteString("TLV3/N - testing digital I/O latching: ");
    TestIO::WriteLn();
    passed = DigitalBitLatching(7);
  }
  results.DigitalIOCheck.Passed = passed;
  return passed;
}

}  // namespace T3TestExternal
