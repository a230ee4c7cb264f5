#include "amplifier/T3Scale.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"

namespace {

using T3Scale::AddLinType;
using T3Scale::MulLinType;
using T3Scale::Scale;

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

class ScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Scale = {};
    T3Error::Error = 0;
  }
  void TearDown() override { Scale = {}; }
};

TEST_F(ScaleTest, DefaultsAreBitExact) {
  T3Init::ScaleFileLoaded = true;
  Scale.Tag = {'o', 'l', 'd'};
  Scale.CalibDate = {'0', '1', '-'};
  Scale.SerialNumber = {'9', '9'};
  T3Scale::LoadDefaults();
  const T3Scale::ScaleRecord& s = Scale;

  EXPECT_FALSE(T3Init::ScaleFileLoaded);
  EXPECT_EQ(s.Tag, decltype(s.Tag){});
  EXPECT_EQ(s.CalibDate, decltype(s.CalibDate){});
  EXPECT_EQ(s.SerialNumber, decltype(s.SerialNumber){});

  const T3Scale::RangeVars ranges[] = {
      {0, 0, 2048, 255, 128, 255, 128, 0, 4095, 3055, 5e+6},
      {0, 2, 2048, 255, 128, 255, 128, 1, 475, 619, 5e+8},
      {2, 3, 2048, 255, 128, 255, 128, 2, 1024, 1480, 5e+10},
  };
  for (int r = 0; r < 3; ++r) EXPECT_EQ(s.Range[r], ranges[r]) << "range " << r;

  struct Real {
    const char* name;
    double value;
    double expected;
  };
  const Real reals[] = {
      {"InjectionCap[0]", s.InjectionCap[0], 0.0},
      {"InjectionCap[1]", s.InjectionCap[1], 3e-13},
      {"InjectionCap[2]", s.InjectionCap[2], 1e-12},
      {"InjectionCap[3]", s.InjectionCap[3], 1e-11},
      {"CSlowRangeMax[1]", s.CSlowRangeMax[1], 3e-12},
      {"CSlowRangeMax[2]", s.CSlowRangeMax[2], 1e-11},
      {"CSlowRangeMax[3]", s.CSlowRangeMax[3], 1e-10},
      {"CCStimScale[0]", s.CCStimScale[0], 1.000000000000001e-9},
      {"CCStimScale[1]", s.CCStimScale[1], 1e-8},
      {"F2Var[0].Factor1", s.F2Var[0].Factor1, 0.01417},
      {"F2Var[0].Factor2", s.F2Var[0].Factor2, 0.01589},
      {"F2Var[1].Factor1", s.F2Var[1].Factor1, 0.01},
      {"F2Var[1].Factor2", s.F2Var[1].Factor2, 0.01},
      {"CFastFactor", s.CFastFactor, 170.667},
      {"CSlowFactor", s.CSlowFactor, 10000.0},
      {"GSeriesFactor", s.GSeriesFactor, 0.41},
      {"RsFactor", s.RsFactor, 20500.0},
      {"RsFractionFactor", s.RsFractionFactor, 171.85},
      {"GLeakFactor", s.GLeakFactor, 409.6},
      {"StimScaleSlope", s.StimScaleSlope, -10.0},
      {"StimScaleOffset", s.StimScaleOffset, 128.0},
      {"VpOffsetScale", s.VpOffsetScale, 10240.0},
      {"VpOffsetZero", s.VpOffsetZero, 2048.0},
      {"StimDacScale", s.StimDacScale, 0.1},
      {"StimDacOffset", s.StimDacOffset, 0.0},
      {"StimDacGain", s.StimDacGain, 1.0},
      {"ExtGain[2]", s.ExtGain[2], 1.0},
      {"VpOffsetCorr[1]", s.VpOffsetCorr[1], 0.0},
      {"F1Bandwidth[3]", s.F1Bandwidth[3], 0.0},
      {"VmonFactor", s.VmonFactor, 0.01},
      {"VmonOffset", s.VmonOffset, 0.0},
      {"CFastTau[0]", s.CFastTau[0], 5.000000000000001e-7},
      {"CFastTau[15]", s.CFastTau[15], 16 * 5.000000000000001e-7},
  };
  for (const Real& real : reals) EXPECT_EQ(Bits(real.value), Bits(real.expected)) << real.name;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(s.CFastTau[i], (i + 1) * 5.000000000000001e-7);
  EXPECT_FALSE(s.F2Var[0].HighQ);
  EXPECT_TRUE(s.F2Var[1].HighQ);

  // Two units in the last place above 4095.
  EXPECT_EQ(Bits(s.CSlowTable.Max), 0x40AFFE0000000002u);
  EXPECT_EQ(Bits(s.GSeriesTable.Max), 0x40AFFE0000000002u);
  EXPECT_EQ(Bits(s.RsTable.Max), 0x40AFFE0000000002u);
  EXPECT_EQ(Bits(s.GLeakTable.Max), 0x40AFFE0000000002u);

  struct Additive {
    const char* name;
    const AddLinType& table;
    int size;
    double step;
    double max;
  };
  for (const Additive& t : {Additive{"CSlowTable", s.CSlowTable, 31, 2048.0, s.CSlowTable.Max},
                            Additive{"CFast1Table", s.CFast1Table, 7, 200.0, 255.0},
                            Additive{"CFast2Table", s.CFast2Table, 15, 200.0, 255.0}}) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(t.table.Size, t.size);
    EXPECT_EQ(t.table.Index, 0);
    EXPECT_EQ(t.table.Max, t.max);
    EXPECT_EQ(t.table.Min, 0.0);
    for (int i = 0; i < T3Scale::kAddLinSteps; ++i) {
      EXPECT_EQ(t.table.Codes[i], i);
      EXPECT_EQ(t.table.Offsets[i], i * t.step);
    }
  }
  EXPECT_EQ(s.GSeriesTable.Size, 3);
  EXPECT_EQ(s.GSeriesTable.Min, 3000.0);
  const std::uint16_t gSeriesCodes[] = {7, 3, 1, 0};
  const double gSeriesFactors[] = {0.3, 1.0, 10.0, 100.0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.GSeriesTable.Codes[i], gSeriesCodes[i]);
    EXPECT_EQ(Bits(s.GSeriesTable.Factors[i]), Bits(gSeriesFactors[i]));
  }
  for (const MulLinType* t : {&s.RsTable, &s.GLeakTable}) {
    EXPECT_EQ(t->Size, 1);
    EXPECT_EQ(t->Min, 3000.0);
    EXPECT_EQ(t->Codes[0], 0);
    EXPECT_EQ(t->Codes[1], 1);
    EXPECT_EQ(t->Factors[0], 1.0);
    EXPECT_EQ(t->Factors[1], 10.0);
  }

  EXPECT_EQ(s.F2OffsetDac[0], 26);
  EXPECT_EQ(s.F2OffsetDac[1], 26);
  EXPECT_EQ(s.VCStimDacOffset, 0);
  EXPECT_EQ(s.CCStimDacOffset, (std::array<std::int16_t, 4>{}));
  EXPECT_EQ(s.MuxAdcOffset, 0);
  EXPECT_EQ(s.BoardLetter, 0);
  EXPECT_EQ(s.CalibADBoard, 0);
  EXPECT_EQ(s.CCOffsetDac, (std::array<std::uint16_t, 4>{2048, 2048, 2048, 2048}));
  EXPECT_EQ(s.Filter2Law, 0);
  EXPECT_FALSE(s.ExtStimRange);
  EXPECT_EQ(s.RefGainTrimDac, 2550);
}

