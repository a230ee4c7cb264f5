// The QRN 5+5 backend of the AD/DA layer: one USB interface device of one or
// two units (unit 0 the master, unit 1 the slave), driven only through the
// driver's flat QRN55_* functions. It opens the driver and a device chosen by
// its serial number, keeps each unit's calibration, maps the AD/DA layer's
// channel codes to units and channels, runs sweeps (pulsed: one shot per
// unit; continuous: streamed through the driver's rings) with their scaling,
// and writes the driver's HTML log when the AD/DA debug log is on.
//
// Results: 0 success, the negative codes below, or a driver status
// (positive) unchanged; GetErrorText gives the text of each.
//
// One device at a time; main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"

namespace QRN55Interface {

inline constexpr int kDriverNotFound = -1;
inline constexpr int kFunctionNotFound = -2;
inline constexpr int kDriverNotLoaded = -3;
inline constexpr int kDriverTooOld = -4;
inline constexpr int kNotSupported = -5;  // also: the operator gave up on several devices
inline constexpr int kNotOpen = -6;
inline constexpr int kNoDevice = -7;
inline constexpr int kDeviceNotAvailable = -8;
inline constexpr int kDeviceNotFound = -9;
inline constexpr int kDriverVersion = -10;
inline constexpr int kSlotConfiguration = -11;
inline constexpr int kFIFOOverflow = -12;  // a sweep longer than the FIFO
inline constexpr int kAllocation = -13;
inline constexpr int kInternal = -14;  // a channel without its data vector
// A slave unit's samples did not come within the AD/DA layer's stall time.
inline constexpr int kAcquisitionTimeout = -15;

// Versions the backend needs of the driver and of its service.
inline constexpr int kRequiredDriverVersion = 7;
inline constexpr int kRequiredServiceVersion = 8;

// Reads the feature switches "QRN55_Scale.Off" (no scaling of DAC and ADC
// data), "QRN55WriteFifoCounter.On" (FIFO counter lines on the console),
// "QRN55PulsedSlave.Off" (no pulsed sweeps on the slave unit) and
// "QRN55AdcDelaySlave.On" (its number: the samples by which the slave's ADCs
// lag the master's). Nothing is open afterwards. Installs ActivateLogging as
// ZRVDebug's hook.
void InitModule();

// ---- Driver and device -------------------------------------------------------

inline bool Active() { return true; }
bool DriverIsOpen();
bool DeviceIsOpen();

// The device serial number to open (an empty text: any device).
void SetDeviceSerialNumber(std::span<const char> serial);
// The FIFO length asked for, in samples: at least 65536; gives what it takes.
std::int32_t SetFIFOLength(std::int32_t samples);

// Closes what is open, opens the driver (which must be at least version
// 7/8) and finds its devices: 0, kNoDevice when there is none, -10, or the
// driver's status.
int OpenDriver();
// OpenDriver, then the device of the requested serial number from device
// index startIndex on, then opens it and reads its units. matchMode: 0 any
// device, 1 the first matching device not in use, 2 the exact serial text,
// 3 a matching device (in use: kDeviceNotAvailable). Serial numbers match when
// they are equal apart from characters 8, 9 and 14. Any failure leaves
// everything closed.
int Open(int startIndex, int matchMode);
// Closes the device, has the driver look for devices again and opens the
// device at the same index.
int DriverRefresh();
// Opens the device again (match mode 3) when it is open; else 0.
int ResetUSB();
void Close();
// Close, and the sample cache is freed.
void Shutdown();

// For the operator's choice of a device: with a serial number, whether that
// device is there (serial := its exact serial text); without one, the only
// device connected (serial := its serial). While several are connected the
// operator is asked to disconnect the others ("Repeat") or to give up
// (kNotSupported). On success the serial becomes the requested one. Always
// ends with everything closed; message := the reason of a failure.
int CheckDeviceNumber(std::span<char> serial, std::span<char> message);
bool EqualDeviceNumbers(std::span<const char> a, std::span<const char> b);

// The FIFO length asked for, 4 and 8 channels per unit, and the units used.
int GetInfo(std::int32_t& fifoLength, std::int32_t& dacCount, std::int32_t& adcCount,
            std::int32_t& unitCount);
// unit 0 or 1: the master's serial number, 2: the slave's; empty otherwise.
void GetUnitSerialNumber(int unit, std::span<char> serial);
// The ADC codes that stand for the multiplexed input of unit 0 and of unit 1
// (-1: none).
void MapMuxAdc(std::int32_t adcRack1, std::int32_t adcRack2);

// A unit's calibration: output index 0..4 (DAC 1-4, the further output
// word), input index 0..8 (ADC 1-8, the multiplexed input), in volts per
// code and volts. Out of range: nothing is stored, and 0 is given.
void GetDacScale(int unit, int index, double& scale, double& offset);
void SetDacScale(int unit, int index, double scale, double offset);
void GetAdcScale(int unit, int index, double& scale, double& offset);
void SetAdcScale(int unit, int index, double scale, double offset);

// internal TRUE: sweeps apply the calibration themselves. FALSE (possible
// only while DAC and ADC data are scaled at all; else internal becomes TRUE):
// the caller scales, with the codes per volt this gives for each DAC and ADC
// code of the units; the other factors stay as they are.
void SetScaling(bool& internal, std::span<double, 14> dacUnitsPerVolt,
                std::span<double, 22> adcUnitsPerVolt);

// The unit's controller firmware and FPGA (logic) versions, 0 without an open
// device; driverVersion the driver's.
int GetVersions(int unit, int& driverVersion, int& firmware, int& logic);
// Whether the master's FPGA version works with its firmware; message := why
// not.
bool ValidateFpgaVersion(std::span<char> message);

// The unit's tone: frequency in Hz, volume 0..1.
int SoundOn(double frequency, double volume);
int SoundOff();
bool SoundIsOn();

// The driver's HTML log under ZRVDebug::DebugFile. ActivateLogging (ZRVDebug's
// hook, called when the debug log is switched on) asks for the log: it is
// opened at once when the driver is open, else when it opens. SetLogging
// switches it on or off and gives IsLogging.
void ActivateLogging();
bool SetLogging(bool on);
bool IsLogging();

// text := the text of a result code.
void GetErrorText(int code, std::span<char> text);

// ---- Sweeps ------------------------------------------------------------------

// Starts a sweep: dacCount output codes with dacSamples samples each (the
// whole output of a pulsed sweep, the first part of a continuous one), adcCount
// input codes to adcSamples samples each, interval seconds per frame. A
// vector per code; a nil ADC vector (or the only ADC vector missing) throws
// the samples away. pulsed asks for a pulsed sweep and tells whether it ran
// pulsed (its data are then complete); a triggered, long, large or (with
// "QRN55PulsedSlave.Off") slave sweep runs continuous. Nothing is sent
// without stimulate. oneShot: the output vectors hold the whole stimulus (no
// appends follow).
//
// The units' FIFOs take whole groups of 4 frames: where a continuous
// stimulus ends (a one-shot start, the last append) on a part group, its
// last frame is repeated up to the next group, so that every frame is
// played; the DACs would hold that value afterwards anyway. The input keeps
// the count asked for.
int StartStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                       std::int32_t adcSamples, const std::int32_t* dacCodes,
                       const std::int32_t* adcCodes, double interval,
                       const std::int16_t* const* dacVectors, std::int16_t* const* adcVectors,
                       bool& pulsed, bool trigger, bool stimulate, bool oneShot);
