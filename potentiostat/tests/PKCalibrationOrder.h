#pragma once

// The calibration tests of one amplifier in the order a calibration runs
// them: the order K5Measure declares them in, which is the order of their
// data dependencies. The program's own caller of the tests does not exist
// yet; the end-to-end test and the benchmark stand in for it.

#include <array>

#include "potentiostat/K5Measure.h"

struct PKCalibrationStep {
  const char* name;
  void (*run)();
};

inline constexpr std::array<PKCalibrationStep, 9> kPKCalibrationOrder{{
    {"MuxTransfer", K5Measure::MuxTransfer},
    {"InitDac", K5Measure::InitDac},
    {"InitSubtrDac", K5Measure::InitSubtrDac},
    {"InitDacAndSubtrDacOffsets", K5Measure::InitDacAndSubtrDacOffsets},
    {"CurrentFilter", K5Measure::CurrentFilter},
    {"CurrentFilterTau", K5Measure::CurrentFilterTau},
    {"VoltageOutputAmplifier", K5Measure::VoltageOutputAmplifier},
    {"VoltageFilter", K5Measure::VoltageFilter},
    {"VoltageFilterTau", K5Measure::VoltageFilterTau},
}};
