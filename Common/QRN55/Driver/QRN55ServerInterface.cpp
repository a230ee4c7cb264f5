#include "Common/QRN55/Driver/QRN55ServerInterface.h"

#include <memory>
#include <span>
#include <type_traits>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "Common/QRN55/Driver/QRN55DeviceSession.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "foundation/Strings.h"

namespace {

constexpr int kMaximumLogPath = 255;

// One call of the server interface: the service held and locked for its
// length, and the lookups of its arguments.
class ServiceCall {
 public:
  ServiceCall() : _service(QRN55Service::GetService()) {
    QRN55_ASSERT(_service != nullptr);
    _service->Lock();
  }
  ~ServiceCall() { _service->Release(); }
  ServiceCall(const ServiceCall&) = delete;
  ServiceCall& operator=(const ServiceCall&) = delete;

  QRN55DeviceManager& Manager() { return _service->GetDeviceManager(); }

  QRN55Status Device(int device_index, QRN55Device*& device) {
    device = Manager().GetDevice(device_index);
    return device != nullptr ? QRN55_STATUS_SUCCESS : QRN55_STATUS_INVALID_DEVICE;
  }

  QRN55Status Session(int session_identifier, QRN55DeviceSession*& session) {
    session = Manager().GetSession(session_identifier);
    return session != nullptr ? QRN55_STATUS_SUCCESS : QRN55_STATUS_UNKNOWN_SESSION;
  }

  // The session and a unit index of its device.
  QRN55Status SessionUnit(int session_identifier, int unit_index, QRN55DeviceSession*& session) {
    const QRN55Status result = Session(session_identifier, session);
    if (result != QRN55_STATUS_SUCCESS) return result;
    return UnitIndex(session->GetDevice(), unit_index);
  }

  // The unit of a session.
  QRN55Status SessionUnit(int session_identifier, int unit_index, QRN55Unit*& unit) {
    QRN55DeviceSession* session;
    const QRN55Status result = SessionUnit(session_identifier, unit_index, session);
    if (result != QRN55_STATUS_SUCCESS) return result;
    return Present(session->GetDevice(), unit_index, unit);
  }

  // The unit of a device, with or without a session.
  QRN55Status DeviceUnit(int device_index, int unit_index, QRN55Unit*& unit) {
    QRN55Device* device;
    QRN55Status result = Device(device_index, device);
    if (result == QRN55_STATUS_SUCCESS) result = UnitIndex(*device, unit_index);
    if (result == QRN55_STATUS_SUCCESS) result = Present(*device, unit_index, unit);
    return result;
  }

  static QRN55Status UnitIndex(const QRN55Device& device, int unit_index) {
    return unit_index >= 0 && unit_index < device.GetUnitCount() ? QRN55_STATUS_SUCCESS
                                                                 : QRN55_STATUS_INVALID_UNIT;
  }

 private:
  static QRN55Status Present(const QRN55Device& device, int unit_index, QRN55Unit*& unit) {
    unit = device.GetUnit(unit_index);
    return unit != nullptr ? QRN55_STATUS_SUCCESS : QRN55_STATUS_UNIT_MISSING;
  }

