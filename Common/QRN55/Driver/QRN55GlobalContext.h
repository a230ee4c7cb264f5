// What every unit's command encoder of one driver shares: the way to the
// units' files, the data logger and whether commands are logged.
#pragma once

#include <atomic>

#include "Common/QRN55/Driver/QRN55DataLogger.h"
#include "Common/QRN55/Driver/QRN55FilePort.h"

class QRN55GlobalContext {
 public:
  explicit QRN55GlobalContext(QRN55FilePort& port) : _port(port) {}

  // Logging is switched on only while the data log is open.
  void EnableLogging() {
    if (_data_logger.IsOpen()) _logging = true;
  }
  void DisableLogging() { _logging = false; }
  bool IsLogging() const { return _logging; }
  QRN55DataLogger& GetDataLogger() { return _data_logger; }
  QRN55FilePort& GetFilePort() { return _port; }

 private:
  QRN55FilePort& _port;
  // Read by a device's polling thread while the caller may switch it.
  std::atomic<bool> _logging{false};
  QRN55DataLogger _data_logger;
};
