#include "BlockValues_fixture.h"

#include <cstddef>

namespace {

using namespace TestResultsBlock;

void Add(BlockValues &out, MeasuredValue &v,
         ValueKind kind = ValueKind::kRatio) {
  out.push_back({&v, kind});
}
void AddMean(BlockValues &out, MeasuredValue &v, const MeasuredValue &noise) {
  out.push_back({&v, ValueKind::kVolts, nullptr, &noise});
}
void Add(BlockValues &out, TransferValues &v) {
  Add(out, v.Gain);
  AddMean(out, v.Offset, v.Noise);
  Add(out, v.Noise, ValueKind::kNoise);
}
void Add(BlockValues &out, SpanValues &v) {
  AddMean(out, v.Maximum, v.Noise);
  AddMean(out, v.Minimum, v.Noise);
  AddMean(out, v.Offset, v.Noise);
  Add(out, v.Noise, ValueKind::kNoise);
}
void Add(BlockValues &out, FrequencyResponseValues &v) {
  Add(out, v.Fo);
  Add(out, v.Q);
}
void Add(BlockValues &out, RiseTimeValues &v) {
  for (MeasuredValue *m : {&v.Amp, &v.Y1, &v.Y2, &v.Y3})
    Add(out, *m);
}
void Add(BlockValues &out, ExponentialValues &v) {
  out.push_back({&v.Tau, ValueKind::kSeconds, &v.Amp});
  out.push_back({&v.Amp, ValueKind::kRatio, &v.Amp});
  out.push_back({&v.Base, ValueKind::kRatio, &v.Amp});
}
template <class Record, std::size_t N>
void Add(BlockValues &out, Record (&records)[N]) {
  for (Record &r : records)
    Add(out, r);
}

} // namespace

BlockValues ValuesOf(CurrentMonitorResults &g) {
  BlockValues out;
  Add(out, g.Filter1Transfer);
  Add(out, g.Filter1Response);
  Add(out, g.Filter1RiseTime);
  Add(out, g.ProbeOffsetDac);
  Add(out, g.ProbeOffsetDacWide);
  Add(out, g.SlowTau);
  Add(out, g.HFComp);
  Add(out, g.HFGain);
  Add(out, g.Unused);
  Add(out, g.ProbeToIMon1);
  Add(out, g.OutputAmp);
  Add(out, g.OutputAmpFilter);
  Add(out, g.Filter2);
  Add(out, g.Clipping);
  return out;
}

BlockValues ValuesOf(Filter2Results &g) {
  BlockValues out;
  Add(out, g.MuxSource);
  Add(out, g.F2Response);
  Add(out, g.VmonFilter);
  Add(out, g.OffsetDac);
  Add(out, g.Unused);
  return out;
}

BlockValues ValuesOf(IntegratorResults &g) {
  BlockValues out;
  Add(out, g.Out1pF);
  Add(out, g.Out10pF);
  Add(out, g.AutoZero);
  return out;
}

BlockValues ValuesOf(StimulusPathResults &g) {
  BlockValues out;
  Add(out, g.StimBuffer);
  Add(out, g.StimScaling);
  Add(out, g.StimDacAndFilter);
  Add(out, g.StimFilter);
  CurrentClampResults &cc = g.CurrentClamp;
  Add(out, cc.CCFeedThru);
  Add(out, cc.CCStepResponse);
  Add(out, cc.CCVmon);
  Add(out, cc.CCStim);
  Add(out, cc.CCGains);
  Add(out, cc.CCTracking);
  Add(out, g.GLeak);
  Add(out, g.GLeakFeedThru);
  Add(out, g.Vref);
  Add(out, g.VrefX2);
  Add(out, g.VpOffsetDac);
  Add(out, g.StimTo10pF);
  Add(out, g.RSeries);
  Add(out, g.RsCompTau);
  return out;
}

BlockValues ValuesOf(CFastCSlowResults &g) {
  BlockValues out;
  Add(out, g.CFastAmp1_10pF);
  Add(out, g.CFastAmp2_10pF);
  Add(out, g.CFastAmp1_100pF);
  Add(out, g.CFastAmp2_100pF);
  Add(out, g.CFastTaus);
  Add(out, g.CSlow);
  Add(out, g.GSeries);
  Add(out, g.CSlowToTest);
  Add(out, g.Unused);
  Add(out, g.RsFactor);
  return out;
}
