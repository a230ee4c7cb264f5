// Finds the units among the mounted volumes, opens them, groups them into
// devices by device serial number and keeps one session slot per device.
//
// A unit's volume is a mount-on path that begins with the volume root
// followed by "/VRNL QRN55"; the root is "/Volumes" unless the environment
// variable MERETH_QRN55_VOLUMES names another (so units can be mounted
// anywhere). Its data file is "<volume>/ACQD/VRNL/DATA".
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55Device.h"
#include "Common/QRN55/Driver/QRN55DeviceSession.h"
#include "Common/QRN55/Driver/QRN55FilePort.h"
#include "Common/QRN55/Driver/QRN55GlobalContext.h"

class QRN55DeviceManager {
 public:
  static constexpr const char* kVolumeRootVariable = "MERETH_QRN55_VOLUMES";
  static constexpr const char* kDefaultVolumeRoot = "/Volumes";
  static constexpr const char* kDataFileSuffix = "/ACQD/VRNL/DATA";

  explicit QRN55DeviceManager(QRN55FilePort& port);
  ~QRN55DeviceManager();
  QRN55DeviceManager(const QRN55DeviceManager&) = delete;
  QRN55DeviceManager& operator=(const QRN55DeviceManager&) = delete;

  // The volume root with "/VRNL QRN55" appended, as the environment says now.
  static std::string VolumePrefix();
  static bool IsUnitVolume(std::string_view mount_path, std::string_view prefix);

  // Replaces the whole configuration: discards every device and session,
  // then examines every entry of the mount list from the last to the first.
  // Volumes whose unit cannot be opened are skipped.
  void ScanForDevices();
  // Opens the unit of one volume and places it: 0, or the open's status (no
  // unit then). A volume whose data-file path would exceed the path limit
  // is passed over with 0.
  QRN55Status ScanDriver(std::string_view volume);
  // Places an opened unit: in the first device of its device serial number,
  // else in a new device appended to the list.
  void AssociateUnit(std::unique_ptr<QRN55Unit> unit);
  // Destroys every session and device.
  void Discard();

  // The index must name a device. 6 when the device has a session already,
  // 34 when none can be made, else 0.
  QRN55Status SessionOpen(int index);
  void SessionClose(int index);

  int GetDeviceCount() const { return static_cast<int>(_devices.size()); }
  QRN55Device* GetDevice(int index) const;
  QRN55DeviceSession* GetSession(int index) const;
  QRN55GlobalContext& GetGlobalContext() { return _context; }

 private:
  // Units refer to the context: it outlives the devices.
  QRN55GlobalContext _context;
  std::vector<std::unique_ptr<QRN55Device>> _devices;
  std::vector<std::unique_ptr<QRN55DeviceSession>> _sessions;
};
