// The QRN 5+5 backend over simulated units: each test runs in a fresh
// directory (where its feature switches go) with a fresh buffer heap and
// console, the driver's file calls routed to in-process units, and the
// backend started anew. Stand-ins for the driver's configuration calls stage
// what a real driver never reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"

// A unit of the device `deviceSerial`, index `unitIndex` of `unitCount`.
QRN55SimUnitConfig SimUnitConfig(const std::string& deviceSerial, int unitCount = 1,
                                 int unitIndex = 0);

class QRN55BackendTest : public ::testing::Test {
 protected:
  QRN55BackendTest();
  ~QRN55BackendTest() override;
  void SetUp() override;
  void TearDown() override;

  // Mounts a unit's volume (named by the suffix) last in the mount list.
  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix);
  // The units of one device, master first.
  std::vector<QRN55SimUnit*> PlugDevice(const std::string& serial, int units);
  // Creates a feature switch file (with its first line), closes the backend
  // and starts it again, so that it reads the switches.
  void Switch(const std::string& name, const std::string& line = "1");
  // The console lines written since SetUp.
  std::vector<std::string> ConsoleLines() const;
  std::string Directory() const;

 private:
  class Scratch;

  std::unique_ptr<Scratch> scratch_;
  // The units outlive their volumes.
  std::deque<std::unique_ptr<QRN55SimUnit>> units_;
  QRN55SimVolumes volumes_;
};

// Mounts FUSE volumes under a volume root of their own, which discovery then
// searches through the system's mount table.
class QRN55FuseVolumes {
 public:
  QRN55FuseVolumes();
  ~QRN55FuseVolumes();
  QRN55FuseVolumes(const QRN55FuseVolumes&) = delete;
  QRN55FuseVolumes& operator=(const QRN55FuseVolumes&) = delete;

  // Null, with the reason, where FUSE cannot mount.
  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix, std::string& reason);

 private:
  std::string root_;
  std::string savedRoot_;
  bool hadRoot_ = false;
  std::deque<std::unique_ptr<QRN55SimUnit>> units_;
  std::deque<std::unique_ptr<class QRN55SimFuseVolume>> volumes_;
  std::deque<std::string> directories_;
};
