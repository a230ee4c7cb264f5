#include "Common/QRN55/Driver/QRN55DeviceSession.h"

#include <cstdint>
#include <new>

#include "Common/QRN55/Driver/QRN55Assert.h"

QRN55Status QRN55DeviceSession::Open(int buffer_samples) {
  QRN55_ASSERT(buffer_samples >= 0);
  const int units = _device.GetUnitCount();
  QRN55_ASSERT(units > 0);
  // FIFO sizes come from the units' EEPROMs: a layout beyond int offsets is
  // refused before anything is allocated.
  std::int64_t size = static_cast<std::int64_t>(units) * sizeof(QRN55UnitDescriptor);
  for (int index = 0; index < units && size <= INT32_MAX; ++index) {
    QRN55Unit* unit = _device.GetUnit(index);
    QRN55_ASSERT(unit != nullptr);
    size += QRN55UnitSession::AreaBytes(*unit, buffer_samples);
  }
  if (size > INT32_MAX) return QRN55_STATUS_BUFFER_ALLOCATION;

  _unit_sessions.reset(new (std::nothrow) QRN55UnitSession[units]);
  if (_unit_sessions == nullptr) return QRN55_STATUS_BUFFER_ALLOCATION;
  int offset = units * static_cast<int>(sizeof(QRN55UnitDescriptor));
  for (int index = 0; index < units; ++index) {
    _unit_sessions[index].SetupOffsets(*_device.GetUnit(index), offset,
                                       index * static_cast<int>(sizeof(QRN55UnitDescriptor)),
                                       buffer_samples);
  }
  // Zeroed, because FIFO writes are rounded up to whole transfers and the
  // bytes past the data go to the unit as they stand.
  _buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(offset)]());
  if (_buffer == nullptr) return QRN55_STATUS_BUFFER_ALLOCATION;
  _buffer_size = offset;
  for (int index = 0; index < units; ++index) _unit_sessions[index].SetupPointers(_buffer.get());
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55DeviceSession::ContinuousArm() {
  for (int index = 0; index < GetUnitCount(); ++index) {
    const QRN55Status result = _unit_sessions[index].ContinuousArm();
    if (result != QRN55_STATUS_SUCCESS) return result;
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55DeviceSession::ContinuousStart() {
  // The master (unit 0) starts last, so that its slaves are running when
  // it gives the pace.
  for (int index = GetUnitCount() - 1; index >= 0; --index) {
    const QRN55Status result = _unit_sessions[index].ContinuousStart();
    if (result != QRN55_STATUS_SUCCESS) {
      for (int started = index + 1; started < GetUnitCount(); ++started) {
        _unit_sessions[started].ContinuousStop();
      }
      return result;
    }
  }
  return QRN55_STATUS_SUCCESS;
}

void QRN55DeviceSession::ContinuousStop() {
  for (int index = 0; index < GetUnitCount(); ++index) _unit_sessions[index].ContinuousStop();
}

QRN55Status QRN55DeviceSession::ContinuousPoll() {
  QRN55Status first = QRN55_STATUS_SUCCESS;
  for (int index = 0; index < GetUnitCount(); ++index) {
    int clipping;
    const QRN55Status result = _unit_sessions[index].ContinuousPoll(-1, clipping);
    if (first == QRN55_STATUS_SUCCESS) first = result;
  }
  return first;
}

QRN55UnitSession& QRN55DeviceSession::GetUnitSession(int index) const {
  QRN55_ASSERT(index >= 0 && index < GetUnitCount());
  QRN55_ASSERT(_unit_sessions != nullptr);
  return _unit_sessions[index];
}
