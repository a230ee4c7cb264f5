#include "Common/QRN55/Driver/QRN55.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "Common/QRN55/Driver/QRN55DeviceSessionClient.h"
#include "Common/QRN55/Driver/QRN55ServerInterface.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "foundation/platform/Clock.h"

// A driver handle holds nothing: every driver function works on the one
// service of the process.
class QRN55Driver {};

namespace {

// Texts by status code; codes without one (11, 33, and all outside the
// table) are "Unknown status".
constexpr const char* kStatusTexts[] = {
    "No error",
    "The device driver version is incompatible",
    "The channel sequence contains conflicting AD7 channels",
    "The device driver is missing. Please install the device driver",
    "The device is busy performing a different operation",
    "Unable to open the device. Make sure the device is on and plugged into the computer",
    "The requested device is in use by another session",
    "The device is not available or ready to be opened",
    "Unabled to access the requested unit",
    "The driver has not been initialized",
    "The driver is already in use",
    nullptr,
    "EEPROM offset must be a multiple of QRN55_SERVICE_EEPROM_BLOCK_SIZE",
    "EEPROM size must be a multiple of QRN55_SERVICE_EEPROM_BLOCK_SIZE",
    "Error allocating acquisition memory buffers",
    "The input FIFO has overflowed",
    "The output FIFO has underflowed",
    "The input FIFO has overflowed",
    "An error occured communicating with the device. Make sure the device is plugged into the "
    "computer and turned on",
    "Device error. Read not completed",
    "Device error. Write not completed",
    "The required allocation size is too large",
    "Invalid channel specified",
    "Unknown connection. The unit may have been unplugged",
    "Invalid schedule decimation",
    "Invalid device specified",
    "The device handle is invalid",
    "Invalid sequence interval",
    "Invalid unit acquisition sequence. All units must acquire on the same number of channels",
    "Unknown session. The unit may have been unplugged",
    "Invalid character string",
    "Invalid trigger mode",
    "Invalid device unit specified",
    nullptr,
    "Out of memory",
    "Error creating a MUTEX for internal use",
    "The continuous acquisition resources have not been allocated",
    "The device is not armed. It must be armed before starting acquisition and writing data",
    "The operation can be performed only by the master application",
    "The operation can be performed only by a slave application",
    "Input buffer must be supplied when an input channel is enabled",
    "Output data must be supplied when an output channel is enabled",
    "Unable to perform OpenProcess",
    "Invalid read count in pulse mode. The hardware FIFO is not large enough to store the "
    "requested amount of data",
    "Invalid write count in pulse mode. The hardware FIFO is not large enough to hold the "
    "supplied amount of data",
    "Invalid read count. The requested amount of data is not available",
    "The device is recording, parameters cannot be modified",
    "An error occured communicating to the service",
    "Error creating a thread",
    "The requested unit is missing",
    "Invalid write count. There is not space available to receive the amount of data supplied",
};
constexpr int kStatusCount = static_cast<int>(std::size(kStatusTexts));
static_assert(kStatusCount == 51);
constexpr char kUnknownStatus[] = "Unknown status";
constexpr char kServiceNotOpen[] = "Service not open";

// Delays longer than this are the host's.
constexpr double kLongestUnitDelay = 0.016;
constexpr int kLogPathLimit = 256;

// Up to length - 1 characters of the text; the rest of the destination
// (length > 0 bytes) is NUL.
void CopyText(const char* text, char* target, int length) {
  QRN55_ASSERT(target != nullptr);
  QRN55_ASSERT(length > 0);
  std::strncpy(target, text, static_cast<std::size_t>(length));
  target[length - 1] = '\0';
}

void CheckUnit(QRN55DeviceHandle device, int unit_index) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(unit_index >= 0);
  QRN55_ASSERT(unit_index < device->GetUnitCount());
}

void CheckServiceUnit(QRN55DriverHandle driver, int device_index, int unit_index) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(device_index >= 0);
  QRN55_ASSERT(unit_index >= 0);
}

