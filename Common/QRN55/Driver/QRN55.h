// The flat entry layer of the QRN 5+5 driver library: plain functions with
// unmangled names through which the rest of the program reaches the
// interface. Every function returns a status (0 success); the text of a
// status comes from QRN55_GetStatusDescription.
//
// Calling order: QRN55_DriverOpen -> QRN55_DriverGetVersion ->
// QRN55_DriverRefreshConfiguration -> QRN55_DriverGetDeviceCount /
// QRN55_DeviceGetConfiguration -> QRN55_DeviceOpen -> unit configuration and
// scalings -> either QRN55_Pulse, or QRN55_ContinuousInitialize per unit,
// QRN55_ContinuousArm, QRN55_ContinuousStart, repeated
// QRN55_ContinuousGetUnitStatus / QRN55_ContinuousInputRead /
// QRN55_ContinuousOutputWrite, and QRN55_ContinuousStop -> QRN55_DeviceClose
// -> QRN55_DriverClose. The service family needs only the driver handle.
//
// Broken preconditions (nil handles or result pointers, negative indices,
// unit indices not below the unit count, the conditions named at each
// function) stop the process with the condition's text. Functions marked
// "busy" return 4 and do nothing while the device's continuous acquisition
// is armed or started. Texts travel as a pointer and their capacity in
// bytes, the terminating NUL included; a copied text always ends with one.
//
// Threads: every function is called from one caller thread. The driver's
// own polling thread (one per device handle, between arm and stop) polls the
// units every 80 ms; it and QRN55_ContinuousGetUnitStatus exclude each other.
#pragma once

#include <cstdint>

// 0 is success; every other value names one failure.
using QRN55Status = std::int32_t;

enum : QRN55Status {
  QRN55_STATUS_SUCCESS = 0,
  QRN55_STATUS_VERSION_INCOMPATIBLE = 1,
  QRN55_STATUS_CONFLICTING_AD7_CHANNELS = 2,
  QRN55_STATUS_SERVICE_NOT_CONNECTED = 3,
  QRN55_STATUS_BUSY = 4,
  QRN55_STATUS_OPEN_FAILED = 5,
  QRN55_STATUS_IN_USE = 6,
  QRN55_STATUS_DEVICE_NOT_AVAILABLE = 7,
  QRN55_STATUS_UNIT_ACCESS = 8,
  QRN55_STATUS_EEPROM_OFFSET = 12,
  QRN55_STATUS_EEPROM_SIZE = 13,
  QRN55_STATUS_BUFFER_ALLOCATION = 14,
  QRN55_STATUS_FIFO_OVERFLOW = 15,
  QRN55_STATUS_FIFO_UNDERFLOW = 16,
  QRN55_STATUS_FILE_IO = 18,
  QRN55_STATUS_SHORT_READ = 19,
  QRN55_STATUS_SHORT_WRITE = 20,
  QRN55_STATUS_INVALID_CHANNEL = 22,
  QRN55_STATUS_INVALID_DEVICE = 25,
  QRN55_STATUS_INVALID_INTERVAL = 27,
  QRN55_STATUS_INVALID_SEQUENCE = 28,
  QRN55_STATUS_UNKNOWN_SESSION = 29,
  QRN55_STATUS_INVALID_STRING = 30,
  QRN55_STATUS_INVALID_TRIGGER_MODE = 31,
  QRN55_STATUS_INVALID_UNIT = 32,
  QRN55_STATUS_LOG_CREATE = 33,
  QRN55_STATUS_OUT_OF_MEMORY = 34,
  QRN55_STATUS_PULSE_INPUT_MISSING = 40,
  QRN55_STATUS_PULSE_OUTPUT_MISSING = 41,
  QRN55_STATUS_PULSE_READ_COUNT = 43,
  QRN55_STATUS_PULSE_WRITE_COUNT = 44,
  QRN55_STATUS_READ_COUNT = 45,
  QRN55_STATUS_THREAD_CREATE = 48,
  QRN55_STATUS_UNIT_MISSING = 49,
  QRN55_STATUS_WRITE_COUNT = 50,
};

