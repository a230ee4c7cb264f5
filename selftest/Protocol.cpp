// The report side of Protocol: module state, routing, the line buffer,
// number formats, the value and group writers and the report file.

#include "selftest/Protocol.h"

#include <memory>

#include "foundation/Decode.h"
#include "foundation/FileReplace.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "selftest/CText.h"
#include "foundation/TermIO.h"
#include "selftest/TestIO.h"
#include "shell/MacEnv.h"

namespace Protocol {

std::int32_t TestErrors = 0;
bool DoCompare = true;
bool ShowLimits = true;
bool Buffering = false;
bool ErrorsOnly = false;
bool WriteToFile = false;
bool WriteToPrinter = false;
bool FileError = false;
char TesterName[81] = "";
void (*WriteStateProc)() = DummyWriteState;
char CurrentLabel[kLineSize] = "";

char OutputBuffer[kBufferLines][kLineSize] = {};
bool Failed[kBufferLines] = {};
std::int32_t OutputIndex = 0;

namespace {

// The report file being written; nil while none is open.
std::unique_ptr<FileReplace::Replacement> outFile;

void EmptyBuffer() {
  for (int i = 0; i < kBufferLines; ++i) {
    OutputBuffer[i][0] = 0;
    Failed[i] = false;
  }
  OutputIndex = 0;
}

// The next buffered line, cleared; line 31 is reused.
void NextBufferedLine() {
  if (OutputIndex < kBufferLines - 1) ++OutputIndex;
  OutputBuffer[OutputIndex][0] = 0;
}

void WriteOut(int line) {
  TestIO::WriteLine(OutputBuffer[line]);
  if (!WriteToFile) return;
  std::int32_t count = Strings::Length(OutputBuffer[line]);
  if (!IOBytes::WriteLine(outFile->handle, count, OutputBuffer[line])) {
    FileError = true;
    WriteToFile = false;
  }
}

void FlushOut(bool errorsOnly) {
  if (!Buffering) return;
  if (errorsOnly) {
    bool anyFailed = false;
    for (int i = 1; i <= OutputIndex; ++i) anyFailed = anyFailed || Failed[i];
    if (anyFailed) {
      for (int i = 1; i <= OutputIndex; ++i) {
        if (i <= 2 || Failed[i]) WriteOut(i);
      }
    }
  } else {
    for (int i = 1; i <= OutputIndex; ++i) WriteOut(i);
  }
  OutputIndex = 0;
  OutputBuffer[0][0] = 0;
  Failed[0] = false;
}

// How one member of a group is written and how its limits are.
struct MemberFormat {
  const char* label;
  const char* name;
  double factor;
  int width;
  int digits;
  const char* limitLabel;
  int limitWidth;
  int limitDigits;
};

template <std::size_t N>
void WriteGroup(const MemberFormat (&formats)[N], const MeasuredValue* const (&members)[N]) {
  WriteLn();
  for (std::size_t i = 0; i < N; ++i) {
    const MemberFormat& f = formats[i];
    PutAndCompare(CText(f.label), CText(f.name), *members[i], f.factor, f.width, f.digits);
  }
  if (!Failed[OutputIndex]) return;
  WriteFailed();
  if (!ShowLimits) return;
  WriteLn();
  for (std::size_t i = 0; i < N; ++i) {
    const MemberFormat& f = formats[i];
    WriteLimits(CText(f.limitLabel), *members[i], f.factor, f.limitWidth, f.limitDigits, "");
  }
  MarkFailed();
}

void WriteSingle(std::span<const char> label, std::span<const char> name,
                 const MeasuredValue& value, double factor, int width, int digits) {
  PutAndCompare(label, name, value, factor, width, digits);
  if (!Failed[OutputIndex]) return;
  if (ShowLimits) WriteLimits(" (", value, factor, width, digits, ") ");
  WriteFailed();
}

}  // namespace

void DummyWriteState() {}

void InitModule() {
  if (outFile) outFile.reset();
  TestErrors = 0;
  DoCompare = true;
  ShowLimits = true;
  Buffering = false;
  ErrorsOnly = false;
  WriteToFile = false;
  WriteToPrinter = false;
  FileError = false;
  TesterName[0] = 0;
  WriteStateProc = DummyWriteState;
  CurrentLabel[0] = 0;
  EmptyBuffer();
  CloseInFile();
  InputBuffer[0] = 0;
  InPosition = 0;
}

void WriteString(std::span<const char> text) {
  if (Buffering) {
    Strings::Concat(OutputBuffer[OutputIndex], text);
  } else {
    TestIO::WriteString(text);
  }
}

void WriteLn() {
  if (Buffering) {
    NextBufferedLine();
  } else {
    TestIO::WriteLn();
  }
  Failed[OutputIndex] = false;
}

void WriteLine(std::span<const char> text) {
  WriteLn();
  WriteString(text);
}

void Save(int count, std::span<const char> text) {
  Strings::Concat(OutputBuffer[OutputIndex], text);
  for (int i = 0; i < count; ++i) {
    NextBufferedLine();
    Failed[OutputIndex] = false;
  }
}

void WriteReal(double x, int width, int digits, bool trim) {
  char text[kLineSize] = "";
  if (digits >= 0) {
    Decode::Fixed(x, text, width, digits);
  } else if (-digits + 7 <= width) {
    char number[kLineSize] = "";
    Decode::Scientific(x, number, -digits + 7);
    for (int i = Strings::Length(number); i < width && i < kLineSize - 1; ++i) {
      Strings::Concat(text, " ");
    }
    Strings::Concat(text, number);
  } else {
    for (int i = 0; i < width && i < kLineSize - 1; ++i) Strings::Concat(text, "*");
  }
  if (trim) Strings::TrimLeading(text, ' ');
  WriteString(text);
}

void Flush() { FlushOut(ErrorsOnly); }

void PutText(std::span<const char> text) {
  Flush();
  WriteLn();
  WriteString(text);
}

void PutString(std::span<const char> text) {
  Flush();
  WriteLn();
  WriteLn();
  WriteString(text);
}

bool OpenOutFile(std::span<const char> name) {
  if (outFile) CloseOutFile();
  EmptyBuffer();
  outFile = std::make_unique<FileReplace::Replacement>();
  const bool opened = FileReplace::Begin(name, nullptr, *outFile);
  if (!opened) outFile.reset();
  WriteToFile = opened;
  FileError = !opened;
  return opened;
}

void CloseOutFile() {
  if (outFile) {
    WriteLn();
    FlushOut(false);
    // A write that failed stopped file output: the report in the file is
    // not whole, so the old file stays.
    if (WriteToFile && !FileReplace::Commit(*outFile)) FileError = true;
    outFile.reset();
  }
  WriteToFile = false;
  EmptyBuffer();
}

void WriteHeader(bool created, std::span<const char> line1, std::span<const char> line2,
                 std::span<const char> title) {
  if (!WriteToFile && !WriteToPrinter) return;
  Save(2, "");
  if (Strings::Length(line1) > 0) Save(1, line1);
  if (Strings::Length(line2) > 0) Save(1, line2);
  Save(0, "Test Protocol - ");
  Save(1, title);
  char date[kLineSize] = "";
  RealTime::ToDate(RealTime::GetTime(), date, true, true);
  Save(0, "Date - ");
  Save(1, date);
  if (Strings::Length(TesterName) > 0) {
    Save(0, "Tested by: ");
    Save(1, TesterName);
  }
  if (created) {
    Save(0, "Created by ");
    Save(1, MacEnv::Version);
  } else {
    static constexpr char kLegend[][kLineSize] = {
        "Units:    Gain    : dimensionless ratio",
        "          Offset  : mV",
        "          Noise   : mV rms",
        "          Max     : maximum range in mV",
        "          Min     : minimum range in mV",
        "          Offset  : offset from zero in mV at mid-range",
        "          Noise   : mV rms",
        "          Fo      : Hz",
        "          Q       : dimensionless",
        "          Tau     : micro-seconds",
        "          Amp     : ",
        "          Base    : ",
    };
    Save(1, "");
    for (const auto& line : kLegend) Save(1, line);
  }
  FlushOut(false);
}

void PutAndCompare(std::span<const char> label, std::span<const char> name,
                   const MeasuredValue& value, double factor, int width, int digits) {
  if (ErrorsOnly && value.Value == 0.0) return;
  WriteString(label);
  // Written so that a value that is not a number fails as well.
  const bool failed = DoCompare && !(value.Value >= value.Lower && value.Value <= value.Upper);
  if (failed) {
    MarkFailed();
    char capitals[kLineSize] = "";
    Strings::Capitalize(name, capitals);
    TermIO::SetHighlight(true);
    WriteString(capitals);
    ++TestErrors;
  } else {
    WriteString(name);
  }
  WriteReal(factor * value.Value, width, digits, false);
  TermIO::SetHighlight(false);
}

void WriteLimits(std::span<const char> label, const MeasuredValue& value, double factor,
                 int width, int digits, std::span<const char> closing) {
  WriteString(label);
  WriteReal(factor * value.Lower, width, digits, true);
  WriteString("/");
  WriteReal(factor * value.Upper, width, digits, true);
  WriteString(closing);
}

void WriteFailed() {
  if (!ErrorsOnly) {
    WriteString("  ");
    TermIO::SetHighlight(true);
    WriteString("FAILED");
  }
  TermIO::SetHighlight(false);
}

void WriteRealScaled(std::span<const char> label, const MeasuredValue& value, double factor,
                     int width, int digits) {
  WriteSingle(label, "", value, factor, width, digits);
}

void WriteRealValue(const MeasuredValue& value) { WriteSingle("", "", value, 1, 12, -3); }

void WriteGain(const MeasuredValue& value) { WriteSingle(" ", "Gain", value, 1, 9, 3); }

void WriteTransfer(const TransferValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Gain", 1, 9, 3, " Gain ", 9, 3},
      {"    ", "Offset", 1000, 9, 2, "  Offset ", 9, 2},
      {"    ", "Noise", 1000, 7, 2, "  Noise ", 9, 2},
  };
  WriteGroup(kFormats, {&v.Gain, &v.Offset, &v.Noise});
}

