// Writing one board's results as a test report in the range file's layout.


#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "selftest/CText.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3ProtocolLabels.h"
#include "selftest/T3Tester.h"

namespace T3Protocol {

namespace {

using namespace TestResultsBlock;
using Protocol::MeasuredValue;

void WriteOne(const TransferValues& v) { Protocol::WriteTransfer(v); }
void WriteOne(const SpanValues& v) { Protocol::WriteSpan(v); }
void WriteOne(const FrequencyResponseValues& v) { Protocol::WriteFQ(v); }
void WriteOne(const ExponentialValues& v) { Protocol::WriteExponential(v); }

template <class Group>
void Block(const char* label, const Group* groups, int count) {
  Protocol::PutString(CText(label));
  for (int i = 0; i < count; ++i) WriteOne(groups[i]);
}

// Further values of a block, each on a new line after the indent.
void IndentedValue(const char* indent, const MeasuredValue& value) {
  Protocol::WriteLn();
  Protocol::WriteString(CText(indent));
  Protocol::WriteRealValue(value);
}

void IndentedGain(const char* indent, const MeasuredValue& value) {
  Protocol::WriteLn();
  Protocol::WriteString(CText(indent));
  Protocol::WriteGain(value);
}

// A block whose first value stands on the label's line.
void LabelledValue(const char* label, const MeasuredValue& value) {
  Protocol::PutString(CText(label));
  Protocol::WriteRealValue(value);
}

void LabelledGain(const char* label, const MeasuredValue& value) {
  Protocol::PutString(CText(label));
  Protocol::WriteGain(value);
}

bool HasHardware(std::uint16_t bits) { return (T3Base::HardwareVersion & bits) != 0; }

void WriteCFastTable() {
  const MeasuredValue* const values[] = {&T3MakeAuto::Nominal.Med10kHz,
                                         &T3MakeAuto::Nominal.Med30kHz,
                                         &T3MakeAuto::Nominal.High30kHz};
  static constexpr const char* kLabels[] = {" med,  10 kHz:", " med,  30 kHz:", " high, 30 kHz:"};
  Protocol::PutString("CFast Table:");
  for (int i = 0; i < 3; ++i) {
    Protocol::WriteLn();
    Protocol::WriteString(CText(kLabels[i]));
    Protocol::WriteReal(values[i]->Value, 12, -3, false);
  }
  Protocol::WriteLn();
}

void WriteCurrentMonitor(const CurrentMonitorResults& cm) {
  const int filters = T3Tester::LastF1Filter() + 1;
  Protocol::PutString("Filter1 Response");
  Protocol::WriteRisetime(cm.Filter1RiseTime);
  for (int i = 0; i < filters; ++i) {
    Protocol::WriteTransfer(cm.Filter1Transfer[i]);
    Protocol::WriteFQ(cm.Filter1Response[i]);
  }
  Block("Probe Offset Dac", &cm.ProbeOffsetDac, 1);
  Block("Slow Tau", cm.SlowTau, 4);
  Block("HF Comp", cm.HFComp, 3);
  LabelledGain("HF", cm.HFGain);
  Block("Probe To IMon1", &cm.ProbeToIMon1, 1);
  Block("Output Amp", cm.OutputAmp, 6);
  Block("Output Amp Filter", cm.OutputAmpFilter, filters);
  Block("Filter 2", cm.Filter2, 3);
  Block("Clipping", &cm.Clipping, 1);
}

void WriteCurrentClamp(const SelfTestResults& st) {
  const CurrentClampResults& cc = st.StimulusPath.CurrentClamp;
  Block("CC FeedThru", &cc.CCFeedThru, 1);
  LabelledValue("CCStepResponse", cc.CCStepResponse[0]);
  IndentedValue("              ", cc.CCStepResponse[1]);
  if (HasHardware(0x100)) {
    Block("CCGains", cc.CCGains, 4);
    LabelledValue("CCTracking", cc.CCTracking[0]);
    for (int i = 1; i < kCCTrackingValues; ++i) IndentedValue("              ", cc.CCTracking[i]);
  } else {
    LabelledGain("CCVmon", cc.CCVmon);
    LabelledGain("CCStim", cc.CCStim[0]);
    IndentedGain("      ", cc.CCStim[1]);
    IndentedGain("      ", cc.CCStim[2]);
  }
  Protocol::WriteBool("CC-ClippingTest", st.CCClippingCheck, true);
}

void WriteStimulusPath(const SelfTestResults& st) {
  const StimulusPathResults& sp = st.StimulusPath;
  Block("Stim Buffer", &sp.StimBuffer, 1);
  Block("Stim Scaling", sp.StimScaling, 2);
  Block("Stim Dac And Filter", sp.StimDacAndFilter, 2);
  Block("Stim Filter", sp.StimFilter, 2);
  WriteCurrentClamp(st);
  Block("G-Leak", sp.GLeak, 2);
  LabelledValue("G-Leak FeedThru", sp.GLeakFeedThru);
  Block("V-ref", &sp.Vref, 1);
  if (HasHardware(0x4000)) Block("V-ref_x2", &sp.VrefX2, 1);
  Block("Vp Offset Dac", &sp.VpOffsetDac, 1);
  LabelledGain("Stim to 10pF", sp.StimTo10pF);
  if (!T3Panel::HasRefGainTrim()) {
    Block("R Series", sp.RSeries, 4);
    Block("Rs comp tau", sp.RsCompTau, 2);
  }
}

void WriteCFastCSlow(const CFastCSlowResults& cf) {
  Block("CFastAmp1_10pF", cf.CFastAmp1_10pF, 5);
  Block("CFastAmp2_10pF", cf.CFastAmp2_10pF, 6);
  if (T3Types::State.HasCFastHigh) {
    Block("CFastAmp1_100pF", cf.CFastAmp1_100pF, 5);
    Block("CFastAmp2_100pF", cf.CFastAmp2_100pF, 6);
  }
  Block("CFastTaus", cf.CFastTaus, 6);
  Block("CSlow", cf.CSlow, 6);
  Block("GSeries", cf.GSeries, 4);
  Block("Rs factor", &cf.RsFactor, 1);
  Block("CSlow to 1 pF", cf.CSlowToTest, 3);
  Block("CSlow to 10 pF", cf.CSlowToTest + 3, 3);
}

void WriteExternal(const SelfTestResults& st) {
  const Identification& info = st.Info;
  const ExternalResults& ext = st.External;
  if (info.TetralRack) return;
  struct Connection {
    const char* label;
    int index;
  };
  const Connection multiLow[] = {{"Dac1/2 to Test Input", kTestInput},
                                 {"Dac-3 to Stim Input", kStimInput},
                                 {"VMon to ADC-0/2/4", kVMonToAdc},
                                 {"IMon1 to Adc-6", kIMon1ToAdc},
                                 {"IMon2 to Adc-1/3/5", kIMon2ToAdc}};
  const Connection multiHigh[] = {{"Dac1/2 to Test Input", kTestInput},
                                  {"Dac-3 to Stim Input", kStimInput},
                                  {"VMon to ADC-1/3/5", kVMonToAdc},
                                  {"IMon1 to Adc-0", kIMon1ToAdc},
                                  {"IMon2 to Adc-2/4/6", kIMon2ToAdc}};
  const Connection single[] = {{"Dac-0 to Test Input", kTestInput},
                               {"Dac-1 to Stim Input", kStimInput},
                               {"VMon to Adc-0", kVMonToAdc},
                               {"IMon1 to Adc-1", kIMon1ToAdc},
                               {"IMon2 to Adc-2", kIMon2ToAdc}};
  const Connection(&layout)[5] = !info.MultiBoard              ? single
                                 : info.AmplKind < T3Types::KindTlv4 ? multiLow
                                                                     : multiHigh;
  for (const Connection& connection : layout) {
    Block(connection.label, &ext.Connection[connection.index], 1);
  }
  if (HasHardware(0x40)) {
    Block("VMon to VMonAdc", &ext.Connection[kVMonToVMonAdc], HasHardware(0x200) ? 2 : 1);
    Block("IMon2 to IMonAdc", &ext.Connection[kIMon2ToIMonAdc], 1);
  }
  if (info.AmplKind == T3Types::KindTlv4 || info.AmplKind == T3Types::KindTlv4Plus) {
    Block("TestDac-S&H", ext.SampleAndHoldStep, 2);
    for (const SpanValues& span : ext.SampleAndHoldFeedThru) Protocol::WriteSpan(span);
    Block("ExtCCStim", &ext.Connection[kExtCCStim], 1);
  }
  Protocol::WriteLn();
}

void WriteDacTests(const DacTestResult (&tests)[kDacTests]) {
  for (int i = 0; i < kDacTests; ++i) {
    Protocol::WriteBool(CText(kDacTestLabels[i]), {tests[i].Passed, tests[i].Done}, false);
  }
}

void WriteProbe(const ProbeTestResults& pr) {
  const bool tlv1 = pr.IsTlv1Probe;
  Block(tlv1 ? "TLV1: Input10M" : "TLV3: Input10M", &pr.Input10M, 1);
  Block("CMR", &pr.CMR, 1);
  if (tlv1) {
    LabelledValue("Offsets - med :", pr.Offsets[1]);
  } else {
    LabelledValue("Offsets - low :", pr.Offsets[0]);
    IndentedValue("        - med :", pr.Offsets[1]);
  }
  IndentedValue("        - high:", pr.Offsets[2]);
  static constexpr const char* kProbeOut[] = {"ProbeOut -   0V:", "         -   5V:",
                                              "         - diff:"};
  for (int i = 0; i < 3; ++i) {
    if (i == 0) {
      Protocol::PutString(CText(kProbeOut[i]));
    } else {
      Protocol::WriteLn();
      Protocol::WriteString(CText(kProbeOut[i]));
    }
    Protocol::WriteRealScaled("", pr.ProbeOut[i], 1000, 9, 2);
  }
  const int first = tlv1 ? 1 : 0;
  Block("Test1pF", pr.Test1pF + first, 3 - first);
  Block("Test10pF", pr.Test10pF + first, 3 - first);
  static constexpr const char* kNoise[] = {"Noise   - low :", "        - med :", "        - high:"};
  for (int r = first; r < 3; ++r) {
    if (r == first) {
      Protocol::PutString(CText(r == 0 ? kNoise[0] : "Noise   - med :"));
    } else {
      Protocol::WriteLn();
      Protocol::WriteString(CText(kNoise[r]));
    }
    Protocol::WriteRealValue(pr.Noise[r][0]);
    for (int band = 1; band < 4; ++band) IndentedValue("               ", pr.Noise[r][band]);
  }
}

// A check that was asked for: its result, or a counted failure when it was
// not performed.
void WriteAskedCheck(const char* text, const Protocol::CheckResult& check) {
  if (check.Performed) {
    Protocol::WriteBool(CText(text), check, true);
  } else {
    char line[Protocol::kLineSize] = "";
    Strings::Assign(line, CText(text));
    Strings::Concat(line, " FAILED: NOT PERFORMED");
    Protocol::Flush();
    Protocol::WriteLn();
    Protocol::WriteLn();
    Protocol::WriteString(line);
    ++Protocol::TestErrors;
    Protocol::MarkFailed();
  }
  Protocol::WriteLn();
}

void WriteNoiseTest(const NoiseTestResults& noise) {
  Protocol::PutString("NoiseTest");
  Protocol::WriteLn();
  Protocol::WriteRealScaled("Noise20 ", noise.Noise20, 1, 12, -3);
  Protocol::WriteLn();
  Protocol::WriteRealScaled("Noise100", noise.Noise100, 1, 12, -3);
  Protocol::WriteLn();
}

void WriteRefGainTrim(const RefGainTrimValues& trim) {
  LabelledValue("RefGainTrimDac ", trim.Value[2]);
  Protocol::WriteRealValue(trim.Value[3]);
  LabelledValue("RefGainTrimSpan ", trim.Value[0]);
  Protocol::WriteRealValue(trim.Value[1]);
}

void WriteItems(const MuxTestResults& mux, const SelfTestResults& st, bool created,
                bool withTriggerTest, bool withDigitalIOTest, bool withNoiseTest, int testNumber) {
  WriteHeader(created, testNumber, st.Info);
  WriteCFastTable();
  if (!created) Protocol::PutString("Test Results:");
  Block("MuxTransfer", mux.Transfer, 4);
  WriteCurrentMonitor(st.CurrentMonitor);
  Block("Mux Source", &st.Filter2.MuxSource, 1);
  Block("F2 Response", st.Filter2.F2Response, 6);
  Block("Offset Dac", &st.Filter2.OffsetDac, 1);
  if (HasHardware(0x4000)) Block("VmonFilter", &st.Filter2.VmonFilter, 1);
  Block("Out 1 pF", &st.Integrator.Out1pF, 1);
  Block("Out 10 pF", &st.Integrator.Out10pF, 1);
  Block("Auto Zero", &st.Integrator.AutoZero, 1);
  WriteStimulusPath(st);
  WriteCFastCSlow(st.CFastCSlow);
  WriteExternal(st);
  WriteDacTests(st.DacTests);
  WriteProbe(st.Probe);
  if (withTriggerTest) WriteTriggerTest(st.TriggerCheck);
  if (withDigitalIOTest) WriteAskedCheck("Digital-IO test", st.DigitalIOCheck);
  if (withNoiseTest) WriteNoiseTest(st.NoiseTest);
  if (T3Panel::HasRefGainTrim()) WriteRefGainTrim(st.Probe.RefGainTrim);
  Protocol::WriteLn();
  if (created) {
    Protocol::WriteErrorNumber();
  } else {
    Protocol::PutString("END of SELFTEST");
  }
  Protocol::WriteLn();
  Protocol::Flush();
}

}  // namespace

void WriteHeader(bool created, int testNumber, const Identification& info) {
  char line1[Protocol::kLineSize] = "";
  if (testNumber > 0 && info.BoardNumber <= 1) {
    Strings::Assign(line1, "Test # ");
    Decode::Integer(testNumber, line1, 0);
  }
  char line2[Protocol::kLineSize] = "";
  Strings::Assign(line2, info.Title);
  Strings::Concat(line2, " Serial # ");
  Strings::Concat(line2, info.SerialNumber[0] != 0 ? std::span<const char>(info.SerialNumber)
                                                   : std::span<const char>("............"));
  Strings::Concat(line2, " - ");
  const char letter[2] = {info.BoardVersion, 0};
  Strings::Concat(line2, letter);
  if (info.MultiBoard) {
    Strings::Concat(line2, ", ");
    Decode::Integer(info.BoardNumber, line2, 6);
    Strings::Concat(line2, ". board");
  }
  if (info.Selector > 0) {
    Strings::Concat(line2, ", Selector = ");
    Decode::Integer(info.Selector, line2, 0);
  }
  Protocol::WriteHeader(created, line1, line2, T3Tester::RangeVersion);
}

void WriteTriggerTest(const Protocol::CheckResult& check) { WriteAskedCheck("Trigger test", check); }

bool WriteProtocol(std::span<const char> fileName, const MuxTestResults& mux,
                   const SelfTestResults& selfTest, bool toPrinter, bool created,
                   bool withTriggerTest, bool withDigitalIOTest, bool withNoiseTest,
                   int testNumber) {
  const bool toFile = Strings::Length(fileName) > 0;
  Protocol::TestErrors = 0;
  Protocol::Buffering = true;
  Protocol::WriteToPrinter = toPrinter;
  if (toFile) Protocol::OpenOutFile(fileName);
  WriteItems(mux, selfTest, created, withTriggerTest, withDigitalIOTest, withNoiseTest, testNumber);
  if (toFile) Protocol::CloseOutFile();
  Protocol::Buffering = false;
  Protocol::WriteToPrinter = false;
  return !Protocol::FileError;
}

}  // namespace T3Protocol
