// Weak binding of the closed AD/DA board library: it is looked up by name
// when a ZRV-24, ZRV-28 or QRN 2400 is first opened, and each of its
// functions is resolved on its own. Without the library, or without one of
// its functions, the calls that need it give kLibraryNotFound and everything
// else runs on.
//
// Where the library is looked for, first match wins:
//   1. the file named by the environment variable "MERETH_ZRV_LIBRARY" (when
//      it is set and not empty, nothing else is tried);
//   2. "libZRV.so" in the folder of the program's executable;
//   3. "libZRV.so" through the dynamic loader's search path.
//
// A library that takes a clock (our simulated boards do, through
// "ZRVSim_UseClock") is handed the platform clock, so that its boards run on
// the program's time, virtual time included; one that moves a clock on
// ("ZRVSim_UseClockAdvance") is handed the platform's advance, which moves
// only the virtual clock.
//
// Main thread: Load and InitModule. Any thread: Functions and Call, once a
// load has happened before the thread started.
#pragma once

#include <cstdint>

#include "acquisition/ZRVLibraryCalls.h"

namespace ZRVLibrary {

constexpr char kLibraryName[] = "libZRV.so";
constexpr char kPathVariable[] = "MERETH_ZRV_LIBRARY";
// What a call gives when the library or the function is missing.
constexpr std::int32_t kLibraryNotFound = -3;

// Every function of the library this program uses, once.
#define ZRV_LIBRARY_FUNCTIONS(X)                                                        \
  X(ZRV24_GetStructureSize) X(ZRV24_Open) X(ZRV24_Initialize) X(ZRV24_Close)            \
  X(ZRV24_GetStatusText) X(ZRV24_SetSamplingInterval) X(ZRV24_InitializeAcquisition)    \
  X(ZRV24_SetSequence) X(ZRV24_Start) X(ZRV24_WriteFIFO) X(ZRV24_GetFIFOReadAvailable)  \
  X(ZRV24_ReadFIFO) X(ZRV24_IsClipping) X(ZRV24_GetFIFOOverflow) X(ZRV24_Stop)          \
  X(ZRV28_GetStructureSize) X(ZRV28_Open) X(ZRV28_Initialize) X(ZRV28_GetFIFOSize)      \
  X(ZRV28_Close) X(ZRV28_GetStatusText) X(ZRV28_SetSamplingInterval)                    \
  X(ZRV28_InitializeAcquisition) X(ZRV28_SetSequence) X(ZRV28_Start) X(ZRV28_WriteFIFO) \
  X(ZRV28_GetFIFOReadAvailable) X(ZRV28_ReadFIFO) X(ZRV28_IsClipping)                   \
  X(ZRV28_GetFIFOOverflow) X(ZRV28_Stop) X(ZRV28_SetDACShift) X(ZRV28_SetRange)         \
  X(ZRV28_SetExternalTriggerMode)                                                       \
  X(ZRV_GlobalConfig) X(ZRV_OpenDevice) X(ZRV_InitDevice) X(ZRV_GetSerialNumbers)       \
  X(ZRV_GetDeviceInfo) X(ZRV_GetVersions) X(ZRV_CloseDevice) X(ZRV_GetStatusText)       \
  X(ZRV_AsyncIO) X(ZRV_SingleScan) X(ZRV_ResetChannels) X(ZRV_SetChannels)              \
  X(ZRV_UpdateChannels) X(ZRV_ReadWriteFIFO) X(ZRV_Start) X(ZRV_UpdateNow)              \
  X(ZRV_GetState) X(ZRV_GetDataAvailable) X(ZRV_Stop)

// The resolved functions; nil where the library lacks one.
struct Table {
#define ZRV_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
  ZRV_LIBRARY_FUNCTIONS(ZRV_LIBRARY_MEMBER)
#undef ZRV_LIBRARY_MEMBER
};

// Opens the library unless it is open already; TRUE when it is open.
bool Load();
// The functions of the open library; every entry nil while none is open.
const Table& Functions();
// A function of the loaded library that is not in the table (our simulated
// boards' own, such as "ZRVSim_SetWiring"), looked up as the clock hand-over
// is; nil without a library or when it has no function of that name.
void* Lookup(const char* name);
// Forgets an open library; the next Load searches again.
void InitModule();

// Calls one function of the table with the arguments, or gives `missing`
// when the function was not resolved.
template <typename Function, typename Result, typename... Arguments>
Result CallOr(Function Table::* function, Result missing, Arguments... arguments) {
  const auto resolved = Functions().*function;
  if (resolved == nullptr) return missing;
  return resolved(arguments...);
}

// The same for the functions that return a status.
template <typename Function, typename... Arguments>
std::int32_t Call(Function Table::* function, Arguments... arguments) {
  return CallOr(function, kLibraryNotFound, arguments...);
}

}  // namespace ZRVLibrary
