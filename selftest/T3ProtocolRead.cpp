// Reading the range file into the limits of one board's results.

#include <algorithm>
#include <cmath>

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "selftest/CText.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3ProtocolLabels.h"
#include "selftest/T3Tester.h"
#include "selftest/TestIO.h"

namespace T3Protocol {

namespace {

using namespace TestResultsBlock;
using Protocol::MeasuredValue;

// Finds a label; its lines are then read from there.
bool Label(const char* label) {
  Strings::Assign(Protocol::CurrentLabel, CText(label));
  return Protocol::FindString(CText(label));
}

void ReadOne(TransferValues& v) { Protocol::ReadTransfer(v); }
void ReadOne(SpanValues& v) { Protocol::ReadSpan(v); }
void ReadOne(FrequencyResponseValues& v) { Protocol::ReadFQ(v); }
void ReadOne(RiseTimeValues& v) { Protocol::ReadRisetime(v); }
void ReadOne(ExponentialValues& v) { Protocol::ReadExponential(v); }

// A label and count group lines under it.
template <class Group>
void Block(const char* label, Group* groups, int count) {
  Label(label);
  for (int i = 0; i < count; ++i) ReadOne(groups[i]);
}

// A bare limit text on the label's line.
void SameLineValue(const char* label, MeasuredValue& value, double factor) {
  Label(label);
  Protocol::ReadRealValue(value, factor);
}

void SetDefaults(MeasuredValue& value) {
  value.Lower = Protocol::kNoLower;
  value.Upper = Protocol::kNoUpper;
}

// A bare limit text at the start of the next line.
void NextLineValue(MeasuredValue& value, double factor) {
  if (Protocol::ReadLine()) {
    Protocol::ReadRealValue(value, factor);
  } else {
    SetDefaults(value);
  }
}

// A key further on (this line or a later one), a bare limit text after it.
void KeyValue(const char* key, MeasuredValue& value, double factor) {
  Protocol::FindString(CText(key));
  Protocol::ReadRealValue(value, factor);
}

void GainSameLine(const char* label, MeasuredValue& value) {
  Label(label);
  Protocol::ReadGain(value, false);
}

// A whole number after the label into value; FALSE when there is none.
bool LabelledInteger(const char* label, double& value) {
  Label(label);
  if (Protocol::InPosition < 0) return false;
  return Protocol::ExtractValue(value, 1);
}

void ReadCCStepResponse(CurrentClampResults& cc) {
  SameLineValue("CCStepResponse", cc.CCStepResponse[0], 1);
  NextLineValue(cc.CCStepResponse[1], 1);
}

// The current-clamp lines of boards without tracking (and of the fast
// current-clamp option).
void ReadOldCC(CurrentClampResults& cc) {
  Block("CC FeedThru", &cc.CCFeedThru, 1);
  ReadCCStepResponse(cc);
  GainSameLine("CCVmon", cc.CCVmon);
  GainSameLine("CCStim", cc.CCStim[0]);
  Protocol::ReadGain(cc.CCStim[1], true);
  Protocol::ReadGain(cc.CCStim[2], true);
}

void ReadCurrentMonitor(CurrentMonitorResults& cm) {
  const int filters = T3Tester::LastF1Filter() + 1;
  Label("Filter1 Response");
  for (int i = 0; i < filters; ++i) {
    Protocol::ReadTransfer(cm.Filter1Transfer[i]);
    Protocol::ReadFQ(cm.Filter1Response[i]);
  }
  Block("Probe Offset Dac", &cm.ProbeOffsetDac, 1);
  Block("Slow Tau", cm.SlowTau, 4);
  Block("HF Comp", cm.HFComp, 3);
  GainSameLine("HF ", cm.HFGain);
  Block("Probe To IMon1", &cm.ProbeToIMon1, 1);
  Block("Output Amp", cm.OutputAmp, 6);
  Block("Output Amp Filter", cm.OutputAmpFilter, filters);
  Block("Filter 2", cm.Filter2, 3);
  Block("Clipping", &cm.Clipping, 1);
}

void ReadStimulusPath(StimulusPathResults& sp) {
  Block("Stim Buffer", &sp.StimBuffer, 1);
  Block("Stim Scaling", sp.StimScaling, 2);
  Block("Stim Dac And Filter", sp.StimDacAndFilter, 2);
  Block("Stim Filter", sp.StimFilter, 2);
  ReadOldCC(sp.CurrentClamp);
  Block("G-Leak", sp.GLeak, 2);
  SameLineValue("G-Leak FeedThru", sp.GLeakFeedThru, 1);
  Block("V-ref", &sp.Vref, 1);
  Block("Vp Offset Dac", &sp.VpOffsetDac, 1);
  Label("Stim to 10pF");
  Protocol::ReadGain(sp.StimTo10pF, true);
  Block("R Series", sp.RSeries, 4);
  Block("Rs comp tau", sp.RsCompTau, 2);
}

void ReadCFastCSlow(CFastCSlowResults& cf) {
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

void ReadExternal(ExternalResults& ext) {
  Block(" to Test Input", &ext.Connection[kTestInput], 1);
  Block(" to Stim Input", &ext.Connection[kStimInput], 1);
  // The report writes "ADC" here, the other labels "Adc".
  Strings::Assign(Protocol::CurrentLabel, "VMon to Adc");
  Protocol::FindStringIgnoringCase("VMon to Adc");
  Protocol::ReadTransfer(ext.Connection[kVMonToAdc]);
  Block("IMon1 to Adc", &ext.Connection[kIMon1ToAdc], 1);
  Block("IMon2 to Adc", &ext.Connection[kIMon2ToAdc], 1);
  Block("VMon to VMonAdc", &ext.Connection[kVMonToVMonAdc], 2);
  Block("IMon2 to IMonAdc", &ext.Connection[kIMon2ToIMonAdc], 1);
}

// Rounds a DAC test's number, clamped to the range of its value.
std::int32_t DacTestValue(double x) {
  return static_cast<std::int32_t>(std::lround(std::clamp(x, -2147483647.0, 2147483647.0)));
}

void ReadDacTests(DacTestResult (&tests)[kDacTests]) {
  for (int i = 0; i < kDacTests; ++i) {
    tests[i] = {0, false, true};
    double x = 0;
    if (LabelledInteger(kDacTestLabels[i], x)) {
      tests[i].Value = DacTestValue(x);
      tests[i].Passed = false;
    }
  }
}

void ReadProbe(ProbeTestResults& pr, NoiseTestResults& noiseTest) {
  static constexpr const char* kRanges[3] = {"low :", "med :", "high:"};
  Block("Input10M", &pr.Input10M, 1);
  Block("CMR", &pr.CMR, 1);
  Label("Offsets");
  for (int r = 0; r < 3; ++r) KeyValue(kRanges[r], pr.Offsets[r], 1);
  Label("ProbeOut");
  KeyValue("0V:", pr.ProbeOut[0], 0.001);
  KeyValue("5V:", pr.ProbeOut[1], 0.001);
  KeyValue("diff:", pr.ProbeOut[2], 0.001);
  Block("Test1pF", pr.Test1pF, 3);
  Block("Test10pF", pr.Test10pF, 3);
  Label("Noise");
  for (int r = 0; r < 3; ++r) {
    KeyValue(kRanges[r], pr.Noise[r][0], 1);
    for (int band = 1; band < 4; ++band) NextLineValue(pr.Noise[r][band], 1);
  }
  Label("NoiseTest");
  KeyValue("Noise20", noiseTest.Noise20, 1e-15);
  KeyValue("Noise100", noiseTest.Noise100, 1e-15);
}

void ReadTestResults(MuxTestResults& mux, SelfTestResults& st) {
  Block("MuxTransfer", mux.Transfer, 4);
  ReadCurrentMonitor(st.CurrentMonitor);
  Block("Mux Source", &st.Filter2.MuxSource, 1);
  Block("F2 Response", st.Filter2.F2Response, 6);
  Block("Offset Dac", &st.Filter2.OffsetDac, 1);
  Block("Out 1 pF", &st.Integrator.Out1pF, 1);
  Block("Out 10 pF", &st.Integrator.Out10pF, 1);
  Block("Auto Zero", &st.Integrator.AutoZero, 1);
  ReadStimulusPath(st.StimulusPath);
  ReadCFastCSlow(st.CFastCSlow);
  ReadExternal(st.External);
  ReadDacTests(st.DacTests);
  ReadProbe(st.Probe, st.NoiseTest);
  st.TriggerCheck = {false, false};
  st.DigitalIOCheck = {false, false};
}

// "CCTrackMax": the last tracking tau to test, 5 when the number is
// missing; clamped to the six values the results hold.
std::uint8_t ReadCCTrackMax() {
  double x = kCCTrackingValues - 1;
  if (!LabelledInteger("CCTrackMax", x)) return kCCTrackingValues - 1;
  const double clamped = std::clamp(x, 0.0, double(kCCTrackingValues - 1));
  const auto last = static_cast<std::uint8_t>(std::lround(clamped));
  if (clamped != x) {
    char line[Protocol::kLineSize] = "WARNING: \"CCTrackMax\" lies beyond 0 to 5; ";
    Strings::Concat(line, last == 0 ? "0" : "5");
    Strings::Concat(line, " is taken.");
    Protocol::ConsoleLine(line);
  }
  return last;
}

void ReadTrueCC(SelfTestResults& st) {
  CurrentClampResults& cc = st.StimulusPath.CurrentClamp;
  Label("TrueCC");
  GainSameLine("HF ", st.CurrentMonitor.HFGain);
  Block("CC FeedThru", &cc.CCFeedThru, 1);
  ReadCCStepResponse(cc);
  Block("CCGains", cc.CCGains, 4);
  cc.CCTrackMax = ReadCCTrackMax();
  for (MeasuredValue& value : cc.CCTracking) value = {0, 0, 0};
  SameLineValue("CCTracking", cc.CCTracking[0], 1);
  for (int i = 1; i <= cc.CCTrackMax; ++i) NextLineValue(cc.CCTracking[i], 1);
  Block("TestDac-S&H", st.External.SampleAndHoldStep, 2);
  for (SpanValues& span : st.External.SampleAndHoldFeedThru) Protocol::ReadSpan(span);
  Block("ExtCCStim", &st.External.Connection[kExtCCStim], 1);
}

const char* RiseTimeLabel() {
  switch (T3Base::ADBoard) {
    case 0: return "TLV3-F1_100kHz_Risetime";
    case 1: return "TLV4plus-F1_100kHz_Risetime";
    case 2: return "TLV4-F1_100kHz_Risetime";
    case 3: return "TLV4USB-F1_100kHz_Risetime";
    default: return "F1_100kHz_Risetime";
  }
}

void ReadModifications(SelfTestResults& st) {
  if (!Protocol::FindBeginning("Modifications:",
                               "ERROR (6) reading range file: Modifications not found.")) {
    return;
  }
  std::int32_t position = 0;
  const bool positioned = Protocol::GetInputPosition(position);
  const bool savedError = Protocol::FileError;
  const std::uint16_t hardware = T3Base::HardwareVersion;
  if (hardware & 0x8) {
    Label("FastCC");
    ReadOldCC(st.StimulusPath.CurrentClamp);
  }
  if (hardware & 0x100) ReadTrueCC(st);
  if (hardware & 0x4000) {
    Block("V-ref_x2", &st.StimulusPath.VrefX2, 1);
    Block("VmonFilter", &st.Filter2.VmonFilter, 1);
  }
  st.CCClippingCheck = {false, false};
  Block(RiseTimeLabel(), &st.CurrentMonitor.Filter1RiseTime, 1);
  if (T3Panel::HasRefGainTrim()) {
    MeasuredValue (&trim)[4] = st.Probe.RefGainTrim.Value;
    SameLineValue("RefGainTrimDac", trim[2], 1);
    NextLineValue(trim[3], 1);
    SameLineValue("RefGainTrimSpan", trim[0], 1);
    NextLineValue(trim[1], 1);
  }
  Protocol::FileError = savedError;
  if (!positioned || !Protocol::SetInputPosition(position)) Protocol::FileError = true;
}

void ReadCFastTable() {
  struct Line {
    const char* key;
    MeasuredValue* value;
  };
  const Line lines[] = {{"10 kHz", &T3MakeAuto::Nominal.Med10kHz},
                        {"30 kHz", &T3MakeAuto::Nominal.Med30kHz},
                        {"30 kHz", &T3MakeAuto::Nominal.High30kHz}};
  Strings::Assign(Protocol::CurrentLabel, "CFast Table:");
  for (const Line& line : lines) {
    SetDefaults(*line.value);
    if (Protocol::ReadLine()) Protocol::GetMinMax(CText(line.key), *line.value, 1);
  }
}

// Only the upper limits are used: the allowed peak deviations of the
// medium and high ranges.
void ReadHFCal(std::span<HFRangeResult, kHFRanges> hf) {
  Strings::Assign(Protocol::CurrentLabel, "HFCal:");
  static constexpr const char* kKeys[] = {"med", "high"};
  for (int i = 0; i < 2; ++i) {
    MeasuredValue limit{0, Protocol::kNoLower, Protocol::kNoUpper};
    if (Protocol::ReadLine() && Protocol::GetMinMax(CText(kKeys[i]), limit, 1)) {
      hf[i + 1].MaxDeviation = limit.Upper;
    }
  }
}

// The name without its folder.
std::span<const char> BaseName(std::span<const char> name) {
  const int length = Strings::Length(name);
  int start = length;
  while (start > 0 && name[start - 1] != '/') --start;
  return name.subspan(start);
}

// The version line is missing: the operator decides whether to go on.
bool AcceptOtherVersion(std::span<const char> fileName) {
  TestIO::WriteString(" failed.");
  TestIO::WriteLn();
  Protocol::ConsoleLine("ERROR (5): invalid range file version!");
  char line[512] = "   file: \"";
  Strings::Concat(line, BaseName(fileName));
  Strings::Concat(line, "\"   Tester ");
  Strings::Concat(line, T3Tester::RangeVersion);
  Protocol::ConsoleLine(line);
  Alert::Beep();
  char question[512] = "ERROR (5): Invalid Version in \"";
  Strings::Concat(question, fileName);
  Strings::Concat(question, "\".");
  Strings::Concat(question, Alert::LF);
  Strings::Concat(question, "Load anyway?");
  if (!Alert::YesNo(question, false)) {
    Protocol::FileError = true;
    Protocol::CloseInFile();
    return false;
  }
  Protocol::FileError = false;
  Protocol::InputBuffer[0] = 0;
  return Protocol::SetInputPosition(0);
}

bool Failed() {
  TestIO::WriteString(" failed.");
  return false;
}

bool Read(std::span<const char> fileName, MuxTestResults& mux, SelfTestResults& st,
          std::span<HFRangeResult, kHFRanges> hf) {
  if (ADMeasure::TestWriteMode != 0) {
    TestIO::WriteLn();
    TestIO::WriteString("Reading '");
    TestIO::WriteString(fileName);
    TestIO::WriteString("'...");
  }
  if (!Protocol::OpenInFile(fileName)) return Failed();
  if (!Protocol::FindString(T3Tester::RangeVersion) && !AcceptOtherVersion(fileName)) {
    return false;
  }
  if (!Protocol::FindBeginning("CFast Table:", "ERROR (1) reading range file.")) return Failed();
  ReadCFastTable();
  if (!Protocol::FindBeginning("HFCal:", "ERROR (2) reading range file.")) return Failed();
  ReadHFCal(hf);
  if (!Protocol::FindBeginning("Test Results:", "ERROR (3) reading range file.")) {
    return Failed();
  }
  ReadTestResults(mux, st);
  ReadModifications(st);
  Protocol::ReadCalibFactors();
  if (!Protocol::FindBeginning("END of SELFTEST",
                               "ERROR (4) reading range file: end string not found!")) {
    return Failed();
  }
  Protocol::CloseInFile();
  if (Protocol::FileError) return Failed();
  TestIO::WriteString(" successful.");
  return true;
}

}  // namespace

bool ReadProtocol(std::span<const char> fileName, MuxTestResults& mux, SelfTestResults& selfTest,
                  std::span<HFRangeResult, kHFRanges> hf) {
  selfTest.RangeFileRead = Read(fileName, mux, selfTest, hf);
  return selfTest.RangeFileRead;
}

void FillInfo(SelfTestResults& selfTest) {
  Identification& info = selfTest.Info;
  Strings::Assign(info.Title, T3Base::Title);
  Strings::Assign(info.SerialNumber, T3Base::SerialNumber);
  info.BoardNumber = T3Types::State.Board + 1;
  info.AmplKind = T3Base::AmplKind;
  info.BoardVersion = T3Base::BoardVersion;
  info.Selector = T3Types::State.Selector;
  info.MultiBoard = T3Types::State.T3Boards > 1;
  info.TetralRack = T3Types::State.IsTetral;
  info.Tested = false;
}

}  // namespace T3Protocol
