// The scale record's calibration parameters from the tests' results and
// module variables, and their print-out.
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "acquisition/ADMeasure.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "numerics/LinReg.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"

namespace K5Measure {

namespace {

using K5Scale::PKScaleRecord;

constexpr int kFitPoints = 8;

// Writes the fields, keeping those whose value is no finite number.
class Extraction {
 public:
  void Put(double& field, double value, std::string_view name) {
    if (std::isfinite(value)) {
      field = value;
      return;
    }
    Keep(name, " kept: not a finite number");
    if (_valid) Strings::Assign(TestIO::ErrorText, Text(std::string(name) + " is not a finite number"));
    _valid = false;
  }
  void Put(std::int16_t& field, double code, std::string_view name) {
    double checked = field;
    Put(checked, code, name);
    field = static_cast<std::int16_t>(std::lround(checked));
  }
  // A field whose search failed keeps its code.
  void PutFound(std::int16_t& field, double code, bool failed, std::string_view name) {
    if (failed) {
      Keep(name, " kept: its search failed");
      return;
    }
    Put(field, code, name);
  }
  void PutFound(double& field, double value, bool failed, std::string_view name) {
    if (failed) {
      Keep(name, " kept: its search failed");
      return;
    }
    Put(field, value, name);
  }
  bool Valid() const { return _valid; }

 private:
  static void Keep(std::string_view name, std::string_view why) {
    TestIO::WriteString("   ");
    TestIO::WriteString(Text(name));
    TestIO::WriteString(Text(why));
    TestIO::WriteLn();
  }

