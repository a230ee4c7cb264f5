// The server interface of the driver: plain functions through which the
// caller's side (the entry layer and the device-session clients with their
// polling threads) reaches the service. Each looks up the device or the
// session and the unit under the service's lock, does the work and returns a
// status; results are written only on success. The service must exist.
//
// Lookups, in this order: a device index not naming a device gives 25; a
// session identifier (the index of the device that holds the session) not
// naming an open session 29; a unit index outside the device's unit count
// 32; a unit that is missing 49.
#pragma once

#include <cstdint>

#include "Common/QRN55/Driver/QRN55.h"

inline constexpr int QRN55_SERVICE_VERSION = 8;

extern "C" {

// 0 when a client of this interface's version asks, else 1 (the driver
// version is incompatible). Not called by the program.
QRN55Status QRN55ServerInterfaceConnect(int client_version);
// The version of this interface: 8.
QRN55Status QRN55ServerInterfaceGetVersion(int* version);
// Scans the mounted volumes again, replacing every device: 0, or 4 (and no
// scan) while a device is open, so no session is discarded under its user.
QRN55Status QRN55ServerInterfaceRefreshConfiguration(void);
QRN55Status QRN55ServerInterfaceDeviceGetCount(int* count);
// At most size (> 0) characters, the last one NUL.
QRN55Status QRN55ServerInterfaceDeviceGetSerialNumber(int device_index, int size, char* text);
// The device status, 1 in place of 0 while it is open.
QRN55Status QRN55ServerInterfaceDeviceGetStatus(int device_index, int* status);
// Opens a session on a complete device (else 7; 6 when it has one): its
// identifier, unit count and shared buffer. 34 or 14 (no session is left
// then) when memory is short.
QRN55Status QRN55ServerInterfaceDeviceOpen(int device_index, int buffer_samples,
                                           int* session_identifier, int* unit_count,
                                           int* buffer_size, std::uint8_t** buffer);
QRN55Status QRN55ServerInterfaceDeviceClose(int session_identifier);
// Polls every unit of the session; their failures stay in their statuses.
QRN55Status QRN55ServerInterfaceDeviceContinuousPoll(int session_identifier);

// The unit count of the session's device. Not called by the program.
QRN55Status QRN55ServerInterfaceUnitGetCount(int session_identifier, int* count);
QRN55Status QRN55ServerInterfaceUnitGetConfiguration(int session_identifier, int unit_index,
                                                     int size, char* text, int* input_samples,
                                                     int* output_samples);
QRN55Status QRN55ServerInterfaceUnitGetInputScaling(int session_identifier, int unit_index,
                                                    int channel, double* scale, double* offset);
QRN55Status QRN55ServerInterfaceUnitGetOutputScaling(int session_identifier, int unit_index,
                                                     int channel, double* scale, double* offset);
QRN55Status QRN55ServerInterfaceControlWrite(int session_identifier, int unit_index, int channel,
                                             double volts);
// Slot arrays of sequence_count codes.
QRN55Status QRN55ServerInterfaceAcquisitionSetup(int session_identifier, int unit_index,
                                                 int sequence_count, const int* input_slot_1,
                                                 const int* input_slot_2, const int* output_slot_1,
                                                 const int* output_slot_2, int sampling_interval,
                                                 int trigger_mode);
QRN55Status QRN55ServerInterfaceContinuousPoll(int session_identifier, int unit_index,
                                               int keep_mask, int* clipping);
QRN55Status QRN55ServerInterfaceContinuousArm(int session_identifier);
QRN55Status QRN55ServerInterfaceContinuousStart(int session_identifier);
QRN55Status QRN55ServerInterfaceContinuousStop(int session_identifier);
QRN55Status QRN55ServerInterfacePulse(int session_identifier, int unit_index, int output_count,
                                      int input_count);
QRN55Status QRN55ServerInterfaceUnitDelay(int session_identifier, int unit_index, double seconds);
QRN55Status QRN55ServerInterfaceUnitGetClipping(int session_identifier, int unit_index,
                                                int* clipping);

QRN55Status QRN55ServerInterfaceServiceGetUnitCount(int device_index, int* count);
// The unit's decode state, or 19 when it is missing.
QRN55Status QRN55ServerInterfaceServiceGetUnitStatus(int device_index, int unit_index, int* status);
QRN55Status QRN55ServerInterfaceServiceGetUnitHardware(int device_index, int unit_index,
                                                       int* firmware, int* logic);
QRN55Status QRN55ServerInterfaceServiceUnlock(int device_index, int unit_index, int unlock);
QRN55Status QRN55ServerInterfaceServiceReadEEPROM(int device_index, int unit_index, int offset,
                                                  int size, std::uint8_t* data);
QRN55Status QRN55ServerInterfaceServiceWriteEEPROM(int device_index, int unit_index, int offset,
                                                   int size, const std::uint8_t* data);
// 0 whatever the send gave.
QRN55Status QRN55ServerInterfaceServiceEnablePortE(int device_index, int unit_index, int enable);
QRN55Status QRN55ServerInterfaceServiceReadPortE(int device_index, int unit_index, int size,
                                                 std::uint8_t* data);
QRN55Status QRN55ServerInterfaceServiceWritePortE(int device_index, int unit_index, int size,
                                                  const std::uint8_t* data);
// 30 for a path of 256 characters or more, 33 when it cannot be created.
// Opening and closing switch logging off.
QRN55Status QRN55ServerInterfaceServiceLogOpen(int length, const char* path);
QRN55Status QRN55ServerInterfaceServiceLogClose(void);
// Switches logging on, only while the log is open.
QRN55Status QRN55ServerInterfaceServiceLogEnable(void);
QRN55Status QRN55ServerInterfaceServiceLogDisable(void);

}  // extern "C"
