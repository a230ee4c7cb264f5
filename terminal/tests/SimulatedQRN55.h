// The AD/DA layer opened on a simulated QRN 5+5 unit, as the program opens
// its interface, for as long as the object lives: the unit is mounted where
// the driver looks for units, the interface started and the measurement
// module given the board's corrections; the end shuts the interface.
#pragma once

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"

#include <memory>
#include <string>

class SimulatedQRN55 {
 public:
  explicit SimulatedQRN55(const std::string& deviceSerial) {
    volumes_.Mount("/");
    QRN55Service::UseFilePort(&volumes_);
    QRN55SimUnitConfig config;
    config.signature.firmware = 8;
    config.signature.logic = 16;
    config.record.device_serial = deviceSerial;
    config.record.unit_serial = "123450010700010";
    unit_ = std::make_unique<QRN55SimUnit>(config);
    volumes_.Mount(QRN55DeviceManager::VolumePrefix() + " " + deviceSerial, unit_.get());
    ZRVBase::InitModule();
    VrnlBoards::InitModule();
    ZRV::InitModule();
    open_ = ZRV::InitInterface(ZRVBase::BoardQRN55);
    if (!open_) return;
    ADMeasure::InitModule();
    ADMeasure::GetCorrections(ZRVBase::BoardQRN55, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau,
                              ADMeasure::OutputFilterTau, ADMeasure::SampleCorrection);
  }
  ~SimulatedQRN55() {
    ZRV::Shutdown();
    QRN55Service::UseFilePort(nullptr);
  }
  SimulatedQRN55(const SimulatedQRN55&) = delete;
  SimulatedQRN55& operator=(const SimulatedQRN55&) = delete;

  bool Open() const { return open_; }

 private:
  QRN55SimVolumes volumes_;
  std::unique_ptr<QRN55SimUnit> unit_;
  bool open_ = false;
};
