// The amplifier core's door to the AD/DA layer. So far: the path of one
// control word to the amplifier's command port, the stimulus DAC with the
// test-DAC routing the caller asks for, and the board's timing
// corrections.
#pragma once

#include <cstdint>

#include "acquisition/ZRVBase.h"

namespace T3AD {

// Hands the word to the amplifier port of the selected board
// (T3Types::State.CommandPortChannel), the chip-select bit masked as
// T3Base::MaskChipSelectBit says.
void SendByte(std::uint16_t word);

// T3Panel::SetQTestDac(testDacOff), then ZRV::SetDac (which plays the
// queued command words first; nothing while the interface is closed).
void SetDac(std::int32_t channel, std::int32_t units, bool testDacOff);

// ADMeasure::GetCorrections for the board type (1 to 4; any other 0).
void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection);

}  // namespace T3AD
