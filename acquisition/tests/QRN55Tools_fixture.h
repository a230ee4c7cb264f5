// The interface tools over simulated QRN 5+5 units: each test runs in a
// fresh directory (its calibration files, dumps and feature switches go
// there, the units' EEPROMs into its "state" folder so that they survive a
// power cycle), on the virtual clock, with a fresh buffer heap and console,
// and the AD/DA layer, the backend and the tools started as the program
// starts them. The driver reads an in-process mount list; a hook runs
// before each of its scans, so that a test can plug a unit in while the
// tools wait for it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "foundation/tests/TempDirectory_fixture.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"

class QRN55ToolsTest : public TempDirectoryTest {
 protected:
  QRN55ToolsTest();
  ~QRN55ToolsTest() override;
  void SetUp() override;
  void TearDown() override;

  // A single unit: its six-digit number, revision 1, the firmware, production
  // 1, type 0; its device serial is its unit serial.
  static QRN55SimUnitConfig SingleUnit(const std::string& number, int firmware = 7);
  static std::string Serial(const std::string& number, int firmware, int type);
  // Mounts the unit's volume (named by the suffix) last in the mount list,
  // its EEPROM kept in the state folder under the suffix.
  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix);
  // A feature switch file; the modules that read it must be started again.
  void PutSwitch(const std::string& name) const;
  std::string Directory() const { return Dir(); }
  // The console lines written since SetUp.
  std::vector<std::string> ConsoleLines() const;

  // Runs before every scan of the mount list by the driver.
  std::function<void()> beforeScan;

 private:
  class WatchedPort;

  std::deque<std::unique_ptr<QRN55SimUnit>> units_;  // outlive their volumes
  QRN55SimVolumes volumes_;
  std::unique_ptr<WatchedPort> port_;
};

// The texts of the program as strings.
std::string Str(std::span<const char> text);

// Little-endian fields of a record image.
std::int32_t Int32At(const std::vector<std::uint8_t>& bytes, std::size_t offset);
double DoubleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset);
void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value);
void PutDouble(std::vector<std::uint8_t>& bytes, std::size_t offset, double value);
std::string TextAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t size);
// The unit serial of a descriptor at offset 0.
std::string SerialOf(const std::vector<std::uint8_t>& record);
// The byte sum with the CRC field (400) counted as zero.
std::uint32_t RecordSum(const std::vector<std::uint8_t>& record);

// The device information record as the unit holds it.
std::vector<std::uint8_t> StoredRecord(const QRN55SimUnit& unit);
// Replaces it (the CRC is set to the byte sum unless told otherwise).
void StoreRecord(QRN55SimUnit& unit, std::vector<std::uint8_t> record, bool fixCRC = true);