void CheckSlots(const int* input_slot_1, const int* input_slot_2, const int* output_slot_1,
                const int* output_slot_2) {
  QRN55_ASSERT(input_slot_1 != nullptr);
  QRN55_ASSERT(input_slot_2 != nullptr);
  QRN55_ASSERT(output_slot_1 != nullptr);
  QRN55_ASSERT(output_slot_2 != nullptr);
}

}  // namespace

extern "C" {

QRN55Status QRN55_ERROR_ServiceNotConnected(void) { return QRN55_STATUS_SERVICE_NOT_CONNECTED; }
QRN55Status QRN55_ERROR_DeviceNotAvailable(void) { return QRN55_STATUS_DEVICE_NOT_AVAILABLE; }
QRN55Status QRN55_ERROR_FifoOverflow(void) { return QRN55_STATUS_FIFO_OVERFLOW; }
QRN55Status QRN55_ERROR_FileIO(void) { return QRN55_STATUS_FILE_IO; }

// Driver family. ------------------------------------------------------------

QRN55Status QRN55_DriverOpen(QRN55DriverHandle* driver, int) {
  QRN55_ASSERT(driver != nullptr);
  *driver = nullptr;
  auto* handle = new (std::nothrow) QRN55Driver;
  if (handle == nullptr) return QRN55_STATUS_OUT_OF_MEMORY;
  if (QRN55Service::CreateService() == nullptr) {
    delete handle;
    return QRN55_STATUS_OUT_OF_MEMORY;
  }
  *driver = handle;
  return QRN55_STATUS_SUCCESS;
}

void QRN55_DriverClose(QRN55DriverHandle driver) {
  if (driver == nullptr) return;
  delete driver;
  QRN55Service::DestroyService();
}

void QRN55_GetStatusDescription(QRN55Status status, char* description, int description_length) {
  const char* text = status >= 0 && status < kStatusCount ? kStatusTexts[status] : nullptr;
  CopyText(text != nullptr ? text : kUnknownStatus, description, description_length);
}

QRN55Status QRN55_DriverGetVersion(QRN55DriverHandle driver, int* driver_version,
                                   int* service_version, char* message, int message_length) {
  QRN55_ASSERT(driver_version != nullptr);
  QRN55_ASSERT(service_version != nullptr);
  *driver_version = QRN55_DRIVER_VERSION;
  *service_version = 0;
  CopyText("", message, message_length);
  if (driver == nullptr) {
    CopyText(kServiceNotOpen, message, message_length);
    return QRN55_STATUS_SERVICE_NOT_CONNECTED;
  }
  return QRN55ServerInterfaceGetVersion(service_version);
}

QRN55Status QRN55_DriverRefreshConfiguration(QRN55DriverHandle driver) {
  QRN55_ASSERT(driver != nullptr);
  return QRN55ServerInterfaceRefreshConfiguration();
}

QRN55Status QRN55_DriverGetDeviceCount(QRN55DriverHandle driver, int* count) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(count != nullptr);
  return QRN55ServerInterfaceDeviceGetCount(count);
}

// Device family. ------------------------------------------------------------

QRN55Status QRN55_DeviceGetConfiguration(QRN55DriverHandle driver, int device_index, int* status,
                                         char* serial_number, int serial_number_length) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(device_index >= 0);
  QRN55_ASSERT(status != nullptr);
  QRN55_ASSERT(serial_number != nullptr);
  QRN55_ASSERT(serial_number_length > 0);
  int device_status;
  const QRN55Status result = QRN55ServerInterfaceDeviceGetStatus(device_index, &device_status);
  if (result != QRN55_STATUS_SUCCESS) return result;
  *status = device_status;
  return QRN55ServerInterfaceDeviceGetSerialNumber(device_index, serial_number_length,
                                                   serial_number);
}