void WriteOffsetDac(const OffsetDacValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Dac", 1, 9, 2, " Dac ", 9, 3},
      {"    ", "Offset", 1000, 9, 2, "  Offset ", 9, 2},
      {"    ", "Noise", 1000, 7, 2, "  Noise ", 7, 2},
  };
  WriteGroup(kFormats, {&v.Dac, &v.Offset, &v.Noise});
}

void WriteSpan(const SpanValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Min ", 1000, 8, 1, " Min ", 8, 1},
      {"   ", "Max ", 1000, 8, 1, "  Max ", 8, 1},
      {"   ", "Offset ", 1000, 9, 2, "  Offset ", 9, 2},
      {"   ", "Noise", 1000, 7, 2, "  Noise ", 8, 2},
  };
  WriteGroup(kFormats, {&v.Minimum, &v.Maximum, &v.Offset, &v.Noise});
}

void WriteFQ(const FrequencyResponseValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Fo", 1, 11, -3, " Fo ", 11, -3},
      {"    ", " Q", 1, 7, 2, "    Q ", 7, 2},
  };
  WriteGroup(kFormats, {&v.Fo, &v.Q});
}

void WriteRisetime(const RiseTimeValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Amp", 1, 7, 3, " Amp ", 11, -3},
      {"    ", " y1", 1, 7, 3, "    y1 ", 11, -3},
      {"    ", " y2", 1, 7, 3, "    y2 ", 11, -3},
      {"    ", " y3", 1, 7, 3, "    y3 ", 11, -3},
  };
  WriteGroup(kFormats, {&v.Amp, &v.Y1, &v.Y2, &v.Y3});
}

void WriteExponential(const ExponentialValues& v) {
  static constexpr MemberFormat kFormats[] = {
      {" ", "Tau", 1e6, 9, 2, " Tau ", 9, 2},
      {"   ", "Amp", 1, 9, 2, "  Amp ", 9, 2},
      {"   ", "Base", 1, 9, 2, "  Base ", 9, 2},
  };
  WriteGroup(kFormats, {&v.Tau, &v.Amp, &v.Base});
}

void WriteBool(std::span<const char> text, const CheckResult& check, bool blankLine) {
  if (!check.Performed) return;
  Flush();
  if (blankLine) WriteLn();
  WriteLn();
  WriteString(text);
  if (check.Passed) {
    WriteString(" is OK");
  } else {
    ++TestErrors;
    WriteFailed();
    MarkFailed();
  }
}

void MarkFailed() { Failed[OutputIndex] = true; }

void WriteErrorNumber() {
  if (!DoCompare) return;
  if (TestErrors < 1) {
    PutString("No error conditions found.");
    return;
  }
  char text[kLineSize] = "Failed parameters: ";
  Decode::Integer(TestErrors, text, 0);
  PutString(text);
}

}  // namespace Protocol
