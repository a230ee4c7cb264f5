// A board of the stand-in board library (the ZRV-28 unless told) for the
// command-port benchmarks and the self-tests' screen run:
// opened on the virtual clock, so the waits for played stimuli take no real
// time, with the surroundings the AD/DA layer needs (buffer heap, shell,
// console, time module). The library is loaded by its path,
// MERETH_ZRV_STANDIN.
#pragma once

#include <cstdlib>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVLibrary.h"
#include "foundation/Buffer.h"
#include "foundation/RealTime.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Shell.h"
#include "sim/ZRVLibrary/ZRVSim.h"

// startModules: a start of the program's modules that expects the
// interface closed, run just before it opens. FALSE when the library or the
// board cannot be opened.
inline bool OpenStandInBoard(ZRVBase::BoardType board = ZRVBase::BoardZRV28, void (*startModules)() = nullptr) {
  Platform::UseVirtualClock(1000.0);
  setenv(ZRVLibrary::kPathVariable, MERETH_ZRV_STANDIN, 1);
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
  ZRVLibrary::InitModule();
  if (!ZRVLibrary::Load()) return false;
  ZRVSim_Reset();
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
  if (startModules != nullptr) startModules();
  return ZRV::InitInterface(board);
}

inline void CloseStandInBoard() {
  ZRV::Shutdown();
  Buffer::Shutdown();
  Platform::UseRealClock();
}