  std::shared_ptr<QRN55Service> _service;
};

// The status of `work` done on `target`: success when work returns nothing.
template <typename Target, typename Work>
QRN55Status Apply(Target& target, Work& work) {
  if constexpr (std::is_void_v<std::invoke_result_t<Work&, Target&>>) {
    work(target);
    return QRN55_STATUS_SUCCESS;
  } else {
    return work(target);
  }
}

// Each of these does `work` on what it looks up, under the service lock, and
// answers the lookup's status when that fails, else work's.
template <typename Work>
QRN55Status OnDevice(int device_index, Work work) {
  ServiceCall call;
  QRN55Device* device;
  const QRN55Status result = call.Device(device_index, device);
  return result != QRN55_STATUS_SUCCESS ? result : Apply(*device, work);
}

template <typename Work>
QRN55Status OnSession(int session_identifier, Work work) {
  ServiceCall call;
  QRN55DeviceSession* session;
  const QRN55Status result = call.Session(session_identifier, session);
  return result != QRN55_STATUS_SUCCESS ? result : Apply(*session, work);
}

template <typename Work>
QRN55Status OnUnitSession(int session_identifier, int unit_index, Work work) {
  ServiceCall call;
  QRN55DeviceSession* session;
  const QRN55Status result = call.SessionUnit(session_identifier, unit_index, session);
  return result != QRN55_STATUS_SUCCESS ? result : Apply(session->GetUnitSession(unit_index), work);
}

template <typename Work>
QRN55Status OnSessionUnit(int session_identifier, int unit_index, Work work) {
  ServiceCall call;
  QRN55Unit* unit;
  const QRN55Status result = call.SessionUnit(session_identifier, unit_index, unit);
  return result != QRN55_STATUS_SUCCESS ? result : Apply(*unit, work);
}

template <typename Work>
QRN55Status OnDeviceUnit(int device_index, int unit_index, Work work) {
  ServiceCall call;
  QRN55Unit* unit;
  const QRN55Status result = call.DeviceUnit(device_index, unit_index, unit);
  return result != QRN55_STATUS_SUCCESS ? result : Apply(*unit, work);
}

std::span<const int> Steps(const int* slots, int sequence_count) {
  QRN55_ASSERT(slots != nullptr);
  return {slots, static_cast<std::size_t>(sequence_count > 0 ? sequence_count : 0)};
}

std::span<char> Text(char* text, int size) {
  QRN55_ASSERT(text != nullptr);
  QRN55_ASSERT(size > 0);
  return {text, static_cast<std::size_t>(size)};
}

}  // namespace

