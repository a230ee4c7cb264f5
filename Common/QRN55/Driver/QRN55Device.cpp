#include "Common/QRN55/Driver/QRN55Device.h"

#include <utility>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "foundation/Strings.h"

namespace {

constexpr char kPlaceholderSerialNumber[] = "unknown";

}  // namespace

QRN55Device::QRN55Device(std::span<const char> serial_number, int unit_count)
    : _unit_count(unit_count) {
  QRN55_ASSERT(Strings::Length(serial_number) > 0);
  QRN55_ASSERT(unit_count > 0);
  Strings::Assign(_serial_number, serial_number);
}

std::unique_ptr<QRN55Device> QRN55Device::ForUnnamedUnit(std::unique_ptr<QRN55Unit> unit) {
  QRN55_ASSERT(unit != nullptr);
  auto device = std::make_unique<QRN55Device>(kPlaceholderSerialNumber, 1);
  device->_unnamed = true;
  device->_status = kFaulty;
  device->Place(0, std::move(unit));
  return device;
}

bool QRN55Device::AddUnit(std::unique_ptr<QRN55Unit>& unit) {
  QRN55_ASSERT(unit != nullptr);
  if (_unnamed || !unit->IsDeviceSerialNumber(_serial_number)) return false;
  const int index = unit->GetUnitIndex();
  Place(index, std::move(unit));
  return true;
}

void QRN55Device::Place(int index, std::unique_ptr<QRN55Unit> unit) {
  if (index < 0 || index >= _unit_count || GetUnit(index) != nullptr) {
    _status = kSlotConflict;
    unit.reset();
  } else {
    if (unit->GetStatus() != QRN55UnitStatus::kSound) _status = kFaulty;
    _slots.push_back({index, std::move(unit)});
  }
  if (_status == kNew || _status == kIncomplete) {
    _status = static_cast<int>(_slots.size()) == _unit_count ? kComplete : kIncomplete;
  }
}

void QRN55Device::Clear() {
  _slots.clear();
  _status = kNew;
}

void QRN55Device::GetSerialNumber(std::span<char> target) const {
  QRN55_ASSERT(!target.empty());
  Strings::Assign(target, _serial_number);
  target.back() = '\0';
}

QRN55Unit* QRN55Device::GetUnit(int index) const {
  for (const Slot& slot : _slots) {
    if (slot.index == index) return slot.unit.get();
  }
  return nullptr;
}
