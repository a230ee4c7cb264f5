// One QRN 5+5 device: the units that share a device serial number (a single
// unit, or a master and a slave joined into one device), each in the slot of
// its own unit index.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "Common/QRN55/Driver/QRN55Unit.h"

class QRN55Device {
 public:
  enum Status : int {
    kComplete = 0,      // every slot filled, no fault
    kNew = 2,           // no unit placed yet
    kFaulty = 3,        // a unit's decode state is not 0
    kIncomplete = 4,    // a slot is still empty
    kSlotConflict = 5,  // a unit claimed a taken slot, or one outside the device
  };
  static constexpr int kSerialNumberSize = 32;

  // Requires a non-empty serial number and a unit count > 0. Slots are held
  // only for units that arrive, so a unit count read from a bogus record
  // costs nothing.
  QRN55Device(std::span<const char> serial_number, int unit_count);
  QRN55Device(const QRN55Device&) = delete;
  QRN55Device& operator=(const QRN55Device&) = delete;

  // A device for a unit whose record names no device (empty device serial or
  // no unit count): it is kFaulty for good, under a placeholder serial
  // number, and holds only that unit, as its unit 0 whatever index the
  // unit claims, so that the service functions can still reach it.
  static std::unique_ptr<QRN55Device> ForUnnamedUnit(std::unique_ptr<QRN55Unit> unit);

  // False, leaving the unit with the caller, when its device serial number
  // is not this device's. Otherwise takes the unit and gives true: a unit
  // whose slot is taken or outside 0..unit count - 1 is destroyed (kSlotConflict);
  // a unit with a decode fault makes the device kFaulty. Those two states
  // stay; otherwise the status follows the filled slots.
  bool AddUnit(std::unique_ptr<QRN55Unit>& unit);
  // Destroys every unit; the device is kNew again.
  void Clear();

  void GetSerialNumber(std::span<char> target) const;
  int GetUnitCount() const { return _unit_count; }
  // The unit in that slot, or null when it is missing.
  QRN55Unit* GetUnit(int index) const;
  int GetStatus() const { return _status; }

 private:
  struct Slot {
    int index;
    std::unique_ptr<QRN55Unit> unit;
  };

  void Place(int index, std::unique_ptr<QRN55Unit> unit);

  char _serial_number[kSerialNumberSize] = {};
  int _unit_count;
  std::vector<Slot> _slots;  // only the filled ones
  int _status = kNew;
  bool _unnamed = false;
};