extern "C" {

QRN55Status QRN55ServerInterfaceConnect(int client_version) {
  return client_version == QRN55_SERVICE_VERSION ? QRN55_STATUS_SUCCESS
                                                 : QRN55_STATUS_VERSION_INCOMPATIBLE;
}

QRN55Status QRN55ServerInterfaceGetVersion(int* version) {
  *version = QRN55_SERVICE_VERSION;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceRefreshConfiguration(void) {
  ServiceCall call;
  QRN55DeviceManager& manager = call.Manager();
  for (int index = 0; index < manager.GetDeviceCount(); ++index) {
    if (manager.GetSession(index) != nullptr) return QRN55_STATUS_BUSY;
  }
  manager.ScanForDevices();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceDeviceGetCount(int* count) {
  ServiceCall call;
  *count = call.Manager().GetDeviceCount();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceDeviceGetSerialNumber(int device_index, int size, char* text) {
  return OnDevice(device_index,
                  [&](QRN55Device& device) { device.GetSerialNumber(Text(text, size)); });
}

QRN55Status QRN55ServerInterfaceDeviceGetStatus(int device_index, int* status) {
  ServiceCall call;
  QRN55Device* device;
  const QRN55Status result = call.Device(device_index, device);
  if (result != QRN55_STATUS_SUCCESS) return result;
  const int device_status = device->GetStatus();
  const bool open = call.Manager().GetSession(device_index) != nullptr;
  *status = device_status == QRN55Device::kComplete && open ? 1 : device_status;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceDeviceOpen(int device_index, int buffer_samples,
                                           int* session_identifier, int* unit_count,
                                           int* buffer_size, std::uint8_t** buffer) {
  ServiceCall call;
  QRN55Device* device;
  QRN55Status result = call.Device(device_index, device);
  if (result != QRN55_STATUS_SUCCESS) return result;
  if (device->GetStatus() != QRN55Device::kComplete) return QRN55_STATUS_DEVICE_NOT_AVAILABLE;
  QRN55DeviceManager& manager = call.Manager();
  result = manager.SessionOpen(device_index);
  if (result != QRN55_STATUS_SUCCESS) return result;
  QRN55DeviceSession& session = *manager.GetSession(device_index);
  result = session.Open(buffer_samples);
  if (result != QRN55_STATUS_SUCCESS) {
    manager.SessionClose(device_index);
    return result;
  }
  *session_identifier = device_index;
  *unit_count = device->GetUnitCount();
  *buffer_size = session.GetBufferSize();
  *buffer = session.GetBuffer();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceDeviceClose(int session_identifier) {
  ServiceCall call;
  QRN55DeviceSession* session;
  const QRN55Status result = call.Session(session_identifier, session);
  if (result != QRN55_STATUS_SUCCESS) return result;
  call.Manager().SessionClose(session_identifier);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceDeviceContinuousPoll(int session_identifier) {
  return OnSession(session_identifier,
                   [](QRN55DeviceSession& session) { session.ContinuousPoll(); });
}

QRN55Status QRN55ServerInterfaceUnitGetCount(int session_identifier, int* count) {
  return OnSession(session_identifier,
                   [&](QRN55DeviceSession& session) { *count = session.GetUnitCount(); });
}

QRN55Status QRN55ServerInterfaceUnitGetConfiguration(int session_identifier, int unit_index,
                                                     int size, char* text, int* input_samples,
                                                     int* output_samples) {
  return OnSessionUnit(session_identifier, unit_index, [&](QRN55Unit& unit) {
    unit.GetUnitSerialNumber(Text(text, size));
    unit.GetFIFODepth(*input_samples, *output_samples);
  });
}

QRN55Status QRN55ServerInterfaceUnitGetInputScaling(int session_identifier, int unit_index,
                                                    int channel, double* scale, double* offset) {
  return OnSessionUnit(session_identifier, unit_index, [&](QRN55Unit& unit) {
    return unit.GetInputScaling(channel, *scale, *offset);
  });
}

QRN55Status QRN55ServerInterfaceUnitGetOutputScaling(int session_identifier, int unit_index,
                                                     int channel, double* scale, double* offset) {
  return OnSessionUnit(session_identifier, unit_index, [&](QRN55Unit& unit) {
    return unit.GetOutputScaling(channel, *scale, *offset);
  });
}

QRN55Status QRN55ServerInterfaceControlWrite(int session_identifier, int unit_index, int channel,
                                             double volts) {
  return OnSessionUnit(session_identifier, unit_index,
                       [&](QRN55Unit& unit) { return unit.ControlWrite(channel, volts); });
}

QRN55Status QRN55ServerInterfaceAcquisitionSetup(int session_identifier, int unit_index,
                                                 int sequence_count, const int* input_slot_1,
                                                 const int* input_slot_2, const int* output_slot_1,
                                                 const int* output_slot_2, int sampling_interval,
                                                 int trigger_mode) {
  return OnUnitSession(session_identifier, unit_index, [&](QRN55UnitSession& unit) {
    return unit.SetupAcquisition(
        sequence_count, Steps(input_slot_1, sequence_count), Steps(input_slot_2, sequence_count),
        Steps(output_slot_1, sequence_count), Steps(output_slot_2, sequence_count),
        sampling_interval, trigger_mode);
  });
}

QRN55Status QRN55ServerInterfaceContinuousPoll(int session_identifier, int unit_index,
                                               int keep_mask, int* clipping) {
  return OnUnitSession(session_identifier, unit_index, [&](QRN55UnitSession& unit) {
    int gathered;
    const QRN55Status result = unit.ContinuousPoll(keep_mask, gathered);
    if (result == QRN55_STATUS_SUCCESS) *clipping = gathered;
    return result;
  });
}

QRN55Status QRN55ServerInterfaceContinuousArm(int session_identifier) {
  return OnSession(session_identifier,
                   [](QRN55DeviceSession& session) { return session.ContinuousArm(); });
}

QRN55Status QRN55ServerInterfaceContinuousStart(int session_identifier) {
  return OnSession(session_identifier,
                   [](QRN55DeviceSession& session) { return session.ContinuousStart(); });
}

QRN55Status QRN55ServerInterfaceContinuousStop(int session_identifier) {
  return OnSession(session_identifier,
                   [](QRN55DeviceSession& session) { session.ContinuousStop(); });
}

QRN55Status QRN55ServerInterfacePulse(int session_identifier, int unit_index, int output_count,
                                      int input_count) {
  return OnUnitSession(session_identifier, unit_index, [&](QRN55UnitSession& unit) {
    return unit.Pulse(output_count, input_count);
  });
}

QRN55Status QRN55ServerInterfaceUnitDelay(int session_identifier, int unit_index, double seconds) {
  return OnSessionUnit(session_identifier, unit_index,
                       [&](QRN55Unit& unit) { return unit.Delay(seconds); });
}

QRN55Status QRN55ServerInterfaceUnitGetClipping(int session_identifier, int unit_index,
                                                int* clipping) {
  return OnSessionUnit(session_identifier, unit_index,
                       [&](QRN55Unit& unit) { return unit.GetClipping(*clipping); });
}

QRN55Status QRN55ServerInterfaceServiceGetUnitCount(int device_index, int* count) {
  return OnDevice(device_index, [&](QRN55Device& device) { *count = device.GetUnitCount(); });
}

QRN55Status QRN55ServerInterfaceServiceGetUnitStatus(int device_index, int unit_index,
                                                     int* status) {
  ServiceCall call;
  QRN55Device* device;
  QRN55Status result = call.Device(device_index, device);
  if (result == QRN55_STATUS_SUCCESS) result = ServiceCall::UnitIndex(*device, unit_index);
  if (result != QRN55_STATUS_SUCCESS) return result;
  const QRN55Unit* unit = device->GetUnit(unit_index);
  *status = unit != nullptr ? unit->GetStatus() : QRN55_UNIT_STATUS_MISSING;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceServiceGetUnitHardware(int device_index, int unit_index,
                                                       int* firmware, int* logic) {
  return OnDeviceUnit(device_index, unit_index,
                      [&](QRN55Unit& unit) { unit.ServiceGetHardware(*firmware, *logic); });
}

QRN55Status QRN55ServerInterfaceServiceUnlock(int device_index, int unit_index, int unlock) {
  return OnDeviceUnit(device_index, unit_index,
                      [&](QRN55Unit& unit) { unit.ServiceUnlock(unlock != 0); });
}

QRN55Status QRN55ServerInterfaceServiceReadEEPROM(int device_index, int unit_index, int offset,
                                                  int size, std::uint8_t* data) {
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return OnDeviceUnit(device_index, unit_index, [&](QRN55Unit& unit) {
    return unit.ServiceEEPROMRead(offset, {data, static_cast<std::size_t>(size)});
  });
}

QRN55Status QRN55ServerInterfaceServiceWriteEEPROM(int device_index, int unit_index, int offset,
                                                   int size, const std::uint8_t* data) {
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return OnDeviceUnit(device_index, unit_index, [&](QRN55Unit& unit) {
    return unit.ServiceEEPROMWrite(offset, {data, static_cast<std::size_t>(size)});
  });
}

QRN55Status QRN55ServerInterfaceServiceEnablePortE(int device_index, int unit_index, int enable) {
  return OnDeviceUnit(device_index, unit_index,
                      [&](QRN55Unit& unit) { unit.ServicePortEEnable(enable != 0); });
}

QRN55Status QRN55ServerInterfaceServiceReadPortE(int device_index, int unit_index, int size,
                                                 std::uint8_t* data) {
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return OnDeviceUnit(device_index, unit_index, [&](QRN55Unit& unit) {
    return unit.ServicePortERead({data, static_cast<std::size_t>(size)});
  });
}

QRN55Status QRN55ServerInterfaceServiceWritePortE(int device_index, int unit_index, int size,
                                                  const std::uint8_t* data) {
  QRN55_ASSERT(size > 0);
  QRN55_ASSERT(data != nullptr);
  return OnDeviceUnit(device_index, unit_index, [&](QRN55Unit& unit) {
    return unit.ServicePortEWrite({data, static_cast<std::size_t>(size)});
  });
}

QRN55Status QRN55ServerInterfaceServiceLogOpen(int length, const char* path) {
  QRN55_ASSERT(path != nullptr);
  QRN55_ASSERT(length > 0);
  if (length > kMaximumLogPath) return QRN55_STATUS_INVALID_STRING;
  char name[kMaximumLogPath + 1];
  Strings::Assign(name, std::span<const char>(path, static_cast<std::size_t>(length)));
  ServiceCall call;
  QRN55GlobalContext& context = call.Manager().GetGlobalContext();
  context.DisableLogging();
  return context.GetDataLogger().Open(name);
}

QRN55Status QRN55ServerInterfaceServiceLogClose(void) {
  ServiceCall call;
  QRN55GlobalContext& context = call.Manager().GetGlobalContext();
  context.DisableLogging();
  context.GetDataLogger().Close();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceServiceLogEnable(void) {
  ServiceCall call;
  call.Manager().GetGlobalContext().EnableLogging();
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55ServerInterfaceServiceLogDisable(void) {
  ServiceCall call;
  call.Manager().GetGlobalContext().DisableLogging();
  return QRN55_STATUS_SUCCESS;
}

}  // extern "C"