  bool _valid = true;
};

std::string Indexed(std::string_view name, int i) { return std::string(name) + "[" + std::to_string(i) + "]"; }

// Slope and intercept of the eight points.
void Fit(const std::array<float, kFitPoints>& x, const std::array<float, kFitPoints>& y, double& slope,
         double& intercept) {
  std::int32_t count = kFitPoints;
  double slopeError = 0.0;
  double interceptError = 0.0;
  double r2 = 0.0;
  slope = 0.0;
  intercept = 0.0;
  LinReg::RealXY(x.data(), y.data(), 0, count, kFitPoints - 1, slope, intercept, slopeError, interceptError, r2);
}

// The ranges of the version's window, clipped to the record.
template <typename Each>
void SupportedRanges(Each each) {
  const char version = PKTypes::State.Version;
  const int last = std::min<int>(K5Panel::MinCurrentRange(version), K5Protocol::kCurrentRanges - 1);
  for (int range = K5Panel::MaxCurrentRange(version); range <= last; ++range) each(range);
}

void ExtractFits(Extraction& out, PKScaleRecord& scale) {
  const K5Protocol::ResultsRecord& results = K5Protocol::Results;
  std::array<float, kFitPoints> x{};
  std::array<float, kFitPoints> y{};
  double slope = 0.0;
  double intercept = 0.0;
  // The clamp gain's first group, taken with the clamp gain off, is no
  // point of its line.
  for (int i = 0; i < kFitPoints; ++i) {
    x[i] = static_cast<float>(32 * i + 16);
    y[i] = static_cast<float>(results.ClampGain[i + 1].Gain.Value);
  }
  Fit(x, y, slope, intercept);
  out.Put(scale.ClampGainPerUnit, slope, "ClampGainPerUnit");
  scale.ClampOffsetPerUnit = 0.0;
  scale.ClampIntercept = 0.0;
  for (int i = 0; i < kFitPoints; ++i) {
    x[i] = static_cast<float>(512 * i);
    y[i] = static_cast<float>(results.IRCompGain[i].Gain.Value);
  }
  Fit(x, y, slope, intercept);
  out.Put(scale.IRCompGainSlope, slope, "IRCompGainSlope");
  out.Put(scale.IRCompGainOffset, intercept, "IRCompGainOffset");
}

void ExtractDacs(Extraction& out, PKScaleRecord& scale) {
  for (int k = 0; k < 3; ++k) {
    out.Put(scale.CoAmpOffsetDacPot[k], Loc.CoAmpOffsetDac[k], Indexed("CoAmpOffsetDacPot", k));
    out.Put(scale.CoAmpOffsetDacGal[k], Loc.CoAmpOffsetDac[3 + k], Indexed("CoAmpOffsetDacGal", k));
    out.Put(scale.WorkElectrOffsetDac[k], Loc.WorkElectrOffsetDac[k], Indexed("WorkElectrOffsetDac", k));
  }
  SupportedRanges([&](int r) {
    out.Put(scale.CurrentOutFactor[r], Loc.CurrentOutFactor[r], Indexed("CurrentOutFactor", r));
    out.Put(scale.CurrentOutOffset[r], Loc.CurrentOutOffset[r], Indexed("CurrentOutOffset", r));
    out.Put(scale.CurrentOffsetDac[r], Loc.CurrentOffsetDac[r], Indexed("CurrentOffsetDac", r));
  });
  const K5Protocol::ResultsRecord& results = K5Protocol::Results;
  for (int g = 0; g < 4; ++g) {
    out.Put(scale.VoltageOutFactor[g], Loc.VoltageOutFactor[g], Indexed("VoltageOutFactor", g));
    out.Put(scale.VoltageOutOffset[g], -results.VoltageOutputAmplifier[g].Offset.Value,
            Indexed("VoltageOutOffset", g));
    out.Put(scale.VoltageOffsetDac[g], Loc.VoltageOffsetDac[g], Indexed("VoltageOffsetDac", g));
  }
}

void ExtractSubtraction(Extraction& out, PKScaleRecord& scale) {
  const K5Protocol::ResultsRecord& results = K5Protocol::Results;
  // The ring amplifier's galvanostatic row is not measured.
  const int modes = PKTypes::State.IsRingAmplifier ? 1 : 2;
  for (int p = 0; p < modes; ++p) {
    for (int q = 0; q < 3; ++q) {
      out.Put(scale.SubtrDacFactor[p][q], results.SubtrDacFactor[p][q].Value,
              "SubtrDacFactor[" + std::to_string(p) + "][" + std::to_string(q) + "]");
    }
  }
  out.Put(scale.SubtrDacOffset, Loc.SubtrDacOffset, "SubtrDacOffset");
  if (!PKTypes::State.HasRingAmplifier) return;
  out.Put(scale.CMR1Dac, Loc.CMR1, "CMR1Dac");
  out.Put(scale.CMR2Dac, Loc.CMR2, "CMR2Dac");
  out.PutFound(scale.MeasuredVoltOffDac, results.MeasuredVoltOffDac.Value, Loc.MeasuredVoltOffDacFailed,
               "MeasuredVoltOffDac");
  out.PutFound(scale.OCPOffsetDac, results.OCPOffsetDac.Value, Loc.OCPOffsetDacFailed, "OCPOffsetDac");
}

// ---- Print-out -------------------------------------------------------------------

std::string Fixed(double x, int width, int decimals) {
  std::array<char, 64> text{};
  Decode::Fixed(x, text, width, decimals);
  return text.data();
}

std::string Sci(double x, int width) {
  std::array<char, 64> text{};
  Decode::Scientific(x, text, width);
  return text.data();
}

std::string Int(std::int32_t v, int width) {
  std::array<char, 64> text{};
  Decode::Integer(v, text, width);
  return text.data();
}

void Line(const std::string& text) {
  std::array<char, 128> line{};
  Strings::Assign(line, Text(text));
  Protocol::PutText(line);
}

void FactorLine(std::string_view label, double factor, int decimals, double offset) {
  Line(std::string(label) + "factor= " + Fixed(factor, 9, decimals) + ", offset= " + Fixed(offset, 9, 5));
}

void DacLine(std::string_view label, const std::int16_t* dacs, int count) {
  std::string line(label);
  for (int k = 0; k < count; ++k) line += Int(k, 4) + "=" + Int(dacs[k], 6);
  Line(line);
}

}  // namespace

bool ExtractCalibrationParameters() {
  PKScaleRecord& scale = K5Scale::Scale;
  const PKTypes::PKState& state = PKTypes::State;
  const K5Protocol::ResultsRecord& results = K5Protocol::Results;
  Extraction out;
  std::memset(scale.Id, 0, sizeof scale.Id);
  std::memcpy(scale.Id, "K5SCALE", 7);
  std::memset(scale.CalibrationDate, 0, sizeof scale.CalibrationDate);
  RealTime::ToAltDate(RealTime::GetTime(), scale.CalibrationDate, false, false);
  std::memcpy(scale.SerialNumber, state.SerialNumber, sizeof scale.SerialNumber);
  scale.RecordVersion = 0;
  scale.CheckValue = 0;
  scale.ConfigCode = state.ConfigCode;
  scale.Version = state.Version;
  out.Put(scale.MuxGain, Loc.MuxGain, "MuxGain");
  out.Put(scale.MuxOffset, Loc.MuxOffset, "MuxOffset");
  out.Put(scale.MuxX100Gain, Loc.MuxX100Gain, "MuxX100Gain");
  out.Put(scale.MuxX100Offset, Loc.MuxX100Offset, "MuxX100Offset");
  for (int m = 0; m < 2; ++m) {
    out.Put(scale.InitDacFactor[m], Loc.InitDacFactor[m], Indexed("InitDacFactor", m));
    out.Put(scale.InitSubtrDacFactor[m], Loc.InitSubtrDacFactor[m], Indexed("InitSubtrDacFactor", m));
  }
  out.Put(scale.InitDacOffset, Loc.InitDacOffset, "InitDacOffset");
  out.Put(scale.StimFilterFactor, Loc.StimFilterFactor, "StimFilterFactor");
  out.Put(scale.StimFilterOffset, Loc.StimFilterOffset, "StimFilterOffset");
  for (int i = 0; i < 4; ++i) {
    const double gain = results.StimScale[i].Gain.Value;
    out.Put(scale.StimScaleFactor[i], gain == 0.0 ? NAN : 1.0 / gain, Indexed("StimScaleFactor", i));
    out.Put(scale.StimScaleOffset[i], -results.StimScale[i].Offset.Value, Indexed("StimScaleOffset", i));
  }
  ExtractFits(out, scale);
  out.PutFound(scale.IRCompFixOffset, results.IRCompFixOffset.Value, Loc.IRCompFixOffsetFailed, "IRCompFixOffset");
  out.Put(scale.CoAmpOffsetPerUnit, results.CoAmpOffsetPerUnit.Value, "CoAmpOffsetPerUnit");
  ExtractDacs(out, scale);
  ExtractSubtraction(out, scale);
  if (WriteResults()) WriteCalibrationParameters();
  return out.Valid();
}

void WriteCalibrationParameters() {
  const PKScaleRecord& s = K5Scale::Scale;
  FactorLine("MuxGain:       ", s.MuxGain, 5, s.MuxOffset);
  FactorLine("MuxX100Gain:   ", s.MuxX100Gain, 5, s.MuxX100Offset);
  FactorLine("InitDac_Pot:   ", s.InitDacFactor[0], 3, s.InitDacOffset);
  FactorLine("InitDac_Gal:   ", s.InitDacFactor[1], 3, s.InitDacOffset);
  FactorLine("StimFilter:    ", s.StimFilterFactor, 3, s.StimFilterOffset);
  Line("StimScale:");
  for (int i = 0; i < 4; ++i) {
    Line(Int(i, 4) + "=" + Fixed(s.StimScaleFactor[i], 9, 3) + "," + Fixed(s.StimScaleOffset[i], 9, 5));
  }
  DacLine("CoAmpOffsetDac_Pot:  ", s.CoAmpOffsetDacPot, 3);
  DacLine("CoAmpOffsetDac_Gal:  ", s.CoAmpOffsetDacGal, 3);
  DacLine("WorkElectrOffsetDac: ", s.WorkElectrOffsetDac, 3);
  Line("CurrentOutFactor:");
  SupportedRanges([&s](int r) {
    Line(Int(r, 4) + "=" + Fixed(s.CurrentOutFactor[r], 9, 3) + ", " + Fixed(s.CurrentOutOffset[r], 9, 5));
  });
  Line("CurrentOffsetDac:");
  SupportedRanges([&s](int r) { Line(Int(r, 4) + "=" + Int(s.CurrentOffsetDac[r], 6)); });
  Line("VoltageOutFactor:");
  for (int g = 0; g < 4; ++g) {
    Line(Int(g, 4) + "=" + Sci(s.VoltageOutFactor[g], 10) + ", " + Fixed(s.VoltageOutOffset[g], 9, 5));
  }
  DacLine("VoltageOffsetDac: ", s.VoltageOffsetDac, 4);
  Line("ClampGain: gain/unit=" + Sci(s.ClampGainPerUnit, 10) + ", offset/unit= " + Sci(s.ClampOffsetPerUnit, 10) +
       ", intercept= " + Sci(s.ClampIntercept, 10));
  Line("IRComp:    GainSlope=" + Sci(s.IRCompGainSlope, 10) + ", GainOffset= " + Fixed(s.IRCompGainOffset, 9, 5) +
       ", FixOffset= " + Fixed(s.IRCompFixOffset, 9, 5));
  Line("SubtrDacFactor:");
  static constexpr std::array<std::string_view, 3> kLabels{"   Feedback = 50Ohm:   ", "   Feedback = 5kOhm:   ",
                                                           "   Feedback = 500kOhm: "};
  for (const auto& row : s.SubtrDacFactor) {
    for (int q = 0; q < 3; ++q) Line(std::string(kLabels[static_cast<std::size_t>(q)]) + Sci(row[q], 10));
  }
  Line("SubtrDacOffset: " + Fixed(s.SubtrDacOffset, 9, 5));
  if (PKTypes::State.HasRingAmplifier) {
    Line("CMR1Dac:            " + Int(s.CMR1Dac, 4));
    Line("CMR2Dac:            " + Int(s.CMR2Dac, 4));
    Line("MeasuredVoltOffDac: " + Int(s.MeasuredVoltOffDac, 4));
    Line("OCPOffsetDac:       " + Int(s.OCPOffsetDac, 4));
  }
  Protocol::WriteLn();
}

}  // namespace K5Measure
