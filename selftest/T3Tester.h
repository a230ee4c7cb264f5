// The board self-test. So far: the version line the range file and the
// report carry, the range file's name, and the filter-1 settings the tests
// step through.
//
// The software version (three characters, digit, point, digit) belongs to
// the calibration application, which sits above this layer: it registers
// where the text comes from with SetSoftwareVersionSource at start-up,
// before InitAllModules. Main thread only.
#pragma once

#include <span>

namespace T3Tester {

// "Version " and the software version; set by InitAllModules.
extern char RangeVersion[41];

using SoftwareVersionSource = std::span<const char> (*)();
void SetSoftwareVersionSource(SoftwareVersionSource source);

// The prefix and the software version with every "." turned into "x",
// then ".TLV": "Selftest_" and 2.3 give "Selftest_2x3.TLV".
void MakeRangesName(std::span<const char> prefix, std::span<char> name);

// 2 when the board has a reference-gain trim, else 3.
int LastF1Filter();

// RangeVersion, then the test modules' own initialisation.
void InitAllModules();

}  // namespace T3Tester
