// Test benches for the driver: simulated units plugged in either behind the
// in-process file port, or as FUSE volumes under a temporary volume root that
// the real mount table lists (MERETH_QRN55_VOLUMES points discovery there).
// The same cases run on both.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Common/QRN55/Driver/QRN55FilePort.h"
#include "Common/QRN55/Driver/QRN55PosixFilePort.h"
#include "sim/QRN55SimFuseVolume.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"

// A unit of a device: its serial numbers, unit count and index.
QRN55SimUnitConfig UnitConfig(const std::string& device_serial, int unit_count = 1,
                              int unit_index = 0);

class QRN55Bench {
 public:
  enum class Kind { kInProcess, kFuse };

  explicit QRN55Bench(Kind kind);
  ~QRN55Bench();
  QRN55Bench(const QRN55Bench&) = delete;
  QRN55Bench& operator=(const QRN55Bench&) = delete;

  // False, with the reason, when this bench cannot work here (FUSE cannot
  // mount).
  bool Usable(std::string& reason);

  // Makes a unit and mounts its volume, named the unit prefix followed by the
  // suffix, at the end of the mount list. Null when it cannot be mounted.
  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix = "");
  // Mounts a file system that is not a unit (in-process only; on FUSE the
  // system's own mounts stand in for them).
  void MountOther(const std::string& path);
  // The volume path a suffix gives.
  std::string VolumePath(const std::string& suffix) const;
  QRN55FilePort& Port();
  Kind kind() const { return _kind; }

 private:
  Kind _kind;
  std::string _root;  // FUSE: the temporary volume root
  std::string _saved_root;
  bool _had_root = false;
  std::deque<std::unique_ptr<QRN55SimUnit>> _units;
  std::deque<std::unique_ptr<QRN55SimFuseVolume>> _volumes;
  std::deque<std::string> _directories;
  QRN55SimVolumes _in_process;
  QRN55PosixFilePort _posix;
};

const char* BenchName(QRN55Bench::Kind kind);

// One simulated unit behind the in-process port, at the default volume.
struct QRN55SimulatedUnit {
  explicit QRN55SimulatedUnit(QRN55SimUnitConfig config = UnitConfig("S1"));
  std::string DataFile() const;  // NUL-terminated, for the span-taking opens

  QRN55SimVolumes volumes;
  QRN55SimUnit unit;
  std::string volume;
};

// A port whose reads answer with scripted blocks (the rest reads as zeros)
// and whose writes succeed.
class QRN55ScriptedPort final : public QRN55FilePort {
 public:
  void Answer(std::uint64_t address, std::vector<std::uint8_t> bytes);

  bool ListMounts(std::vector<std::string>& paths) override;
  int Open(const char* path) override;
  int LockExclusive(int descriptor) override;
  void AdviseUncached(int descriptor) override;
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override;
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override;
  int Sync(int descriptor) override;
  void Close(int descriptor) override;

 private:
  std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> _answers;
};