QRN55Status QRN55_DeviceOpen(QRN55DriverHandle driver, int device_index, int buffer_samples,
                             QRN55DeviceHandle* device) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(device_index >= 0);
  QRN55_ASSERT(buffer_samples >= 0);
  QRN55_ASSERT(device != nullptr);
  *device = nullptr;
  auto* client = new (std::nothrow) QRN55DeviceSessionClient;
  if (client == nullptr) return QRN55_STATUS_OUT_OF_MEMORY;
  int session_identifier;
  int unit_count;
  int buffer_size;
  std::uint8_t* buffer;
  const QRN55Status result = QRN55ServerInterfaceDeviceOpen(
      device_index, buffer_samples, &session_identifier, &unit_count, &buffer_size, &buffer);
  if (result != QRN55_STATUS_SUCCESS) {
    delete client;
    return result;
  }
  client->Setup(session_identifier, unit_count);
  if (!client->Map(buffer_size, buffer)) {
    // The session would otherwise stay open with nobody to close it.
    QRN55ServerInterfaceDeviceClose(session_identifier);
    delete client;
    return QRN55_STATUS_OUT_OF_MEMORY;
  }
  *device = client;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_DeviceConnect(QRN55DriverHandle driver, int device_index,
                                QRN55DeviceHandle* device) {
  return QRN55_DeviceOpen(driver, device_index, 0, device);
}

void QRN55_DeviceClose(QRN55DeviceHandle device) {
  if (device == nullptr) return;
  // The thread goes before the session it polls.
  device->ContinuousStop();
  QRN55ServerInterfaceDeviceClose(device->GetSessionIdentifier());
  delete device;
}

QRN55Status QRN55_DeviceGetUnitCount(QRN55DeviceHandle device, int* count) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(count != nullptr);
  *count = device->GetUnitCount();
  return QRN55_STATUS_SUCCESS;
}

// Unit family. ----------------------------------------------------------------

QRN55Status QRN55_UnitGetConfiguration(QRN55DeviceHandle device, int unit_index,
                                       char* serial_number, int serial_number_length,
                                       int* pulsed_input_maximum_samples,
                                       int* pulsed_output_maximum_samples) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(serial_number != nullptr);
  QRN55_ASSERT(serial_number_length > 0);
  QRN55_ASSERT(pulsed_input_maximum_samples != nullptr);
  QRN55_ASSERT(pulsed_output_maximum_samples != nullptr);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  return QRN55ServerInterfaceUnitGetConfiguration(
      device->GetSessionIdentifier(), unit_index, serial_number_length, serial_number,
      pulsed_input_maximum_samples, pulsed_output_maximum_samples);
}

QRN55Status QRN55_UnitGetClipping(QRN55DeviceHandle device, int unit_index, int* clipping) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(clipping != nullptr);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  return QRN55ServerInterfaceUnitGetClipping(device->GetSessionIdentifier(), unit_index, clipping);
}

void QRN55_SystemDelay(double seconds) { Platform::SleepSeconds(std::max(seconds, 0.001)); }

QRN55Status QRN55_UnitDelay(QRN55DeviceHandle device, int unit_index, double seconds) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(seconds > 0.0);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  if (seconds > kLongestUnitDelay) {
    QRN55_SystemDelay(seconds);
    return QRN55_STATUS_SUCCESS;
  }
  return QRN55ServerInterfaceUnitDelay(device->GetSessionIdentifier(), unit_index, seconds);
}

QRN55Status QRN55_ControlOutputWrite(QRN55DeviceHandle device, int unit_index, int channel,
                                     double volts) {
  CheckUnit(device, unit_index);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  if (channel != 0 && channel != 1) return QRN55_STATUS_INVALID_CHANNEL;
  return QRN55ServerInterfaceControlWrite(device->GetSessionIdentifier(), unit_index, channel,
                                          volts);
}

QRN55Status QRN55_UnitGetInputScaling(QRN55DeviceHandle device, int unit_index, int input_channel,
                                      double* scale, double* offset) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(input_channel > 0);
  QRN55_ASSERT(scale != nullptr);
  QRN55_ASSERT(offset != nullptr);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  return QRN55ServerInterfaceUnitGetInputScaling(device->GetSessionIdentifier(), unit_index,
                                                 input_channel, scale, offset);
}

