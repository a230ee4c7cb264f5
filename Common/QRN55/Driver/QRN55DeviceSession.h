// The server half of an open device: the session buffer it shares with the
// caller's half (QRN55DeviceSessionClient) and one unit session per unit,
// over which it arms, starts, stops and polls the whole device.
//
// The session buffer holds one unit descriptor per unit, in unit order, and
// then each unit's areas (QRN55UnitBuffer).
#pragma once

#include <cstdint>
#include <memory>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55Device.h"
#include "Common/QRN55/Driver/QRN55UnitSession.h"

class QRN55DeviceSession {
 public:
  explicit QRN55DeviceSession(QRN55Device& device) : _device(device) {}
  QRN55DeviceSession(const QRN55DeviceSession&) = delete;
  QRN55DeviceSession& operator=(const QRN55DeviceSession&) = delete;

  // Requires buffer_samples >= 0 and a complete device. Lays out the buffer
  // for rings of at least buffer_samples samples (and of the units' FIFO
  // sizes) and allocates it: 0, or 14 when the unit sessions or the buffer
  // cannot be had (the layout would pass 2^31 - 1 bytes, or memory is
  // short).
  QRN55Status Open(int buffer_samples);

  // Arms units 0, 1, ...; the first failure is returned at once.
  QRN55Status ContinuousArm();
  // Starts the units from the highest down; when one fails, those already
  // started are stopped again and its status returned.
  QRN55Status ContinuousStart();
  // Stops every unit; failures are ignored.
  void ContinuousStop();
  // Polls every unit, keeping all clipping bits: the first failure, but
  // every unit is polled.
  QRN55Status ContinuousPoll();

  int GetBufferSize() const { return _buffer_size; }
  std::uint8_t* GetBuffer() const { return _buffer.get(); }
  QRN55Device& GetDevice() const { return _device; }
  int GetUnitCount() const { return _device.GetUnitCount(); }
  QRN55UnitSession& GetUnitSession(int index) const;

 private:
  QRN55Device& _device;
  std::unique_ptr<QRN55UnitSession[]> _unit_sessions;
  // Not cleared: every byte is written before it is read, except what a
  // transfer rounded up to 4096 bytes carries past its data.
  std::unique_ptr<std::uint8_t[]> _buffer;
  int _buffer_size = 0;
};
