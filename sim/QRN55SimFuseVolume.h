// A simulated unit served as a real volume through FUSE: the mount point
// holds "ACQD/VRNL/DATA", whose every pread, pwrite and fsync reaches the
// unit (direct_io, so the kernel caches nothing). Transfers above
// kMaximumTransfer reach the unit in pieces, which it joins by offset.
// Locks on the data file are the kernel's own flock locks.
//
// The session runs on a thread of its own that polls for requests, so an
// unmount never waits on the kernel: Unmount (and the destructor) stop the
// thread within a poll period, detach the mount lazily and close the
// connection, after which any file still open on it fails.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "sim/QRN55SimUnit.h"

struct fuse_session;

class QRN55SimFuseVolume {
 public:
  static constexpr unsigned kMaximumTransfer = 128 * 1024;

  explicit QRN55SimFuseVolume(QRN55SimUnit& unit);
  ~QRN55SimFuseVolume();
  QRN55SimFuseVolume(const QRN55SimFuseVolume&) = delete;
  QRN55SimFuseVolume& operator=(const QRN55SimFuseVolume&) = delete;

  // Mounts on an existing directory. False, with the reason, where FUSE
  // cannot mount (no /dev/fuse, no permission, ...).
  bool Mount(const std::string& mount_path, std::string& reason);
  void Unmount();
  bool IsMounted() const { return _session != nullptr; }

  QRN55SimUnit& Unit() { return _unit; }

 private:
  void Serve();

  QRN55SimUnit& _unit;
  fuse_session* _session = nullptr;
  std::thread _thread;
  std::atomic<bool> _stop{false};
};
