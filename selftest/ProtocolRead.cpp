// The reading side of Protocol: lines, keys, numbers, limit texts,
// the group readers and the board's correction factors.

#include <cmath>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "dialogs/Alert.h"
#include "foundation/Encode.h"
#include "foundation/Strings.h"
#include "selftest/CText.h"
#include "foundation/TermIO.h"
#include "selftest/Protocol.h"

namespace Protocol {

char InputBuffer[kLineSize] = "";
std::int32_t InPosition = 0;

namespace {

IOBytes::FileHandle inHandle;
// The key whose limit text is being read, for the warnings.
char currentKey[kLineSize] = "";

bool IsBlank(int position) { return position < kLineSize && InputBuffer[position] == ' '; }

int SkipBlanks(int position) {
  while (IsBlank(position)) ++position;
  return position;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class Number { Refused, Kept, Read };

// One number at the read position (see ExtractValue); the position ends
// behind what was read.
Number ExtractNumber(double& x, double factor) {
  if (InPosition < 0) return Number::Refused;
  int p = SkipBlanks(InPosition);
  if (p >= kLineSize) {
    InPosition = p;
    return Number::Refused;
  }
  char text[kLineSize] = "";
  int length = 0;
  bool negative = false;
  bool exponent = false;
  for (; p < kLineSize; ++p) {
    const char c = InputBuffer[p];
    if (c == '?') {
      while (p < kLineSize && InputBuffer[p] == '?') ++p;
      InPosition = p;
      return p < kLineSize ? Number::Kept : Number::Refused;
    }
    if (c == 'E' || c == 'e') {
      exponent = true;
      text[length++] = 'E';
    } else if (c == '-' && !exponent) {
      negative = true;
    } else if (c == '+' || c == '.' || c == '-' || IsDigit(c)) {
      text[length++] = c;
    } else {
      break;
    }
  }
  InPosition = p;
  if (length == 0 || length >= kLineSize) return Number::Refused;
  text[length] = 0;
  double number = 0;
  if (Encode::Real(text, number) >= 0) return Number::Refused;
  number *= factor;
  if (negative) number = -number;
  if (!std::isfinite(number)) return Number::Refused;
  x = number;
  return Number::Read;
}

}  // namespace

void ConsoleLine(std::span<const char> text) {
  TermIO::Flush();
  TermIO::WriteLine(text);
}

namespace {

void WarnRefused() {
  char line[3 * kLineSize] = "WARNING: limits under \"";
  Strings::Concat(line, CurrentLabel);
  Strings::Concat(line, "\"");
  if (currentKey[0] != 0) {
    Strings::Concat(line, " at \"");
    Strings::Concat(line, currentKey);
    Strings::Concat(line, "\"");
  }
  Strings::Concat(line, " not readable; any value passes.");
  ConsoleLine(line);
}

// The separator of a tolerance: '#' or a plus-minus sign in one of its
// codes. Its length, 0 when there is none.
int ToleranceSign(int p) {
  const auto c = static_cast<unsigned char>(InputBuffer[p]);
  if (c == '#' || c == 0xB1 || c == 0xF1) return 1;
  if (c == 0xC2 && p + 1 < kLineSize && static_cast<unsigned char>(InputBuffer[p + 1]) == 0xB1) {
    return 2;
  }
  return 0;
}

// The limit text at the read position into lower and upper (which hold
// the limits as they stand); FALSE when it cannot be read.
bool ReadLimitText(double& lower, double& upper, double factor) {
  const char first = InputBuffer[InPosition];
  if (first == '<') {
    ++InPosition;
    double v = upper;
    if (ExtractNumber(v, factor) == Number::Refused) return false;
    upper = std::fabs(v);
    lower = -upper;
    return true;
  }
  if (first == '>') {
    ++InPosition;
    return ExtractNumber(lower, factor) != Number::Refused;
  }
  const bool startsNumber = first == '+' || first == '-' || first == '.' || first == '?' ||
                            first == 'E' || first == 'e' || IsDigit(first);
  if (!startsNumber || ExtractNumber(lower, factor) == Number::Refused) return false;
  const int p = SkipBlanks(InPosition);
  if (p >= kLineSize - 1) return false;
  if (const int sign = ToleranceSign(p); sign > 0) {
    InPosition = p + sign;
    double t = 0;
    const Number tolerance = ExtractNumber(t, 1);
    if (tolerance == Number::Refused) return false;
    const bool relative = InPosition < kLineSize && InputBuffer[InPosition] == '%';
    if (relative) ++InPosition;
    if (tolerance == Number::Read && relative) {
      upper = lower * (1 + t / 100);
      lower = lower * (1 - t / 100);
    } else if (tolerance == Number::Read) {
      upper = lower + factor * t;
      lower = lower - factor * t;
    }
  } else if (InputBuffer[p] == '/') {
    InPosition = p + 1;
    if (ExtractNumber(upper, factor) == Number::Refused) return false;
  } else {
    return false;
  }
  if (lower > upper) std::swap(lower, upper);
  return true;
}

void SetNoLimits(MeasuredValue& value) {
  value.Lower = kNoLower;
  value.Upper = kNoUpper;
}

struct Key {
  const char* key;
  double factor;
};

template <std::size_t N>
bool ReadGroup(const Key (&keys)[N], MeasuredValue* const (&members)[N]) {
  for (MeasuredValue* member : members) SetNoLimits(*member);
  if (!ReadLine()) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (!GetMinMax(CText(keys[i].key), *members[i], keys[i].factor)) return false;
  }
  return true;
}

bool Find(std::span<const char> key, bool ignoreCase) {
  for (;;) {
    const int p = ignoreCase ? Strings::SearchCap(InputBuffer, key, 0)
                             : Strings::Search(InputBuffer, key, 0);
    if (p >= 0) {
      InPosition = p + Strings::Length(key);
      return true;
    }
    if (!ReadLine()) {
      InPosition = -1;
      return false;
    }
  }
}

void WarnFactor(std::span<const char> key) {
  char line[2 * kLineSize] = "WARNING: \"";
  Strings::Concat(line, key);
  Strings::Concat(line, "\" of the board section is not a finite number; the old value stays.");
  ConsoleLine(line);
}

}  // namespace

bool OpenInFile(std::span<const char> name) {
  CloseInFile();
  InputBuffer[0] = 0;
  InPosition = 0;
  const bool opened = IOBytes::Open(name, nullptr, IOBytes::ModeRead, inHandle);
  FileError = !opened;
  return opened;
}

void CloseInFile() {
  if (inHandle.open) IOBytes::Close(inHandle);
  InputBuffer[0] = 0;
}

bool GetInputPosition(std::int32_t& position) { return IOBytes::GetPosition(inHandle, position); }

bool SetInputPosition(std::int32_t position) { return IOBytes::SetPosition(inHandle, 0, position); }

bool ReadLine() {
  InPosition = 0;
  if (!inHandle.open) return false;
  std::int32_t count = kLineSize - 1;
  if (!IOBytes::ReadLine(inHandle, count, InputBuffer)) {
    InputBuffer[0] = 0;
    FileError = true;
  }
  return !FileError;
}

bool FindString(std::span<const char> key) { return Find(key, false); }

bool FindStringIgnoringCase(std::span<const char> key) { return Find(key, true); }

bool FindBeginning(std::span<const char> section, std::span<const char> errorText) {
  if (FindString(section)) return true;
  FileError = true;
  Alert::Beep();
  Alert::OK(errorText);
  ConsoleLine(errorText);
  CloseInFile();
  return false;
}

bool GetMinMax(std::span<const char> key, MeasuredValue& value, double factor) {
  const int p = InPosition < 0 ? -1 : Strings::Search(InputBuffer, key, InPosition);
  if (p < 0) {
    InPosition = -1;
    return false;
  }
  InPosition = p + Strings::Length(key);
  Strings::Assign(currentKey, key);
  return NextMinMax(value, factor);
}

bool ExtractValue(double& x, double factor) { return ExtractNumber(x, factor) != Number::Refused; }

bool NextMinMax(MeasuredValue& value, double factor) {
  if (InPosition < 0) return false;
  InPosition = SkipBlanks(InPosition);
  if (InPosition < kLineSize && InputBuffer[InPosition] == '\t') {
    ConsoleLine("WARNING: TABs are not allowed here! Please uses SPACEs instead.");
    return false;
  }
  double lower = value.Lower;
  double upper = value.Upper;
  if (InPosition >= kLineSize || !ReadLimitText(lower, upper, factor) ||
      !std::isfinite(lower) || !std::isfinite(upper)) {
    WarnRefused();
    return false;
  }
  value.Lower = lower;
  value.Upper = upper;
  return true;
}

bool ReadRealValue(MeasuredValue& value, double factor) {
  SetNoLimits(value);
  currentKey[0] = 0;
  return NextMinMax(value, factor);
}

bool ReadGain(MeasuredValue& value, bool nextLine) {
  SetNoLimits(value);
  if (nextLine && !ReadLine()) return false;
  return GetMinMax("Gain", value, 1);
}

bool ReadTransfer(TransferValues& v) {
  static constexpr Key kKeys[] = {{"Gain", 1}, {"Offset", 0.001}, {"Noise", 0.001}};
  return ReadGroup(kKeys, {&v.Gain, &v.Offset, &v.Noise});
}

bool ReadOffsetDac(OffsetDacValues& v) {
  static constexpr Key kKeys[] = {{"Dac", 1}, {"Offset", 0.001}, {"Noise", 0.001}};
  v.Flag = false;
  return ReadGroup(kKeys, {&v.Dac, &v.Offset, &v.Noise});
}

bool ReadSpan(SpanValues& v) {
  static constexpr Key kKeys[] = {{"Min", 0.001}, {"Max", 0.001}, {"Offset", 0.001}, {"Noise", 0.001}};
  return ReadGroup(kKeys, {&v.Minimum, &v.Maximum, &v.Offset, &v.Noise});
}

bool ReadFQ(FrequencyResponseValues& v) {
  static constexpr Key kKeys[] = {{"Fo", 1}, {"Q ", 1}};
  return ReadGroup(kKeys, {&v.Fo, &v.Q});
}

bool ReadRisetime(RiseTimeValues& v) {
  static constexpr Key kKeys[] = {{"Amp", 1}, {"y1 ", 1}, {"y2 ", 1}, {"y3 ", 1}};
  return ReadGroup(kKeys, {&v.Amp, &v.Y1, &v.Y2, &v.Y3});
}

bool ReadExponential(ExponentialValues& v) {
  static constexpr Key kKeys[] = {{"Tau", 1e-6}, {"Amp", 1}, {"Base", 1}};
  return ReadGroup(kKeys, {&v.Tau, &v.Amp, &v.Base});
}

void ReadCalibFactors() {
  std::int32_t position = 0;
  if (!GetInputPosition(position)) return;
  const bool savedError = FileError;
  static constexpr const char* kSections[] = {"ZRV24-Calib", "ZRV28-Calib", "QRN2400-Calib",
                                              "QRN55-Calib"};
  const ZRVBase::BoardType board = ZRV::GetBoardType();
  if (board >= std::size(kSections)) return;
  if (FindString(CText(kSections[board]))) {
    struct Factor {
      const char* key;
      double* target;
    };
    const Factor factors[] = {{"DA-AD_Delay", &ADMeasure::DacToAdcDelay},
                              {"InFilterTau", &ADMeasure::InputFilterTau},
                              {"OutFilterTau", &ADMeasure::OutputFilterTau},
                              {"SampleCorr", &ADMeasure::SampleCorrection}};
    for (const Factor& factor : factors) {
      if (!FindString(CText(factor.key))) break;
      double x = *factor.target;
      if (!ExtractValue(x, 1)) {
        WarnFactor(CText(factor.key));
        break;
      }
      *factor.target = x;
    }
  }
  FileError = savedError;
  if (!SetInputPosition(position)) FileError = true;
}

}  // namespace Protocol
