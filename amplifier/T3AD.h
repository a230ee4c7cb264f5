// The amplifier core's door to the AD/DA layer. So far: the path of one
// control word to the amplifier's command port.
#pragma once

#include <cstdint>

namespace T3AD {

// Hands the word to the amplifier port of the selected board
// (T3Types::State.CommandPortChannel), the chip-select bit masked as
// T3Base::MaskChipSelectBit says.
void SendByte(std::uint16_t word);

}  // namespace T3AD
