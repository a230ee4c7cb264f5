#include "calibration/SimulatedHardware.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55PosixFilePort.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/ZRVLibrary.h"
#include "calibration/Tlv6Setup.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace SimulatedHardware {

namespace {

using SetWiringProc = void (*)(ZRVSimWiring*);
using GetSettingsProc = void (*)(std::int32_t, ZRVSimSettings*);
using SetSettingsProc = void (*)(std::int32_t, const ZRVSimSettings*);

// Units outlive their volumes, the rack outlives both.
std::unique_ptr<AmplifierRackWiring> rack;
std::vector<std::unique_ptr<QRN55SimUnit>> units;
std::unique_ptr<QRN55SimVolumes> volumes;
std::unique_ptr<Tlv6Sim::Port> tlv6;
SetWiringProc zrvSetWiring = nullptr;

// Unit n's serial; a device carries its first unit's.
std::string UnitSerial(int unit) { return "12345" + std::to_string(unit) + "010800010"; }
// The FPGA that goes with firmware 8 and later; older firmware runs
// without one loaded.
constexpr int kFirmwareForFpga = 8;
constexpr std::uint8_t kUnitLogic = 16;

bool UnitVolumeMounted() {
  QRN55PosixFilePort system;
  std::vector<std::string> mounts;
  system.ListMounts(mounts);
  const std::string prefix = QRN55DeviceManager::VolumePrefix();
  for (const std::string& mount : mounts) {
    if (QRN55DeviceManager::IsUnitVolume(mount, prefix)) return true;
  }
  return false;
}

std::string InState(const std::string& folder, const std::string& name) {
  return folder.empty() ? std::string() : folder + "/" + name;
}

AmplifierRackConfig WithStateFiles(AmplifierRackConfig config, const std::string& folder) {
  for (std::size_t n = 0; n < config.boards.size(); ++n) {
    AmplifierBoardConfig& board = config.boards[n];
    if (board.image_file.empty()) {
      board.image_file = InState(folder, "board" + std::to_string(n / AmplifierRackConfig::kBoardsPerRack) +
                                             "-" + std::to_string(n % AmplifierRackConfig::kBoardsPerRack) +
                                             ".eeprom");
    }
  }
  for (auto [board, name] : {std::pair{&config.potentiostat.pk510, "pk510.eeprom"},
                             std::pair{&config.potentiostat.pk512, "pk512.eeprom"}}) {
    if (board->image_file.empty()) board->image_file = InState(folder, name);
  }
  return config;
}

void ServeUnits(int count, int firmware, bool wired, const std::string& folder) {
  volumes = std::make_unique<QRN55SimVolumes>();
  volumes->Mount("/");
  for (int index = 0; index < count; ++index) {
    QRN55SimUnitConfig config;
    config.signature.firmware = static_cast<std::uint8_t>(firmware);
    config.signature.logic = firmware >= kFirmwareForFpga ? kUnitLogic : 0;
    config.eeprom_file = InState(folder, "qrn55-" + std::to_string(index) + ".eeprom");
    config.record.device_serial = UnitSerial(0);
    config.record.unit_serial = UnitSerial(index);
    config.record.unit_count = count;
    config.record.unit_index = index;
    config.record.firmware = firmware;
    units.push_back(std::make_unique<QRN55SimUnit>(config));
    if (wired && index < rack->Racks()) units.back()->SetWiring(rack->Unit(index));
    volumes->Mount(QRN55DeviceManager::VolumePrefix() + " " + UnitSerial(index),
                   units.back().get());
  }
  QRN55Service::UseFilePort(volumes.get());
}

// Our board library takes the rack; the vendor's has no such function.
void WireBoards(const AmplifierRackConfig& config) {
  if (!ZRVLibrary::Load()) return;
  zrvSetWiring = reinterpret_cast<SetWiringProc>(ZRVLibrary::Lookup("ZRVSim_SetWiring"));
  if (zrvSetWiring == nullptr) return;
  if (config.interface == RackInterface::kQRN2400 && config.racks > 1) {
    const auto get = reinterpret_cast<GetSettingsProc>(ZRVLibrary::Lookup("ZRVSim_GetSettings"));
    const auto set = reinterpret_cast<SetSettingsProc>(ZRVLibrary::Lookup("ZRVSim_SetSettings"));
    if (get != nullptr && set != nullptr) {
      ZRVSimSettings settings{};
      get(kZRVSimQRN2400, &settings);
      settings.racks = 2;
      settings.slave_serial = 840u * 0x10000u + 1235;
      set(kZRVSimQRN2400, &settings);
    }
  }
  zrvSetWiring(rack.get());
}

}  // namespace

SimRackFile::Config ChosenConfig() {
  SimRackFile::Config config;
  const char* path = std::getenv("MERETH_SIM_RACK");
  if (path == nullptr || *path == '\0') return config;
  std::string error;
  if (!SimRackFile::Load(path, config, error)) {
    std::fprintf(stderr, "MERETH_SIM_RACK: %s\n", error.c_str());
  }
  return config;
}

std::string StateFolder() {
  std::filesystem::path folder;
  const char* chosen = std::getenv("MERETH_SIM_STATE");
  const char* xdg = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  if (chosen != nullptr && *chosen != '\0') {
    folder = chosen;
  } else if (xdg != nullptr && *xdg != '\0') {
    folder = std::filesystem::path(xdg) / "mereth";
  } else if (home != nullptr && *home != '\0') {
    folder = std::filesystem::path(home) / ".local/state/mereth";
  } else {
    return {};
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder, error)) return {};
  return folder.string();
}

void Attach(const SimRackFile::Config& config) {
  Detach();
  const std::string folder = StateFolder();
  rack = std::make_unique<AmplifierRackWiring>(WithStateFiles(config.rack, folder));
  if (!UnitVolumeMounted()) {
    const bool onUnits = config.rack.interface == RackInterface::kQRN55;
    const int count = config.qrn55.units >= 0 ? config.qrn55.units : onUnits ? rack->Racks() : 1;
    ServeUnits(count, config.qrn55.firmware, onUnits, folder);
  }
  if (config.rack.interface != RackInterface::kQRN55) WireBoards(config.rack);
  // The HID layer lets go of an earlier port only when it has the new one.
  auto port = std::make_unique<Tlv6Sim::Port>();
  Tlv6Setup::UseChosenPort(*port, config.tlv6);
  tlv6 = std::move(port);
}

void Detach() {
  if (zrvSetWiring != nullptr) zrvSetWiring(nullptr);
  zrvSetWiring = nullptr;
  if (volumes) QRN55Service::UseFilePort(nullptr);
  volumes.reset();
  units.clear();
  rack.reset();
  // The HID layer keeps its port to the end of the program: the TLV 6's
  // link is closed by then, and a port taken away under it is worse.
}

AmplifierRackWiring* Rack() { return rack.get(); }

}  // namespace SimulatedHardware