QRN55Status QRN55_UnitGetOutputScaling(QRN55DeviceHandle device, int unit_index, int output_channel,
                                       double* scale, double* offset) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(output_channel > 0);
  QRN55_ASSERT(scale != nullptr);
  QRN55_ASSERT(offset != nullptr);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  return QRN55ServerInterfaceUnitGetOutputScaling(device->GetSessionIdentifier(), unit_index,
                                                  output_channel, scale, offset);
}

// Continuous family. ----------------------------------------------------------

QRN55Status QRN55_ContinuousInitialize(QRN55DeviceHandle device, int unit_index, int sequence_count,
                                       const int* input_slot_1, const int* input_slot_2,
                                       const int* output_slot_1, const int* output_slot_2,
                                       int sampling_interval, int trigger_mode,
                                       int latency_frames) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(sequence_count > 0);
  CheckSlots(input_slot_1, input_slot_2, output_slot_1, output_slot_2);
  QRN55_ASSERT(sampling_interval > 0);
  QRN55_ASSERT(latency_frames >= 0);
  CheckUnit(device, unit_index);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  return QRN55ServerInterfaceAcquisitionSetup(
      device->GetSessionIdentifier(), unit_index, sequence_count, input_slot_1, input_slot_2,
      output_slot_1, output_slot_2, sampling_interval, trigger_mode);
}

QRN55Status QRN55_ContinuousArm(QRN55DeviceHandle device) {
  QRN55_ASSERT(device != nullptr);
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  const QRN55Status result = QRN55ServerInterfaceContinuousArm(device->GetSessionIdentifier());
  if (result != QRN55_STATUS_SUCCESS) return result;
  return device->ContinuousArm();
}

QRN55Status QRN55_ContinuousStart(QRN55DeviceHandle device) {
  QRN55_ASSERT(device != nullptr);
  const QRN55Status result = QRN55ServerInterfaceContinuousStart(device->GetSessionIdentifier());
  if (result == QRN55_STATUS_SUCCESS) device->ContinuousStart();
  return result;
}

QRN55Status QRN55_ContinuousStop(QRN55DeviceHandle device) {
  QRN55_ASSERT(device != nullptr);
  device->ContinuousStop();
  return QRN55ServerInterfaceContinuousStop(device->GetSessionIdentifier());
}

QRN55Status QRN55_ContinuousGetUnitStatus(QRN55DeviceHandle device, int unit_index, int keep_mask,
                                          int* status, int* clipping_mask,
                                          int* input_available_samples,
                                          int* output_available_samples) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(status != nullptr);
  QRN55_ASSERT(clipping_mask != nullptr);
  QRN55_ASSERT(input_available_samples != nullptr);
  QRN55_ASSERT(output_available_samples != nullptr);
  CheckUnit(device, unit_index);
  int clipping;
  const QRN55Status result = device->ContinuousPollUnit(unit_index, keep_mask, clipping);
  if (result != QRN55_STATUS_SUCCESS) return result;
  const QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  *clipping_mask = clipping;
  *input_available_samples = buffer.DataInputGetReadAvailable();
  *output_available_samples = buffer.DataOutputGetWriteAvailable();
  *status = buffer.GetStatus();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_ContinuousInputRead(QRN55DeviceHandle device, int unit_index, int input_samples,
                                      std::int16_t* const* data) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(input_samples > 0);
  QRN55_ASSERT(data != nullptr);
  CheckUnit(device, unit_index);
  QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  if (input_samples > buffer.DataInputGetReadAvailable()) return QRN55_STATUS_READ_COUNT;
  buffer.DataInputRead(input_samples, data);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_ContinuousOutputWrite(QRN55DeviceHandle device, int unit_index,
                                        int output_samples, const std::int16_t* const* data) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(output_samples > 0);
  QRN55_ASSERT(data != nullptr);
  CheckUnit(device, unit_index);
  QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  if (output_samples > buffer.DataOutputGetWriteAvailable()) return QRN55_STATUS_WRITE_COUNT;
  buffer.DataOutputWrite(output_samples, data);
  return QRN55_STATUS_SUCCESS;
}

// Asynchronous family. --------------------------------------------------------

