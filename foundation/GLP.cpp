#include "foundation/GLP.h"

#include "foundation/RealTime.h"
#include "foundation/Strings.h"

namespace GLP {

namespace {

constexpr double kDefaultExpiry = 366.0;
constexpr double kSecondsPerDay = 86400.0;

bool DashAt(std::span<const char> text, int position) {
  return position < Strings::Length(text) && text[static_cast<std::size_t>(position)] == '-';
}

}  // namespace

double CalibExpiry = kDefaultExpiry;
bool Check = false;
bool Enforce = false;

void InitModule() {
  CalibExpiry = kDefaultExpiry;
  Check = false;
  Enforce = false;
}

bool CheckExpiration(std::span<char> date, double& days) {
  if (Strings::Length(date) > 0 && !(DashAt(date, 2) && DashAt(date, 6))) Strings::Clear(date);
  days = (RealTime::GetTime() - RealTime::FromDate(date)) / kSecondsPerDay;
  return !(CalibExpiry > 0.0 && days >= CalibExpiry);
}

}  // namespace GLP
