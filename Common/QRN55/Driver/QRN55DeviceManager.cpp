#include "Common/QRN55/Driver/QRN55DeviceManager.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "Common/QRN55/Driver/QRN55Assert.h"

QRN55DeviceManager::QRN55DeviceManager(QRN55FilePort& port) : _context(port) {}

QRN55DeviceManager::~QRN55DeviceManager() { Discard(); }

std::string QRN55DeviceManager::VolumePrefix() {
  const char* variable = std::getenv(kVolumeRootVariable);
  std::string root = variable != nullptr && variable[0] != '\0' ? variable : kDefaultVolumeRoot;
  while (!root.empty() && root.back() == '/') root.pop_back();
  return root + "/VRNL QRN55";
}

bool QRN55DeviceManager::IsUnitVolume(std::string_view mount_path, std::string_view prefix) {
  return mount_path.starts_with(prefix);
}

void QRN55DeviceManager::ScanForDevices() {
  Discard();
  std::vector<std::string> mounts;
  _context.GetFilePort().ListMounts(mounts);
  const std::string prefix = VolumePrefix();
  for (auto mount = mounts.rbegin(); mount != mounts.rend(); ++mount) {
    if (IsUnitVolume(*mount, prefix)) ScanDriver(*mount);
  }
}

QRN55Status QRN55DeviceManager::ScanDriver(std::string_view volume) {
  QRN55_ASSERT(!volume.empty());
  std::string path(volume);
  path += kDataFileSuffix;
  // A NUL inside the name would make the open reach another file.
  if (path.size() > static_cast<std::size_t>(QRN55File::kMaximumPathLength) ||
      path.find('\0') != std::string::npos) {
    return QRN55_STATUS_SUCCESS;
  }
  auto unit = std::make_unique<QRN55Unit>(_context);
  const QRN55Status result = unit->Open(std::span<const char>(path.c_str(), path.size() + 1));
  if (result != QRN55_STATUS_SUCCESS) return result;
  AssociateUnit(std::move(unit));
  return QRN55_STATUS_SUCCESS;
}

void QRN55DeviceManager::AssociateUnit(std::unique_ptr<QRN55Unit> unit) {
  QRN55_ASSERT(unit != nullptr);
  const QRN55UnitStatus& status = unit->GetUnitStatus();
  if (status.device_serial_number[0] == '\0' || status.unit_count <= 0) {
    _devices.push_back(QRN55Device::ForUnnamedUnit(std::move(unit)));
    _sessions.emplace_back();
    return;
  }
  for (const auto& device : _devices) {
    if (device->AddUnit(unit)) return;
  }
  char serial_number[QRN55Device::kSerialNumberSize];
  unit->GetDeviceSerialNumber(serial_number);
  auto device = std::make_unique<QRN55Device>(serial_number, unit->GetUnitCount());
  device->AddUnit(unit);
  _devices.push_back(std::move(device));
  _sessions.emplace_back();
}

void QRN55DeviceManager::Discard() {
  _sessions.clear();
  _devices.clear();
}

QRN55Status QRN55DeviceManager::SessionOpen(int index) {
  QRN55_ASSERT(index >= 0);
  QRN55_ASSERT(index < GetDeviceCount());
  QRN55_ASSERT(_devices[index] != nullptr);
  if (_sessions[index] != nullptr) return QRN55_STATUS_IN_USE;
  _sessions[index].reset(new (std::nothrow) QRN55DeviceSession(*_devices[index]));
  return _sessions[index] != nullptr ? QRN55_STATUS_SUCCESS : QRN55_STATUS_OUT_OF_MEMORY;
}

void QRN55DeviceManager::SessionClose(int index) {
  QRN55_ASSERT(index >= 0);
  QRN55_ASSERT(index < GetDeviceCount());
  QRN55_ASSERT(_devices[index] != nullptr);
  _sessions[index].reset();
}

QRN55Device* QRN55DeviceManager::GetDevice(int index) const {
  return index >= 0 && index < GetDeviceCount() ? _devices[index].get() : nullptr;
}

QRN55DeviceSession* QRN55DeviceManager::GetSession(int index) const {
  return index >= 0 && index < GetDeviceCount() ? _sessions[index].get() : nullptr;
}
