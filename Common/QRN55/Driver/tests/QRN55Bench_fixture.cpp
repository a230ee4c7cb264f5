#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"

QRN55SimUnitConfig UnitConfig(const std::string& device_serial, int unit_count, int unit_index) {
  QRN55SimUnitConfig config;
  config.record.device_serial = device_serial;
  config.record.unit_serial =
      "12345" + std::string(1, static_cast<char>('0' + (unit_index & 7))) + "010700010";
  config.record.unit_count = unit_count;
  config.record.unit_index = unit_index;
  return config;
}

QRN55Bench::QRN55Bench(Kind kind) : _kind(kind) {
  const char* root = std::getenv(QRN55DeviceManager::kVolumeRootVariable);
  _had_root = root != nullptr;
  if (_had_root) _saved_root = root;
  if (kind == Kind::kInProcess) {
    _in_process.Mount("/");
    _in_process.Mount("/proc");
    return;
  }
  char pattern[] = "/tmp/qrn55-volumes-XXXXXX";
  if (mkdtemp(pattern) != nullptr) _root = pattern;
  setenv(QRN55DeviceManager::kVolumeRootVariable, _root.c_str(), 1);
}

QRN55Bench::~QRN55Bench() {
  // The units take whole groups of 4 frames only.
  for (const auto& unit : _units) EXPECT_EQ(unit->RefusedTransfers(), std::vector<std::string>{});
  while (!_volumes.empty()) _volumes.pop_back();  // unmount, newest first
  for (auto directory = _directories.rbegin(); directory != _directories.rend(); ++directory) {
    rmdir(directory->c_str());
  }
  if (!_root.empty()) rmdir(_root.c_str());
  if (_had_root) {
    setenv(QRN55DeviceManager::kVolumeRootVariable, _saved_root.c_str(), 1);
  } else {
    unsetenv(QRN55DeviceManager::kVolumeRootVariable);
  }
}

bool QRN55Bench::Usable(std::string& reason) {
  if (_kind == Kind::kInProcess) return true;
  if (_root.empty()) {
    reason = "no temporary folder for the FUSE volumes";
    return false;
  }
  // A throwaway volume outside the unit names proves that FUSE mounts here.
  const std::string probe = _root + "/probe";
  mkdir(probe.c_str(), 0755);
  QRN55SimUnit unit;
  QRN55SimFuseVolume volume(unit);
  const bool mounted = volume.Mount(probe, reason);
  volume.Unmount();
  rmdir(probe.c_str());
  if (!mounted) reason = "FUSE cannot mount here (" + reason + ")";
  return mounted;
}

std::string QRN55Bench::VolumePath(const std::string& suffix) const {
  return QRN55DeviceManager::VolumePrefix() + suffix;
}

QRN55SimUnit* QRN55Bench::Plug(QRN55SimUnitConfig config, const std::string& suffix) {
  _units.push_back(std::make_unique<QRN55SimUnit>(std::move(config)));
  QRN55SimUnit* unit = _units.back().get();
  const std::string path = VolumePath(suffix);
  if (_kind == Kind::kInProcess) {
    _in_process.Mount(path, unit);
    return unit;
  }
  if (mkdir(path.c_str(), 0755) != 0) return nullptr;
  _directories.push_back(path);
  auto volume = std::make_unique<QRN55SimFuseVolume>(*unit);
  std::string reason;
  if (!volume->Mount(path, reason)) return nullptr;
  _volumes.push_back(std::move(volume));
  return unit;
}

void QRN55Bench::MountOther(const std::string& path) {
  if (_kind == Kind::kInProcess) _in_process.Mount(path);
}

QRN55FilePort& QRN55Bench::Port() {
  if (_kind == Kind::kInProcess) return _in_process;
  return _posix;
}

const char* BenchName(QRN55Bench::Kind kind) {
  return kind == QRN55Bench::Kind::kInProcess ? "InProcess" : "Fuse";
}

QRN55SimulatedUnit::QRN55SimulatedUnit(QRN55SimUnitConfig config)
    : unit(std::move(config)), volume(QRN55DeviceManager::VolumePrefix()) {
  volumes.Mount(volume, &unit);
}

std::string QRN55SimulatedUnit::DataFile() const {
  return volume + QRN55DeviceManager::kDataFileSuffix;
}

void QRN55ScriptedPort::Answer(std::uint64_t address, std::vector<std::uint8_t> bytes) {
  _answers.emplace_back(address, std::move(bytes));
}

bool QRN55ScriptedPort::ListMounts(std::vector<std::string>& paths) {
  paths.clear();
  return true;
}

int QRN55ScriptedPort::Open(const char*) { return 0; }

int QRN55ScriptedPort::LockExclusive(int) { return 0; }

void QRN55ScriptedPort::AdviseUncached(int) {}

ssize_t QRN55ScriptedPort::ReadAt(int, std::uint64_t address, void* data, std::size_t size) {
  auto* bytes = static_cast<std::uint8_t*>(data);
  std::fill_n(bytes, size, std::uint8_t{0});
  for (const auto& [at, answer] : _answers) {
    if (at == address) std::copy_n(answer.begin(), std::min(size, answer.size()), bytes);
  }
  return static_cast<ssize_t>(size);
}

ssize_t QRN55ScriptedPort::WriteAt(int, std::uint64_t, const void*, std::size_t size) {
  return static_cast<ssize_t>(size);
}

int QRN55ScriptedPort::Sync(int) { return 0; }

void QRN55ScriptedPort::Close(int) {}