// Samples per ADC channel that ReadFromFifo can take now; overflow TRUE when
// a counted unit lost input.
int GetReadAvailable(std::int32_t& available, bool& overflow);
// count samples per ADC channel of the sweep into the vectors (indexed as at
// the start). More than GetReadAvailable gave is refused (QRN55 status 45).
// A slave unit outside that count is waited for, up to the AD/DA layer's
// stall time (kAcquisitionTimeout).
int ReadFromFifo(std::int32_t count, std::int16_t* const* adcVectors);
// count more samples per DAC channel of the sweep (count <= 0: none);
// `last`: the stimulus ends with them.
int AppendToFifo(std::int32_t count, const std::int16_t* const* dacVectors, bool last);
// Stops the units (0 without an open device).
int Stop();
// Bit 4 x unit + j: ADC board j + 1 of the unit clipped since the last call.
int ReadClippingAndClear(std::uint32_t& bits);
bool UnitHasActiveDac(int unit, std::int32_t dacCount, const std::int32_t* dacCodes);
// The slot (1..8) each channel takes in a sweep of these lists, and the
// slots of a frame. FALSE when the lists do not fit the units.
bool GetSlots(std::int32_t dacCount, std::int32_t adcCount, const std::int32_t* dacCodes,
              const std::int32_t* adcCodes, std::int32_t* dacSlots, std::int32_t* adcSlots,
              std::int32_t& slotCount);

// ---- Module state others read ------------------------------------------------

// FALSE when "QRN55_Scale.Off" exists: data pass unscaled.
extern bool ScaleDacData;
extern bool ScaleAdcData;
// The driver and device handles (nil while closed) and the device's index
// among the driver's devices, for the interface tools.
extern QRN55DriverHandle Driver;
extern QRN55DeviceHandle Device;
extern int DeviceIndex;

}  // namespace QRN55Interface