QRN55Status QRN55_AsynchronousInputSet(QRN55DeviceHandle device, int unit_index, int slot,
                                       int asynchronous) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  device->GetUnitBuffer(unit_index).AsynchronousInputSet(slot, asynchronous != 0);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_AsynchronousInputGetAvailable(QRN55DeviceHandle device, int unit_index, int slot,
                                                int* frames) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  QRN55_ASSERT(frames != nullptr);
  *frames = device->GetUnitBuffer(unit_index).AsynchronousInputGetAvailable(slot);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_AsynchronousInputRead(QRN55DeviceHandle device, int unit_index, int slot,
                                        int frames, std::int16_t* data) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  if (frames > buffer.AsynchronousInputGetAvailable(slot)) return QRN55_STATUS_READ_COUNT;
  buffer.AsynchronousInputRead(slot, frames, data);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_AsynchronousOutputSet(QRN55DeviceHandle device, int unit_index, int slot,
                                        int asynchronous, std::int16_t value) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  device->GetUnitBuffer(unit_index).AsynchronousOutputSet(slot, asynchronous != 0, value);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_AsynchronousOutputGetAvailable(QRN55DeviceHandle device, int unit_index, int slot,
                                                 int* frames) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  QRN55_ASSERT(frames != nullptr);
  *frames = device->GetUnitBuffer(unit_index).AsynchronousOutputGetAvailable(slot);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55_AsynchronousOutputWrite(QRN55DeviceHandle device, int unit_index, int slot,
                                          int frames, const std::int16_t* data) {
  CheckUnit(device, unit_index);
  QRN55_ASSERT(slot >= 0);
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  if (frames > buffer.AsynchronousOutputGetAvailable(slot)) return QRN55_STATUS_WRITE_COUNT;
  buffer.AsynchronousOutputWrite(slot, frames, data);
  return QRN55_STATUS_SUCCESS;
}

// Pulsed acquisition. -----------------------------------------------------------

QRN55Status QRN55_Pulse(QRN55DeviceHandle device, int unit_index, int sequence_count,
                        const int* input_slot_1, const int* input_slot_2, const int* output_slot_1,
                        const int* output_slot_2, int interval, int output_count,
                        const std::int16_t* const* output_data, int input_count,
                        std::int16_t* const* input_data) {
  QRN55_ASSERT(device != nullptr);
  QRN55_ASSERT(unit_index >= 0);
  QRN55_ASSERT(sequence_count >= 0);
  QRN55_ASSERT(sequence_count <= QRN55_MAXIMUM_SEQUENCE_COUNT);
  CheckSlots(input_slot_1, input_slot_2, output_slot_1, output_slot_2);
  QRN55_ASSERT(interval > 0);
  QRN55_ASSERT(output_count >= 0);
  QRN55_ASSERT(output_data != nullptr);
  QRN55_ASSERT(input_count >= 0);
  QRN55_ASSERT(input_data != nullptr);
  QRN55_ASSERT(unit_index < device->GetUnitCount());
  if (device->IsActive()) return QRN55_STATUS_BUSY;
  const int session = device->GetSessionIdentifier();
  QRN55Status result =
      QRN55ServerInterfaceAcquisitionSetup(session, unit_index, sequence_count, input_slot_1,
                                           input_slot_2, output_slot_1, output_slot_2, interval, 0);
  if (result != QRN55_STATUS_SUCCESS) return result;

  QRN55UnitBufferClient& buffer = device->GetUnitBuffer(unit_index);
  const bool inputs = buffer.GetInputSlotCount() > 0;
  const bool outputs = buffer.GetOutputSlotCount() > 0;
  if (inputs) {
    if (input_count == 0) return QRN55_STATUS_PULSE_INPUT_MISSING;
    if (input_count > buffer.GetInputBufferFrames()) return QRN55_STATUS_PULSE_READ_COUNT;
  }
  if (outputs) {
    if (output_count == 0) return QRN55_STATUS_PULSE_OUTPUT_MISSING;
    if (output_count > buffer.GetOutputBufferFrames()) return QRN55_STATUS_PULSE_WRITE_COUNT;
    buffer.DataOutputWrite(output_count, output_data);
  }
  // A direction without slots has no ring for its count.
  result = QRN55ServerInterfacePulse(session, unit_index, outputs ? output_count : 0,
                                     inputs ? input_count : 0);
  if (result != QRN55_STATUS_SUCCESS) return result;
  if (inputs) buffer.DataInputRead(input_count, input_data);
  return QRN55_STATUS_SUCCESS;
}

