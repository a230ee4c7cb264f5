// The seam between the driver and the units: the list of mounted volumes and
// positioned I/O on a unit's data file. The real side is QRN55PosixFilePort
// (the system's mount table and POSIX calls); the simulated side lives in
// sim/ and routes the same calls to simulated units.
//
// Descriptors belong to the port that gave them: any value >= 0 names an
// open file, -1 never does. A port is used from one thread at a time per
// descriptor; the driver serialises a unit's commands itself.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QRN55FilePort {
 public:
  virtual ~QRN55FilePort() = default;

  // Replaces `paths` with the mount-on path of every mounted file system, in
  // the order of the system's mount list. False when the list cannot be read
  // (then `paths` is empty).
  virtual bool ListMounts(std::vector<std::string>& paths) = 0;

  // Opens an existing file for reading and writing; never creates one.
  // Returns the descriptor (>= 0), or -1.
  virtual int Open(const char* path) = 0;

  // Takes an exclusive advisory lock on the whole file without waiting; it is
  // held until Close. 0, or -1 when another open file holds it or locking
  // failed.
  virtual int LockExclusive(int descriptor) = 0;

  // Asks that the file's data be neither cached nor read ahead. A hint that
  // cannot fail: a unit volume must pass every read and write through to the
  // unit whether or not it is honoured.
  virtual void AdviseUncached(int descriptor) = 0;

  // One positioned transfer of `size` bytes at byte `address`. Returns the
  // bytes moved (fewer than asked is a short transfer), or -1 on an I/O
  // error.
  virtual ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) = 0;
  virtual ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                          std::size_t size) = 0;

  // Commits what was written to the unit. 0, or -1 on an I/O error.
  virtual int Sync(int descriptor) = 0;

  // Closes the descriptor, releasing its lock.
  virtual void Close(int descriptor) = 0;
};