TEST_F(ScaleTest, DefaultsKeepWhatHasNoDefault) {
  Scale.SpareTable.Size = 9;
  Scale.SpareTable.Factors[9] = 7.5;
  Scale.CSlowTable.OutValue = 1234;
  Scale.CSlowTable.OutCode = 0x55;
  Scale.RsTable.OutValue = 17;
  Scale.GSeriesTable.Codes[4] = 0x0F;
  Scale.GSeriesTable.Factors[4] = 1000.0;
  Scale.RsTable.Factors[2] = 100.0;
  const T3Scale::MulLinType spare = Scale.SpareTable;
  T3Scale::LoadDefaults();
  EXPECT_EQ(Scale.SpareTable, spare);
  EXPECT_EQ(Scale.CSlowTable.OutValue, 1234);
  EXPECT_EQ(Scale.CSlowTable.OutCode, 0x55);
  EXPECT_EQ(Scale.RsTable.OutValue, 17);
  EXPECT_EQ(Scale.GSeriesTable.Codes[4], 0x0F);
  EXPECT_EQ(Scale.GSeriesTable.Factors[4], 1000.0);
  EXPECT_EQ(Scale.RsTable.Factors[2], 100.0);
}

// The tables with their defaults; the factor 1 makes value the DAC units.
struct LinearizeCase {
  const char* what;
  bool additive;
  int table;  // 0 CFast1Table / GSeriesTable, 1 CSlowTable / RsTable
  std::uint16_t index;
  double a;
  std::uint16_t index_after;
  std::uint16_t out_value;
  std::uint16_t out_code;
  double value_after;
};

