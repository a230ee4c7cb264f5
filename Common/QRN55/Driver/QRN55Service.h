// The process-wide server of the driver: the device manager that knows the
// devices, their units and the open device sessions, and the one lock under
// which the server interface works on them.
//
// The current service is shared: every server interface call holds it for
// its duration, so a polling thread that was left to finish a stuck poll
// keeps the service (and its lock) alive until it returns, even when the
// driver is closed meanwhile.
#pragma once

#include <memory>
#include <mutex>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55FilePort.h"
#include "Common/QRN55/Driver/QRN55PosixFilePort.h"

class QRN55Service {
 public:
  // The current service, or nil while the driver is closed.
  static std::shared_ptr<QRN55Service> GetService();
  // Creates the service when there is none (nil when memory is short);
  // gives the current one.
  static std::shared_ptr<QRN55Service> CreateService();
  // Discards every device and session and lets the service go.
  static void DestroyService();
  // The way to the units of the services created from now on: the system's
  // mount table and files (nil, the default), or a simulation's port, which
  // must outlive those services.
  static void UseFilePort(QRN55FilePort* port);

  explicit QRN55Service(QRN55FilePort* port);
  QRN55Service(const QRN55Service&) = delete;
  QRN55Service& operator=(const QRN55Service&) = delete;

  QRN55DeviceManager& GetDeviceManager() { return _manager; }
  // Serialises every use of the manager, its devices and sessions: the
  // caller's and the polling threads'. Recursive.
  void Lock() { _mutex.lock(); }
  void Release() { _mutex.unlock(); }

 private:
  QRN55PosixFilePort _system_port;
  std::recursive_mutex _mutex;
  QRN55DeviceManager _manager;
};
