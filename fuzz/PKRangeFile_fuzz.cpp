// libFuzzer target: any bytes as a PK range file. The first byte answers the
// version question (odd: Yes); the rest is the file. After reading, every
// limit of the results record is finite or the admit-all default, and no
// lower limit lies above its upper one.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "dialogs/Alert.h"
#include "foundation/TermIO.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"

namespace {

using namespace Protocol;

char scratch[] = "/tmp/mereth-fuzz-pkrange-XXXXXX";

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", what);
  abort();
}

void Limits(const MeasuredValue& v) {
  Check(std::isfinite(v.Lower) && std::isfinite(v.Upper), "a finite limit");
  Check(v.Lower <= v.Upper, "lower <= upper");
}
void Limits(const TransferValues& v) {
  Limits(v.Gain);
  Limits(v.Offset);
  Limits(v.Noise);
}
void Limits(const OffsetDacValues& v) {
  Limits(v.Dac);
  Limits(v.Offset);
  Limits(v.Noise);
}
void Limits(const ExponentialValues& v) {
  Limits(v.Tau);
  Limits(v.Amp);
  Limits(v.Base);
}
void Limits(const FrequencyResponseValues& v) {
  Limits(v.Fo);
  Limits(v.Q);
}
template <typename T, std::size_t N>
void Limits(const T (&values)[N]) {
  for (const T& v : values) Limits(v);
}

void CheckRecord() {
  const K5Protocol::ResultsRecord& r = K5Protocol::Results;
  Limits(r.MuxTransfer);
  Limits(r.TenVRef);
  Limits(r.InitDacFactor);
  Limits(r.InitDacOffset);
  Limits(r.InitSubtrDacFactor);
  Limits(r.StimScale);
  Limits(r.StimFilter);
  Limits(r.StimFilterTau);
  Limits(r.StimFilterFreq);
  Limits(r.InternalGround);
  Limits(r.WorkingElectrodeOffsetDac);
  Limits(r.CurrentOutputAmplifier);
  Limits(r.CurrentOutFactor);
  Limits(r.CurrentOffsetDac);
  Limits(r.CurrentFilter);
  Limits(r.CurrentFilterTau);
  Limits(r.CurrentFilterFreq);
  Limits(r.VoltageFilter);
  Limits(r.VoltageFilterTau);
  Limits(r.VoltageFilterFreq);
  Limits(r.VoltageOutputAmplifier);
  Limits(r.OffsetVoltageAmplifierDac);
  Limits(r.CoAmpOffsetPerUnit);
  Limits(r.ControlAmpOffsetDac);
  Limits(r.ControlAmplifierTau);
  Limits(r.ControlAmplifierFreq);
  Limits(r.ClampGain);
  Limits(r.IRCompFixOffset);
  Limits(r.IRCompGain);
  Limits(r.SubtrDacFactor);
  Limits(r.SubtrDacOffset);
  Limits(r.CMR1);
  Limits(r.CMR2);
  Limits(r.MeasuredVoltOffDac);
  Limits(r.OCPOffsetDac);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TermIO::InitModule();
  const int fd = mkstemp(scratch);
  if (fd < 0) return 1;
  close(fd);
  atexit([] { unlink(scratch); });
  PKTypes::InitModule();
  PKTypes::State.Version = 'B';
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(scratch, "wb");
  if (file == nullptr) abort();
  if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  Alert::ClearAnswers();
  Alert::PushAnswer(size > 0 && (data[0] & 1) != 0 ? 1 : 2);
  Protocol::InitModule();
  K5Protocol::InitModule();
  // The cleared record's limits are 0..0: finite, and lower <= upper.
  K5Protocol::Read(scratch);
  CheckRecord();
  return 0;
}
