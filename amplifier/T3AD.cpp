#include "amplifier/T3AD.h"

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"

namespace T3AD {

void SendByte(std::uint16_t word) {
  VrnlBoards::SendToTlv3Port(T3Types::State.CommandPortChannel, word, T3Base::MaskChipSelectBit);
}

void SetDac(std::int32_t channel, std::int32_t units, bool testDacOff) {
  T3Panel::SetQTestDac(testDacOff);
  ZRV::SetDac(channel, units);
}

void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection) {
  if (board < ZRVBase::BoardZRV28 || board > ZRVBase::BoardNone) board = ZRVBase::BoardZRV24;
  ADMeasure::GetCorrections(board, delay, inputTau, outputTau, sampleCorrection);
}

}  // namespace T3AD
