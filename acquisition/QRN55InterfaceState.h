// The state that the two halves of QRN55Interface share: device access and
// unit records (QRN55Interface.cpp), sweeps (QRN55Sweeps.cpp). Not for other
// modules; tests use it to stage what a real driver never reports.
#pragma once

#include <cstdint>

#include "Common/QRN55/Driver/QRN55.h"
#include "acquisition/QRN55SweepPlan.h"

namespace QRN55Interface {

inline constexpr int kOutputChannels = 5;  // DAC 1-4 and the further output word
inline constexpr int kInputChannels = 9;   // ADC 1-8 and the multiplexed input
inline constexpr int kTextSize = 80;

// One unit's calibration and what its last poll said.
struct UnitDescr {
  char description[kTextSize];  // the unit's serial number
  double outputScale[kOutputChannels];
  double outputOffset[kOutputChannels];
  double inputScale[kInputChannels];
  double inputOffset[kInputChannels];
  std::int32_t inputAvailable;   // samples readable, as the sweep counts them
  std::int32_t outputAvailable;  // samples writable
  std::int32_t status;           // the unit's status word
  std::uint32_t clipping;        // clipping bits gathered until read
  bool overflow;                 // the unit lost input
};

extern UnitDescr Units[QRN55SweepPlan::kUnits];
extern int ActiveUnits;  // 1 or 2
extern std::int32_t RequestFifoLength;
// Samples a pulse can move: the largest unit FIFO / 8.
extern std::int32_t MaxPulseDacSamples;
extern std::int32_t MaxPulseAdcSamples;
// A driver call failed with QRN55_ERROR_FileIO: the next sweep opens again.
extern bool FileIOFailed;
extern bool InternalScaling;
extern bool WriteFifoCounter;
extern bool AllowPulsedSlave;
extern int FixAdcDelayOfSlave;
extern QRN55SweepPlan::MuxMap MappedMuxAdc;

// Gives the status of an acquisition call; a file I/O failure sets
// FileIOFailed.
int Checked(int status);

// Of the sweep half: InitSweeps starts it without a cache (at module start);
// ResetSweep forgets the sweep's channels and state; FreeCache frees the
// cache.
void InitSweeps();
void ResetSweep();
void FreeCache();

// The driver's configuration calls, replaceable by a stand-in (a test stages
// a device in use, old versions, several devices); the real ones by default.
struct ConfigurationCalls {
  QRN55Status (*DriverGetVersion)(QRN55DriverHandle, int*, int*, char*, int);
  QRN55Status (*DriverRefreshConfiguration)(QRN55DriverHandle);
  QRN55Status (*DriverGetDeviceCount)(QRN55DriverHandle, int*);
  QRN55Status (*DeviceGetConfiguration)(QRN55DriverHandle, int, int*, char*, int);
};
extern ConfigurationCalls Configuration;
extern const ConfigurationCalls kRealConfiguration;

}  // namespace QRN55Interface
