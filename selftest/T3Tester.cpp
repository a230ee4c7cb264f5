#include "selftest/T3Tester.h"

#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "foundation/Strings.h"
#include "numerics/SpectrumReal.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/TestBase.h"

namespace T3Tester {

char RangeVersion[41] = "";
std::array<TransferValues, 4> MuxTransfer{};
std::array<float, 1026> ChirpArray{};
std::array<float, 4098> BigChirp{};
std::array<std::int16_t, 4098> IntArray{};
std::array<std::int16_t, 1026> DisplayData{};

namespace {

SoftwareVersionSource versionSource = nullptr;
CalibrationModuleInits calibrationInits;

std::span<const char> SoftwareVersion() {
  return versionSource != nullptr ? versionSource() : std::span<const char>("");
}

void Run(void (*init)()) {
  if (init != nullptr) init();
}

}  // namespace

void SetSoftwareVersionSource(SoftwareVersionSource source) { versionSource = source; }

void SetCalibrationModuleInits(const CalibrationModuleInits& inits) { calibrationInits = inits; }

void MakeRangesName(std::span<const char> prefix, std::span<char> name) {
  char text[256] = "";
  Strings::Assign(text, prefix);
  Strings::Concat(text, SoftwareVersion());
  Strings::Replace(name, text, '.', 'x');
  Strings::Concat(name, ".TLV");
}

int LastF1Filter() { return T3Panel::HasRefGainTrim() ? 2 : 3; }

void InitAllModules() {
  Strings::Assign(RangeVersion, "Version ");
  Strings::Concat(RangeVersion, SoftwareVersion());
  SpectrumReal::InitModule();
  T3Generator::InitModule();
  T3TestGraphics::InitModule();
  TestBase::InitModule();
  Run(calibrationInits.testUt);
  Run(calibrationInits.makeAuto);
  Run(calibrationInits.calHF);
  Run(calibrationInits.autoCal);
  Protocol::InitModule();
}

void SetStart(TesterModeSave& save) {
  save.testerMode = T3Base::TesterMode;
  save.timedRangeSwitch = T3Base::TimedRangeSwitch;
  save.zrvScaling = ZRV::ScalingIsEnabled();
  Protocol::WriteStateProc = T3Set::WriteState;
  T3Base::TesterMode = true;
  T3Base::TimedRangeSwitch = false;
  ZRV::EnableScaling(true);
}

void SetEnd(const TesterModeSave& save) {
  ZRV::EnableScaling(save.zrvScaling);
  T3Base::TesterMode = save.testerMode;
  T3Base::TimedRangeSwitch = save.timedRangeSwitch;
}

}  // namespace T3Tester