TEST_F(ScaleTest, Linearizations) {
  const LinearizeCase cases[] = {
      {"additive: up one step", true, 0, 0, 450.0, 1, 250, 1, 450.0},
      {"additive: stops at Size, fine clamped to Max", true, 0, 0, 5000.0, 7, 255, 7, 1655.0},
      {"additive: negative from step 0", true, 0, 0, -30.0, 0, 0, 0, 0.0},
      {"additive: negative from step 3 falls to 0", true, 0, 3, -30.0, 0, 0, 0, 0.0},
      {"additive: stays while fine >= Min", true, 0, 2, 400.0, 2, 0, 2, 400.0},
      {"additive: falls below Min", true, 0, 2, 399.5, 1, 200, 1, 400.0},
      {"additive: fine rounded", true, 0, 0, 100.4, 0, 100, 0, 100.0},
      {"additive: Index above Size starts at Size", true, 0, 12, 1500.0, 7, 100, 7, 1500.0},
      {"additive: 4095 stays in its step", true, 1, 0, 4095.0, 0, 4095, 0, 4095.0},
      {"additive: 4096 goes up", true, 1, 0, 4096.0, 1, 2048, 1, 4096.0},
      {"multiplicative: falls one step in the band", false, 0, 2, 2000.0, 1, 2000, 3, 2000.0},
      {"multiplicative: up when above Max", false, 0, 1, 5000.0, 2, 500, 1, 5000.0},
      {"multiplicative: holds in the hysteresis band", false, 0, 2, 31000.0, 2, 3100, 1, 31000.0},
      {"multiplicative: below 0.5 is 0", false, 1, 0, 0.3, 0, 0, 0, 0.0},
      {"multiplicative: 0.5 rounds up", false, 1, 0, 0.5, 0, 1, 0, 1.0},
      {"multiplicative: negative is 0", false, 1, 1, -20.0, 0, 0, 0, 0.0},
      {"multiplicative: clamped to Max at the top step", false, 1, 0, 1e6, 1, 4095, 1, 40950.0},
      {"multiplicative: Index above Size starts at Size", false, 1, 9, 20000.0, 1, 2000, 1,
       20000.0},
  };
  for (const LinearizeCase& c : cases) {
    SCOPED_TRACE(c.what);
    T3Scale::LoadDefaults();
    double value = c.a;
    if (c.additive) {
      AddLinType& table = c.table == 0 ? Scale.CFast1Table : Scale.CSlowTable;
      table.Index = c.index;
      T3Scale::AddLinearize(value, 1.0, table);
      EXPECT_EQ(table.Index, c.index_after);
      EXPECT_EQ(table.OutValue, c.out_value);
      EXPECT_EQ(table.OutCode, c.out_code);
    } else {
      MulLinType& table = c.table == 0 ? Scale.GSeriesTable : Scale.RsTable;
      table.Index = c.index;
      T3Scale::MulLinearize(value, 1.0, table);
      EXPECT_EQ(table.Index, c.index_after);
      EXPECT_EQ(table.OutValue, c.out_value);
      EXPECT_EQ(table.OutCode, c.out_code);
    }
    EXPECT_DOUBLE_EQ(value, c.value_after);
    EXPECT_EQ(T3Error::Error, 0);
  }
}

