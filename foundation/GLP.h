// The good-laboratory-practice rule: how old a calibration may be, and
// whether callers only report an expired one (Check) or refuse to work with
// it (Enforce). Only InitModule gives the three settings their values; a
// caller that changes them for one check restores them afterwards.
#pragma once

#include <span>

namespace GLP {

// Age in days at which a calibration has expired; 0 or less: never.
extern double CalibExpiry;
extern bool Check;
extern bool Enforce;

// 366 days, Check and Enforce FALSE.
void InitModule();

// days := the age of the calibration dated dd-Mon-yyyy, in fractional days.
// A text that is not of that form (no '-' at positions 2 and 6) is cleared
// in the caller's variable; an empty date counts from 1 January 1990, so
// it has expired whenever expiry is on. FALSE when expired.
bool CheckExpiration(std::span<char> date, double& days);

}  // namespace GLP
