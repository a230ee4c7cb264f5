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

inline constexpr std::array<PKCalibrationStep, 25> kPKCalibrationOrder{{
    {"MuxTransfer", K5Measure::MuxTransfer},
    {"InitDac", K5Measure::InitDac},
    {"InitSubtrDac", K5Measure::InitSubtrDac},
    {"InitDacAndSubtrDacOffsets", K5Measure::InitDacAndSubtrDacOffsets},
    {"StimScale", K5Measure::StimScale},
    {"StimFilter", K5Measure::StimFilter},
    {"StimFilterTau", K5Measure::StimFilterTau},
    {"InternalGround", K5Measure::InternalGround},
    {"WorkingElectrode", K5Measure::WorkingElectrode},
    {"ControlAmpOffsetDac", K5Measure::ControlAmpOffsetDac},
    {"CurrentOutputAmplifier", K5Measure::CurrentOutputAmplifier},
    {"CurrentRange", K5Measure::CurrentRange},
    {"CurrentFilter", K5Measure::CurrentFilter},
    {"CurrentFilterTau", K5Measure::CurrentFilterTau},
    {"VoltageOutputAmplifier", K5Measure::VoltageOutputAmplifier},
    {"VoltageFilter", K5Measure::VoltageFilter},
    {"VoltageFilterTau", K5Measure::VoltageFilterTau},
    {"ControlAmplifierTau", K5Measure::ControlAmplifierTau},
    {"ClampGain", K5Measure::ClampGain},
    {"IRCompGain", K5Measure::IRCompGain},
    {"SubtrDac", K5Measure::SubtrDac},
    {"CMR1", K5Measure::CMR1},
    {"CMR2", K5Measure::CMR2},
    {"MeasuredVoltOffDac", K5Measure::MeasuredVoltOffDac},
    {"OCP_OffsetDac", K5Measure::OCP_OffsetDac},
}};
