// The real side of the unit seam: /proc/self/mounts and POSIX file calls.
//
// Linux offers no per-file switch that turns caching and read-ahead off while
// leaving every size and alignment usable, so AdviseUncached only gives
// posix_fadvise hints. A unit volume must therefore pass each read and write
// through itself (the simulated volume is mounted with FUSE's direct_io).
#pragma once

#include <string>
#include <string_view>

#include "Common/QRN55/Driver/QRN55FilePort.h"

class QRN55PosixFilePort final : public QRN55FilePort {
 public:
  bool ListMounts(std::vector<std::string>& paths) override;
  int Open(const char* path) override;
  int LockExclusive(int descriptor) override;
  void AdviseUncached(int descriptor) override;
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override;
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override;
  int Sync(int descriptor) override;
  void Close(int descriptor) override;

  // The mount-on path (second field) of one line of the mount table, with
  // its octal escapes ("\040" for a blank) decoded. False for a line without
  // that field.
  static bool MountPathOfLine(std::string_view line, std::string& path);
};
