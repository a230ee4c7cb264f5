// Every field of a scale record by name, for the oracles of the tests and
// the fuzz targets: a name such as "Range[1].Gain", "CSlowTable.Codes[3]"
// or "Tag", in the record's order, and the field itself. Names follow the
// record, never the file layout, so that a check built on them is
// independent of the field walk it checks.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "amplifier/T3Scale.h"
#include "foundation/Strings.h"

namespace ScaleRecordFields {

// visit(name, field) for every field; field is a double, std::uint16_t,
// std::int16_t, char, std::uint8_t, bool or a character array (a text).
template <typename Visit>
void ForEach(T3Scale::ScaleRecord& r, Visit&& visit) {
  auto each = [&](const std::string& name, auto& array) {
    for (std::size_t i = 0; i < array.size(); ++i) {
      visit(name + "[" + std::to_string(i) + "]", array[i]);
    }
  };
  auto table = [&](const std::string& name, auto& t, const char* stepValues, auto& values) {
    visit(name + ".Size", t.Size);
    visit(name + ".Index", t.Index);
    each(name + ".Codes", t.Codes);
    visit(name + ".Max", t.Max);
    visit(name + ".Min", t.Min);
    each(name + "." + stepValues, values);
    visit(name + ".OutValue", t.OutValue);
    visit(name + ".OutCode", t.OutCode);
  };
  visit(std::string("Tag"), r.Tag);
  visit(std::string("CalibDate"), r.CalibDate);
  for (std::size_t i = 0; i < r.Range.size(); ++i) {
    const std::string name = "Range[" + std::to_string(i) + "].";
    T3Scale::RangeVars& range = r.Range[i];
    visit(name + "RangeSwitches", range.RangeSwitches);
    visit(name + "ProbeResistor", range.ProbeResistor);
    visit(name + "ProbeOffsetDac", range.ProbeOffsetDac);
    visit(name + "TFastDacB", range.TFastDacB);
    visit(name + "TFastDacA", range.TFastDacA);
    visit(name + "TSlowDacB", range.TSlowDacB);
    visit(name + "TSlowDacA", range.TSlowDacA);
    visit(name + "HFCompSwitches", range.HFCompSwitches);
    visit(name + "HFCompDac", range.HFCompDac);
    visit(name + "GainTrimDac", range.GainTrimDac);
    visit(name + "Gain", range.Gain);
  }
  each("InjectionCap", r.InjectionCap);
  each("CSlowRangeMax", r.CSlowRangeMax);
  each("CCStimScale", r.CCStimScale);
  for (std::size_t i = 0; i < r.F2Var.size(); ++i) {
    const std::string name = "F2Var[" + std::to_string(i) + "].";
    visit(name + "HighQ", r.F2Var[i].HighQ);
    visit(name + "Factor1", r.F2Var[i].Factor1);
    visit(name + "Factor2", r.F2Var[i].Factor2);
  }
  each("CFastTau", r.CFastTau);
  visit(std::string("CFastFactor"), r.CFastFactor);
  visit(std::string("CSlowFactor"), r.CSlowFactor);
  visit(std::string("GSeriesFactor"), r.GSeriesFactor);
  visit(std::string("RsFactor"), r.RsFactor);
  visit(std::string("RsFractionFactor"), r.RsFractionFactor);
  visit(std::string("GLeakFactor"), r.GLeakFactor);
  visit(std::string("StimScaleSlope"), r.StimScaleSlope);
  visit(std::string("StimScaleOffset"), r.StimScaleOffset);
  visit(std::string("VpOffsetScale"), r.VpOffsetScale);
  visit(std::string("VpOffsetZero"), r.VpOffsetZero);
  visit(std::string("StimDacScale"), r.StimDacScale);
  each("F2OffsetDac", r.F2OffsetDac);
  visit(std::string("StimDacOffset"), r.StimDacOffset);
  visit(std::string("StimDacGain"), r.StimDacGain);
  table("CSlowTable", r.CSlowTable, "Offsets", r.CSlowTable.Offsets);
  table("GSeriesTable", r.GSeriesTable, "Factors", r.GSeriesTable.Factors);
  table("CFast1Table", r.CFast1Table, "Offsets", r.CFast1Table.Offsets);
  table("CFast2Table", r.CFast2Table, "Offsets", r.CFast2Table.Offsets);
  table("RsTable", r.RsTable, "Factors", r.RsTable.Factors);
  table("GLeakTable", r.GLeakTable, "Factors", r.GLeakTable.Factors);
  table("SpareTable", r.SpareTable, "Factors", r.SpareTable.Factors);
  visit(std::string("VCStimDacOffset"), r.VCStimDacOffset);
  each("CCStimDacOffset", r.CCStimDacOffset);
  visit(std::string("MuxAdcOffset"), r.MuxAdcOffset);
  visit(std::string("BoardLetter"), r.BoardLetter);
  visit(std::string("CalibADBoard"), r.CalibADBoard);
  visit(std::string("SerialNumber"), r.SerialNumber);
  each("ExtGain", r.ExtGain);
  each("CCOffsetDac", r.CCOffsetDac);
  each("VpOffsetCorr", r.VpOffsetCorr);
  each("F1Bandwidth", r.F1Bandwidth);
  visit(std::string("Filter2Law"), r.Filter2Law);
  visit(std::string("ExtStimRange"), r.ExtStimRange);
  visit(std::string("VmonFactor"), r.VmonFactor);
  visit(std::string("VmonOffset"), r.VmonOffset);
  visit(std::string("RefGainTrimDac"), r.RefGainTrimDac);
}

// A real as the single it is stored as, in the shortest text that gives it
// back.
inline std::string SingleText(float value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Every field as (name, value as text), in the record's order: reals as
// the singles that files keep, a character as itself (nothing for 0), a
// text up to its end, other numbers in decimal.
inline std::vector<std::pair<std::string, std::string>> Describe(T3Scale::ScaleRecord record) {
  std::vector<std::pair<std::string, std::string>> fields;
  ForEach(record, [&](const std::string& name, auto& field) {
    using Field = std::remove_reference_t<decltype(field)>;
    std::string text;
    if constexpr (std::is_same_v<Field, double>) {
      text = SingleText(static_cast<float>(field));
    } else if constexpr (std::is_same_v<Field, char>) {
      if (field != 0) text = std::string(1, field);
    } else if constexpr (std::is_integral_v<Field>) {
      text = std::to_string(static_cast<int>(field));
    } else {
      text = std::string(field.data(), static_cast<std::size_t>(Strings::Length(field)));
    }
    fields.emplace_back(name, text);
  });
  return fields;
}

}  // namespace ScaleRecordFields
