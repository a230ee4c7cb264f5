#include "selftest/T3Tester.h"

#include "amplifier/T3Panel.h"
#include "foundation/Strings.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/TestBase.h"

namespace T3Tester {

char RangeVersion[41] = "";

namespace {

SoftwareVersionSource versionSource = nullptr;

std::span<const char> SoftwareVersion() {
  return versionSource != nullptr ? versionSource() : std::span<const char>("");
}

}  // namespace

void SetSoftwareVersionSource(SoftwareVersionSource source) { versionSource = source; }

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
  T3Generator::InitModule();
  T3TestGraphics::InitModule();
  TestBase::InitModule();
  Protocol::InitModule();
}

}  // namespace T3Tester
