// The in-process side of the unit seam: a mount list of its own, where a
// simulated unit's volume holds the unit's data file, and the driver's file
// calls routed straight to the unit. The lock follows flock: one open of a
// unit's data file may hold it; a second open's attempt fails, and so does
// every attempt while the unit says an open elsewhere holds it.
//
// The units must outlive the volumes. Descriptors are numbered from 0, the
// lowest free one first, as the system does.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Common/QRN55/Driver/QRN55FilePort.h"
#include "sim/QRN55SimUnit.h"

class QRN55SimVolumes final : public QRN55FilePort {
 public:
  // Appends a mounted file system to the mount list; with a unit, the
  // volume holds that unit's data file. An unplugged unit's volume is left
  // out of the list.
  void Mount(std::string mount_path, QRN55SimUnit* unit = nullptr);
  void Unmount(std::string_view mount_path);

  bool ListMounts(std::vector<std::string>& paths) override;
  int Open(const char* path) override;
  int LockExclusive(int descriptor) override;
  void AdviseUncached(int descriptor) override;
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override;
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override;
  int Sync(int descriptor) override;
  void Close(int descriptor) override;

  // Descriptors still open (a driver that forgets to close shows here).
  int OpenCount() const;

 private:
  struct Volume {
    std::string path;
    QRN55SimUnit* unit;
  };
  struct OpenFile {
    QRN55SimUnit* unit = nullptr;
    bool locked = false;
  };

  QRN55SimUnit* UnitOf(int descriptor) const;

  mutable std::mutex _mutex;
  std::vector<Volume> _volumes;
  std::vector<OpenFile> _files;  // index = descriptor; a null unit is a free slot
};
