// The server half of an open device. So far it only ties the open session
// to its device; the acquisition buffers and unit sessions join it later.
#pragma once

#include "Common/QRN55/Driver/QRN55Device.h"

class QRN55DeviceSession {
 public:
  explicit QRN55DeviceSession(QRN55Device& device) : _device(device) {}
  QRN55DeviceSession(const QRN55DeviceSession&) = delete;
  QRN55DeviceSession& operator=(const QRN55DeviceSession&) = delete;

  QRN55Device& GetDevice() const { return _device; }

 private:
  QRN55Device& _device;
};
