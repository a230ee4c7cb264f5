#include "potentiostat/K5Protocol.h"

#include <cstring>
#include <string_view>

#include "acquisition/ADMeasure.h"
#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"

namespace K5Protocol {

ResultsRecord Results;

namespace {

std::span<const char> Text(std::string_view text) { return {text.data(), text.size()}; }

// One pass over the sections in file order; the writer and the reader are
// its two visitors, so both keep the same order by construction.
class Visitor {
 public:
  virtual ~Visitor() = default;
  virtual void Section(std::string_view keyword) = 0;
  virtual void Transfer(TransferValues& values) = 0;
  virtual void OffsetDac(OffsetDacValues& values) = 0;
  virtual void Frequency(ExponentialValues& tau, FrequencyResponseValues& corner) = 0;
  virtual void Value(MeasuredValue& value) = 0;
  // A value on a line of its own after a label; the reader finds it by key.
  virtual void Labelled(std::string_view label, std::string_view key, MeasuredValue& value) = 0;
};

template <typename Group, std::size_t N>
void Transfers(Visitor& visitor, Group (&groups)[N]) {
  for (Group& group : groups) visitor.Transfer(group);
}

template <std::size_t N>
void OffsetDacs(Visitor& visitor, OffsetDacValues (&groups)[N]) {
  for (OffsetDacValues& group : groups) visitor.OffsetDac(group);
}

template <std::size_t N>
void Frequencies(Visitor& visitor, ExponentialValues (&taus)[N], FrequencyResponseValues (&corners)[N]) {
  for (std::size_t i = 0; i < N; ++i) visitor.Frequency(taus[i], corners[i]);
}

void Single(Visitor& visitor, std::string_view keyword, MeasuredValue& value) {
  visitor.Section(keyword);
  visitor.Value(value);
}

// The ranges the State's version supports, clipped to the record.
template <typename Each>
void SupportedRanges(Each each) {
  const char version = PKTypes::State.Version;
  const int last = std::min<int>(K5Panel::MinCurrentRange(version), kCurrentRanges - 1);
  for (int range = K5Panel::MaxCurrentRange(version); range <= last; ++range) each(range);
}

void VisitSections(Visitor& visitor) {
  ResultsRecord& r = Results;
  visitor.Section("MuxTransfer");
  Transfers(visitor, r.MuxTransfer);
  visitor.Labelled("10VRef", "10VRef", r.TenVRef);
  visitor.Section("InitDacFactor");
  Transfers(visitor, r.InitDacFactor);
  visitor.Section("InitSubtrDacFactor");
  Transfers(visitor, r.InitSubtrDacFactor);
  visitor.Section("StimScale");
  Transfers(visitor, r.StimScale);
  visitor.Section("StimFilter");
  Transfers(visitor, r.StimFilter);
  visitor.Section("StimFilterFreq");
  Frequencies(visitor, r.StimFilterTau, r.StimFilterFreq);
  Single(visitor, "InternalGround", r.InternalGround);
  visitor.Section("WorkingElectrodeOffsetDac");
  OffsetDacs(visitor, r.WorkingElectrodeOffsetDac);
  visitor.Section("CurrentOutputAmplifier");
  Transfers(visitor, r.CurrentOutputAmplifier);
  visitor.Section("CurrentOutFactor");
  SupportedRanges([&](int range) { visitor.Transfer(r.CurrentOutFactor[range]); });
  visitor.Section("CurrentOffsetDac");
  SupportedRanges([&](int range) { visitor.OffsetDac(r.CurrentOffsetDac[range]); });
  visitor.Section("VoltageOutputAmplifier");
  Transfers(visitor, r.VoltageOutputAmplifier);
  visitor.Section("OffsetVoltageAmplifierDac");
  OffsetDacs(visitor, r.OffsetVoltageAmplifierDac);
  visitor.Section("CurrentFilter");
  Transfers(visitor, r.CurrentFilter);
  visitor.Section("CurrentFilterFreq");
  Frequencies(visitor, r.CurrentFilterTau, r.CurrentFilterFreq);
  visitor.Section("VoltageFilter");
  Transfers(visitor, r.VoltageFilter);
  visitor.Section("VoltageFilterFreq");
  Frequencies(visitor, r.VoltageFilterTau, r.VoltageFilterFreq);
  Single(visitor, "InitDacOffset", r.InitDacOffset);
  Single(visitor, "SubtrDacOffset", r.SubtrDacOffset);
  Single(visitor, "CoAmpOffsetPerUnit", r.CoAmpOffsetPerUnit);
  visitor.Section("ControlAmpOffsetDac_Pot");
  OffsetDacs(visitor, r.ControlAmpOffsetDac[0]);
  visitor.Section("ControlAmpOffsetDac_Gal");
  OffsetDacs(visitor, r.ControlAmpOffsetDac[1]);
  visitor.Section("ControlAmplifierFreq");
  Frequencies(visitor, r.ControlAmplifierTau, r.ControlAmplifierFreq);
  visitor.Section("ClampGain");
  Transfers(visitor, r.ClampGain);
  visitor.Section("IRCompGain");
  Transfers(visitor, r.IRCompGain);
  Single(visitor, "IRCompFixOffset", r.IRCompFixOffset);
  visitor.Section("SubtrDacFactor");
  for (auto& row : r.SubtrDacFactor) {
    visitor.Labelled("   Feedback = 50Ohm ", "50Ohm ", row[0]);
    visitor.Labelled("   Feedback = 5kOhm ", "5kOhm ", row[1]);
    visitor.Labelled("   Feedback = 500kOhm ", "500kOhm ", row[2]);
  }
  Single(visitor, "CMR1", r.CMR1);
  Single(visitor, "CMR2", r.CMR2);
  Single(visitor, "MeasuredVoltOffDac", r.MeasuredVoltOffDac);
  Single(visitor, "OCPOffsetDac", r.OCPOffsetDac);
}

class Writer final : public Visitor {
 public:
  void Section(std::string_view keyword) override { Protocol::PutString(Text(keyword)); }
  void Transfer(TransferValues& values) override { Protocol::WriteTransfer(values); }
  void OffsetDac(OffsetDacValues& values) override { Protocol::WriteOffsetDac(values); }
  void Frequency(ExponentialValues& tau, FrequencyResponseValues& corner) override {
    Protocol::WriteExponential(tau);
    Protocol::WriteFQ(corner);
  }
  void Value(MeasuredValue& value) override { Protocol::WriteRealValue(value); }
  void Labelled(std::string_view label, std::string_view, MeasuredValue& value) override {
    Protocol::WriteLn();
    Protocol::WriteString(Text(label));
    Protocol::WriteRealValue(value);
  }
};

class Reader final : public Visitor {
 public:
  void Section(std::string_view keyword) override { Protocol::FindString(Text(keyword)); }
  void Transfer(TransferValues& values) override { Protocol::ReadTransfer(values); }
  void OffsetDac(OffsetDacValues& values) override { Protocol::ReadOffsetDac(values); }
  void Frequency(ExponentialValues& tau, FrequencyResponseValues& corner) override {
    Protocol::ReadExponential(tau);
    Protocol::ReadFQ(corner);
  }
  void Value(MeasuredValue& value) override { Protocol::ReadRealValue(value, 1); }
  void Labelled(std::string_view, std::string_view key, MeasuredValue& value) override {
    Protocol::FindString(Text(key));
    Protocol::ReadRealValue(value, 1);
  }
};

bool TestOutput() { return ADMeasure::TestWriteMode != 0; }

void ConsoleFailed() { TermIO::WriteLine(" failed."); }

}  // namespace

void InitModule() { std::memset(&Results, 0, sizeof Results); }

void FillInfo() {
  const PKTypes::PKState& state = PKTypes::State;
  Strings::Assign(Results.BoardName, {state.Name, sizeof state.Name});
  std::memset(Results.SerialNumber, 0, sizeof Results.SerialNumber);
  std::memcpy(Results.SerialNumber, state.SerialNumber, sizeof state.SerialNumber);
  Results.Version = state.Version;
  Results.Reserved = 0;
}

void MakeRangeVersion(std::span<char> text) {
  Strings::Assign(text, "Version ");
  Strings::Concat(text, "1.0");
}

void WriteHeader(bool reportMode) {
  char title[80] = {};
  Strings::Assign(title, Results.BoardName);
  Strings::Concat(title, " Serial # ");
  if (Results.SerialNumber[0] == 0) {
    Strings::Concat(title, "............");
  } else {
    Strings::Concat(title, Results.SerialNumber);
  }
  Strings::Concat(title, " - ");
  const char version[2] = {Results.Version, 0};
  Strings::Concat(title, version);
  char versionText[80] = {};
  MakeRangeVersion(versionText);
  Protocol::WriteHeader(reportMode, title, "", versionText);
}

bool Write(std::span<const char> fileName, bool toPrinter, bool reportMode, int) {
  Protocol::TestErrors = 0;
  Protocol::Buffering = true;
  Protocol::WriteToPrinter = toPrinter;
  const bool toFile = Strings::Length(fileName) > 0;
  if (toFile) Protocol::OpenOutFile(fileName);
  WriteHeader(reportMode);
  if (!reportMode) {
    Protocol::WriteLn();
    Protocol::Save(1, "Test Results:");
  }
  Writer writer;
  VisitSections(writer);
  Protocol::WriteLn();
  K5Measure::WriteCalibrationParameters();
  if (!reportMode) {
    Protocol::WriteLn();
    Protocol::Save(1, "END of SELFTEST");
    Protocol::WriteLn();
  }
  Protocol::WriteErrorNumber();
  Protocol::WriteLn();
  Protocol::Flush();
  if (toFile) Protocol::CloseOutFile();
  Protocol::Buffering = false;
  Protocol::WriteToPrinter = false;
  return !Protocol::FileError;
}

bool Read(std::span<const char> fileName) {
  char versionText[80] = {};
  MakeRangeVersion(versionText);
  if (TestOutput()) {
    TermIO::WriteLn();
    TermIO::WriteString("Reading '");
    TermIO::WriteString(fileName);
    TermIO::WriteString("'...");
  }
  Protocol::OpenInFile(fileName);
  if (Protocol::FileError) {
    if (TestOutput()) ConsoleFailed();
    return false;
  }
  Protocol::FindString(versionText);
  if (Protocol::InPosition < 0) {
    ConsoleFailed();
    TermIO::WriteLine("ERROR (5): invalid range file version!");
    TermIO::WriteString("       Tester ");
    TermIO::WriteString(versionText);
    TermIO::WriteLn();
    Alert::Beep();
    const bool anyway = Alert::YesNo("ERROR (5): Invalid Range File Version!  Load anyway?", false);
    Protocol::CloseInFile();
    if (!anyway) {
      Protocol::FileError = true;
      return false;
    }
    // The version search read to the end (a file error there): the sections
    // are read from the start again.
    Protocol::FileError = false;
    if (!Protocol::OpenInFile(fileName)) {
      ConsoleFailed();
      return false;
    }
  }
  if (!Protocol::FindBeginning("Test Results:", "ERROR (1) reading range file.")) {
    ConsoleFailed();
    return false;
  }
  Reader reader;
  VisitSections(reader);
  if (!Protocol::FindBeginning("END of SELFTEST", "ERROR (2) reading range file: end string not found!")) {
    ConsoleFailed();
    return false;
  }
  Protocol::CloseInFile();
  if (Protocol::FileError) {
    ConsoleFailed();
  } else if (TestOutput()) {
    TermIO::WriteLine(" successful.");
  }
  return !Protocol::FileError;
}

}  // namespace K5Protocol
