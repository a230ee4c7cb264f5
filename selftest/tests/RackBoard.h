#pragma once

// One board of a simulated rack started as the panel's rack tests start
// it: the amplifier core with its defaults for the letter, the channels of
// the board on the AD/DA board, the power-on state sent, the board's timing
// corrections, and the self-test modules fresh. Shared by the self-tests'
// rack tests, their benchmark and the test plot's screen run.

#include <cstdint>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "selftest/T3Tester.h"

inline void StartRackBoard(char letter, ZRVBase::BoardType board, std::uint16_t hardwareVersion) {
  StartAmplifierCore(letter);
  T3Types::State.BoardVersion = letter;
  T3Types::State.ADBoard = board;
  T3Base::ADBoard = board;
  T3Panel::FillAdcAndDac(T3Types::State);
  T3Base::HardwareVersion = hardwareVersion;
  T3Set::SendToHardware = true;
  VrnlBoards::SetProperties(true, false);
  T3Panel::SetT3BoardLatch(0);
  T3Set::InitHardware();
  T3Init::InitHardware();
  VrnlBoards::FlushCache();
  T3AD::GetCorrections(board, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau, ADMeasure::OutputFilterTau,
                       ADMeasure::SampleCorrection);
  T3Tester::InitAllModules();
}