TEST_F(ScaleTest, LinearizationsScaleByTheFactor) {
  T3Scale::LoadDefaults();
  // 450 DAC units of the C-fast table at a factor of 170.667.
  double value = 450.0 / 170.667;
  T3Scale::AddLinearize(value, 170.667, Scale.CFast1Table);
  EXPECT_EQ(Scale.CFast1Table.OutValue, 250);
  EXPECT_DOUBLE_EQ(value, 450.0 / 170.667);
  value = 2000.0 / 0.41;
  Scale.GSeriesTable.Index = 2;
  T3Scale::MulLinearize(value, 0.41, Scale.GSeriesTable);
  EXPECT_EQ(Scale.GSeriesTable.Index, 1);
  EXPECT_EQ(Scale.GSeriesTable.OutValue, 2000);
  EXPECT_DOUBLE_EQ(value, 2000.0 / 0.41);
}

TEST_F(ScaleTest, NoDacValueFromUnusableNumbers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    double value;
    double factor;
    void (*spoil)();
    bool additiveToo = true;  // step factors belong to the multiplicative tables only
  };
  const Case cases[] = {
      {"factor 0", 10.0, 0.0, [] {}},
      {"NaN value", nan, 1.0, [] {}},
      {"infinite value", inf, 1.0, [] {}},
      {"infinite factor", 10.0, inf, [] {}},
      {"product overflows", 1e300, 1e300, [] {}},
      {"step factor 0", 10.0, 1.0, [] { Scale.RsTable.Factors[1] = 0.0; }, false},
      {"NaN step", 10.0, 1.0,
       [] {
         Scale.RsTable.Factors[0] = std::numeric_limits<double>::quiet_NaN();
         Scale.CFast1Table.Offsets[3] = std::numeric_limits<double>::quiet_NaN();
       }},
      {"NaN Max", 10.0, 1.0,
       [] {
         Scale.RsTable.Max = std::numeric_limits<double>::quiet_NaN();
         Scale.CFast1Table.Max = std::numeric_limits<double>::quiet_NaN();
       }},
      {"Size beyond the steps", 10.0, 1.0,
       [] {
         Scale.RsTable.Size = 16;
         Scale.CFast1Table.Size = 32;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool additive : {true, false}) {
      if (additive && !c.additiveToo) continue;
      T3Scale::LoadDefaults();
      c.spoil();
      Scale.RsTable.OutValue = 99;
      Scale.CFast1Table.OutValue = 99;
      T3Error::Error = 0;
      double value = c.value;
      if (additive) {
        T3Scale::AddLinearize(value, c.factor, Scale.CFast1Table);
        EXPECT_EQ(Scale.CFast1Table.OutValue, 0);
        EXPECT_LT(Scale.CFast1Table.Index, T3Scale::kAddLinSteps);
      } else {
        T3Scale::MulLinearize(value, c.factor, Scale.RsTable);
        EXPECT_EQ(Scale.RsTable.OutValue, 0);
        EXPECT_LT(Scale.RsTable.Index, T3Scale::kMulLinSteps);
      }
      EXPECT_EQ(value, 0.0) << (additive ? "additive" : "multiplicative");
      EXPECT_EQ(T3Error::Error, 25);
    }
  }
}

}  // namespace