// Service family. -------------------------------------------------------------

QRN55Status QRN55_ServiceGetUnitCount(QRN55DriverHandle driver, int device_index, int* count) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(device_index >= 0);
  QRN55_ASSERT(count != nullptr);
  return QRN55ServerInterfaceServiceGetUnitCount(device_index, count);
}

QRN55Status QRN55_ServiceGetUnitStatus(QRN55DriverHandle driver, int device_index, int unit_index,
                                       int* status) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(status != nullptr);
  return QRN55ServerInterfaceServiceGetUnitStatus(device_index, unit_index, status);
}

QRN55Status QRN55_ServiceGetUnitHardware(QRN55DriverHandle driver, int device_index, int unit_index,
                                         int* firmware, int* logic) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(firmware != nullptr);
  QRN55_ASSERT(logic != nullptr);
  return QRN55ServerInterfaceServiceGetUnitHardware(device_index, unit_index, firmware, logic);
}

QRN55Status QRN55_ServiceUnlock(QRN55DriverHandle driver, int device_index, int unit_index,
                                int unlock) {
  CheckServiceUnit(driver, device_index, unit_index);
  return QRN55ServerInterfaceServiceUnlock(device_index, unit_index, unlock);
}

QRN55Status QRN55_ServiceReadEEPROM(QRN55DriverHandle driver, int device_index, int unit_index,
                                    int address, int size, std::uint8_t* data) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(address >= 0);
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return QRN55ServerInterfaceServiceReadEEPROM(device_index, unit_index, address, size, data);
}

QRN55Status QRN55_ServiceWriteEEPROM(QRN55DriverHandle driver, int device_index, int unit_index,
                                     int address, int size, const std::uint8_t* data) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(address >= 0);
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return QRN55ServerInterfaceServiceWriteEEPROM(device_index, unit_index, address, size, data);
}

QRN55Status QRN55_ServiceEnablePortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                     int enable) {
  CheckServiceUnit(driver, device_index, unit_index);
  return QRN55ServerInterfaceServiceEnablePortE(device_index, unit_index, enable);
}

QRN55Status QRN55_ServiceReadPortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                   int size, std::uint8_t* data) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return QRN55ServerInterfaceServiceReadPortE(device_index, unit_index, size, data);
}

QRN55Status QRN55_ServiceWritePortE(QRN55DriverHandle driver, int device_index, int unit_index,
                                    int size, const std::uint8_t* data) {
  CheckServiceUnit(driver, device_index, unit_index);
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return QRN55ServerInterfaceServiceWritePortE(device_index, unit_index, size, data);
}

QRN55Status QRN55_ServiceLogOpen(QRN55DriverHandle driver, const char* file_path) {
  QRN55_ASSERT(driver != nullptr);
  QRN55_ASSERT(file_path != nullptr);
  QRN55_ASSERT(file_path[0] != 0);
  const int length = static_cast<int>(strnlen(file_path, kLogPathLimit));
  if (length >= kLogPathLimit) return QRN55_STATUS_INVALID_STRING;
  return QRN55ServerInterfaceServiceLogOpen(length, file_path);
}

QRN55Status QRN55_ServiceLogClose(QRN55DriverHandle driver) {
  QRN55_ASSERT(driver != nullptr);
  return QRN55ServerInterfaceServiceLogClose();
}

QRN55Status QRN55_ServiceLogEnable(QRN55DriverHandle driver, int) {
  QRN55_ASSERT(driver != nullptr);
  return QRN55ServerInterfaceServiceLogEnable();
}

QRN55Status QRN55_ServiceLogDisable(QRN55DriverHandle driver) {
  QRN55_ASSERT(driver != nullptr);
  return QRN55ServerInterfaceServiceLogDisable();
}

}  // extern "C"
