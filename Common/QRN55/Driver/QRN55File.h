// The data file of one unit: opened read-write under an exclusive lock, and
// moved in positioned blocks. Results are file status codes: 0 success,
// 5 open failed, 6 locked by another open, 18 I/O error, 19 short read,
// 20 short write.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55FilePort.h"

class QRN55File {
 public:
  // Paths of up to this many characters; longer ones are refused rather than
  // cut, which would name another file.
  static constexpr int kMaximumPathLength = 255;

  explicit QRN55File(QRN55FilePort& port);
  ~QRN55File();
  QRN55File(const QRN55File&) = delete;
  QRN55File& operator=(const QRN55File&) = delete;

  // Requires a non-empty name. Closes an open file first and keeps the name.
  QRN55Status Open(std::span<const char> name);
  void Close();
  bool IsOpen() const { return _descriptor >= 0; }
  // Requires a non-empty path: it equals the kept name.
  bool IsFileName(std::span<const char> path) const;

  // One positioned transfer of data.size() (> 0) bytes at address (>= 0);
  // a write is followed by a sync.
  QRN55Status Read(std::int64_t address, std::span<std::uint8_t> data);
  QRN55Status Write(std::int64_t address, std::span<const std::uint8_t> data);

 private:
  QRN55FilePort& _port;
  char _name[kMaximumPathLength + 1] = {};
  int _descriptor = -1;
};
