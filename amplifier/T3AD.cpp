#include "amplifier/T3AD.h"

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"

namespace T3AD {

void SendByte(std::uint16_t word) {
  VrnlBoards::SendToTlv3Port(T3Types::State.CommandPortChannel, word, T3Base::MaskChipSelectBit);
}

}  // namespace T3AD