// The status of a unit that is not connected, as QRN55_ServiceGetUnitStatus
// gives it (its own code space: the unit's decode states are 0 to 18).
inline constexpr int QRN55_UNIT_STATUS_MISSING = 19;

// Steps of one acquisition sequence.
inline constexpr int QRN55_MAXIMUM_SEQUENCE_COUNT = 8;
// Samples of one frame of a direction (two converters per step).
inline constexpr int QRN55_MAXIMUM_FRAME_SAMPLES = 16;
// Unit EEPROM transfers move whole blocks of this many bytes.
inline constexpr int QRN55_SERVICE_EEPROM_BLOCK_SIZE = 64;
inline constexpr int QRN55_DRIVER_VERSION = 7;

class QRN55Driver;
class QRN55DeviceSessionClient;
using QRN55DriverHandle = QRN55Driver*;
using QRN55DeviceHandle = QRN55DeviceSessionClient*;

extern "C" {

// Named codes for callers that compare statuses: 3, 7, 15 and 18.
QRN55Status QRN55_ERROR_ServiceNotConnected(void);
QRN55Status QRN55_ERROR_DeviceNotAvailable(void);
QRN55Status QRN55_ERROR_FifoOverflow(void);
QRN55Status QRN55_ERROR_FileIO(void);

// Driver family. ------------------------------------------------------------

// Gives a driver handle (nil on failure) over the one service of the
// process, creating the service if there is none: 0, or 34. The flag is not
// used.
QRN55Status QRN55_DriverOpen(QRN55DriverHandle* driver, int flag);
// Nil is ignored. Destroys the handle and the service with every device and
// session: close the device handles first.
void QRN55_DriverClose(QRN55DriverHandle driver);
// The status's text, cut to description_length (> 0) - 1 characters; the
// rest of the destination is filled with NULs.
void QRN55_GetStatusDescription(QRN55Status status, char* description, int description_length);
// Driver version 7; with a handle the service version 8, an empty message
// and 0; without one service version 0, the message "Service not open" and 3.
QRN55Status QRN55_DriverGetVersion(QRN55DriverHandle driver, int* driver_version,
                                   int* service_version, char* message, int message_length);
// Discards the devices and scans the mounted volumes again: 0, or 4 (and
// nothing changes) while a device is open.
QRN55Status QRN55_DriverRefreshConfiguration(QRN55DriverHandle driver);
QRN55Status QRN55_DriverGetDeviceCount(QRN55DriverHandle driver, int* count);

// Device family. ------------------------------------------------------------

// 25 for an index not below the device count (nothing written). The status
// is the device's (0 complete, 3 a faulty unit, 4 a unit missing, 5 a slot
// claimed twice), 1 in place of 0 while the device is open.
QRN55Status QRN55_DeviceGetConfiguration(QRN55DriverHandle driver, int device_index, int* status,
                                         char* serial_number, int serial_number_length);
// Opens the device with rings of at least buffer_samples (>= 0) samples per
// unit and direction: 0 and a handle, or 25, 7 (the device is not complete),
// 6 (already open), 34 or 14, and a nil handle.
QRN55Status QRN55_DeviceOpen(QRN55DriverHandle driver, int device_index, int buffer_samples,
                             QRN55DeviceHandle* device);
// QRN55_DeviceOpen with rings of the units' FIFO sizes.
QRN55Status QRN55_DeviceConnect(QRN55DriverHandle driver, int device_index,
                                QRN55DeviceHandle* device);
// Nil is ignored. Stops the polling thread, then closes the device.
void QRN55_DeviceClose(QRN55DeviceHandle device);
QRN55Status QRN55_DeviceGetUnitCount(QRN55DeviceHandle device, int* count);

// Unit family: busy; 29 when the device is no longer open. -----------------

// The unit serial number and the unit's FIFO depths in samples.
QRN55Status QRN55_UnitGetConfiguration(QRN55DeviceHandle device, int unit_index,
                                       char* serial_number, int serial_number_length,
                                       int* pulsed_input_maximum_samples,
                                       int* pulsed_output_maximum_samples);
// Bit n: AD board n + 1 clipped since the last read. A failed read leaves
// the clipping unwritten.
QRN55Status QRN55_UnitGetClipping(QRN55DeviceHandle device, int unit_index, int* clipping);
// Waits on the host for at least 0.001 s (smaller values are raised to it),
// on the program's clock.
void QRN55_SystemDelay(double seconds);
// seconds > 0. Above 0.016 s, and where the unit's timer cannot count it,
// the host waits; else the unit does.
QRN55Status QRN55_UnitDelay(QRN55DeviceHandle device, int unit_index, double seconds);
// Control output 0 or 1 (else 22), volts clipped to 0..5 V.
QRN55Status QRN55_ControlOutputWrite(QRN55DeviceHandle device, int unit_index, int channel,
                                     double volts);
// Channels from 1: inputs 1..9, outputs 1..5; other channels 22.
QRN55Status QRN55_UnitGetInputScaling(QRN55DeviceHandle device, int unit_index, int input_channel,
                                      double* scale, double* offset);
QRN55Status QRN55_UnitGetOutputScaling(QRN55DeviceHandle device, int unit_index, int output_channel,
                                       double* scale, double* offset);

// Continuous family. ----------------------------------------------------------

// Busy. sequence_count > 0 and four slot arrays of sequence_count channel
// codes, sampling_interval > 0, latency_frames >= 0 (no effect). Sets up the
// unit's acquisition and empties its rings: 0, or 28, 27, 2, 31.
QRN55Status QRN55_ContinuousInitialize(QRN55DeviceHandle device, int unit_index, int sequence_count,
                                       const int* input_slot_1, const int* input_slot_2,
                                       const int* output_slot_1, const int* output_slot_2,
                                       int sampling_interval, int trigger_mode, int latency_frames);
// Busy. Writes every unit's settings, then starts the polling thread (48
// when it cannot be created).
QRN55Status QRN55_ContinuousArm(QRN55DeviceHandle device);
// Fills every unit's output FIFO from its ring and starts the units (the
// highest first); then the thread polls every 80 ms.
QRN55Status QRN55_ContinuousStart(QRN55DeviceHandle device);
// Ends the polling thread (at once, or by detaching it after 1 s when a poll
// is stuck), then stops every unit: 0, or 29.
QRN55Status QRN55_ContinuousStop(QRN55DeviceHandle device);
// Polls the unit: its status and the data between the unit and the rings.
// A failed poll is returned. Otherwise gives the clipping bits gathered
// since the last report (keep_mask selects those that stay gathered), the
// frames readable from the input ring, the frames writable into the output
// ring and the unit's status word (0, 15 after an input overflow, 16 once
// output waits in the ring after the output FIFO ran dry, or a failed
// poll's status), and returns 0.
QRN55Status QRN55_ContinuousGetUnitStatus(QRN55DeviceHandle device, int unit_index, int keep_mask,
                                          int* status, int* clipping_mask,
                                          int* input_available_samples,
                                          int* output_available_samples);
// input_samples > 0 frames from the input ring into one array per input
// slot: 0, or 45 (nothing moved) when fewer frames are readable.
QRN55Status QRN55_ContinuousInputRead(QRN55DeviceHandle device, int unit_index, int input_samples,
                                      std::int16_t* const* data);
// output_samples > 0 frames from one array per output slot into the output
// ring: 0, or 50 (nothing moved) when there is less room.
QRN55Status QRN55_ContinuousOutputWrite(QRN55DeviceHandle device, int unit_index,
                                        int output_samples, const std::int16_t* const* data);

// Asynchronous family: slots read or written on their own, apart from the
// arrays of the ring transfers (which then take a nil pointer for them);
// slot >= 0 and below the direction's slot count; 0 unless said. ------------

QRN55Status QRN55_AsynchronousInputSet(QRN55DeviceHandle device, int unit_index, int slot,
                                       int asynchronous);
QRN55Status QRN55_AsynchronousInputGetAvailable(QRN55DeviceHandle device, int unit_index, int slot,
                                                int* frames);
// frames > 0 into data (not nil): 0, or 45 (nothing moved) when fewer
// frames are available.
QRN55Status QRN55_AsynchronousInputRead(QRN55DeviceHandle device, int unit_index, int slot,
                                        int frames, std::int16_t* data);
QRN55Status QRN55_AsynchronousOutputSet(QRN55DeviceHandle device, int unit_index, int slot,
                                        int asynchronous, std::int16_t value);
QRN55Status QRN55_AsynchronousOutputGetAvailable(QRN55DeviceHandle device, int unit_index, int slot,
                                                 int* frames);
// frames > 0 from data (not nil): 0, or 50 (nothing moved) when there is
// less room.
QRN55Status QRN55_AsynchronousOutputWrite(QRN55DeviceHandle device, int unit_index, int slot,
                                          int frames, const std::int16_t* data);

// Pulsed acquisition. ----------------------------------------------------------

// Busy. One shot: sets the acquisition up with the internal trigger (0 <=
// sequence_count <= 8; the codes of QRN55_ContinuousInitialize), sends
// output_count frames (one array per output slot) and reads input_count
// frames back (one array per input slot). With input slots: 40 for no
// input, 43 when input_count and the unit's sequence counter delay exceed
// the input ring; with output slots: 41 for no output, 44 above the output
// ring. A direction without slots moves nothing whatever its count.
QRN55Status QRN55_Pulse(QRN55DeviceHandle device, int unit_index, int sequence_count,
                        const int* input_slot_1, const int* input_slot_2, const int* output_slot_1,
                        const int* output_slot_2, int interval, int output_count,
                        const std::int16_t* const* output_data, int input_count,
                        std::int16_t* const* input_data);

// Service family: driver level, no device open needed; 25 bad device index,
// 32 bad unit index, 49 (all but the first two) unit missing. --------------

QRN55Status QRN55_ServiceGetUnitCount(QRN55DriverHandle driver, int device_index, int* count);
// The unit's decode state from its open, or 19 when it is missing.
QRN55Status QRN55_ServiceGetUnitStatus(QRN55DriverHandle driver, int device_index, int unit_index,
                                       int* status);
QRN55Status QRN55_ServiceGetUnitHardware(QRN55DriverHandle driver, int device_index, int unit_index,
                                         int* firmware, int* logic);
// The flag goes out with the next transfer.
QRN55Status QRN55_ServiceUnlock(QRN55DriverHandle driver, int device_index, int unit_index,
                                int unlock);
// address >= 0, size > 0: 12 or 13 unless both are multiples of 64.
QRN55Status QRN55_ServiceReadEEPROM(QRN55DriverHandle driver, int device_index, int unit_index,
                                    int address, int size, std::uint8_t* data);
QRN55Status QRN55_ServiceWriteEEPROM(QRN55DriverHandle driver, int device_index, int unit_index,
                                     int address, int size, const std::uint8_t* data);
QRN55Status QRN55_ServiceEnablePortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                     int enable);
// size > 0.
QRN55Status QRN55_ServiceReadPortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                   int size, std::uint8_t* data);
QRN55Status QRN55_ServiceWritePortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                    int size, const std::uint8_t* data);
// A non-empty path: 30 when it has 256 characters or more, 33 when the
// file cannot be created. Logging stays off until QRN55_ServiceLogEnable.
QRN55Status QRN55_ServiceLogOpen(QRN55DriverHandle driver, const char* file_path);
QRN55Status QRN55_ServiceLogClose(QRN55DriverHandle driver);
// Logging starts only while the log is open; the argument is not used.
QRN55Status QRN55_ServiceLogEnable(QRN55DriverHandle driver, int argument);
QRN55Status QRN55_ServiceLogDisable(QRN55DriverHandle driver);

}  // extern "C"
