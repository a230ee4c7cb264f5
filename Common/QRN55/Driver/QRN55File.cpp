#include "Common/QRN55/Driver/QRN55File.h"

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "foundation/Strings.h"

QRN55File::QRN55File(QRN55FilePort& port) : _port(port) {}

QRN55File::~QRN55File() { Close(); }

QRN55Status QRN55File::Open(std::span<const char> name) {
  const int length = Strings::Length(name);
  QRN55_ASSERT(length > 0);
  Close();
  if (length > kMaximumPathLength) {
    _name[0] = '\0';
    return QRN55_STATUS_OPEN_FAILED;
  }
  Strings::Assign(_name, name.first(length));
  const int descriptor = _port.Open(_name);
  if (descriptor < 0) return QRN55_STATUS_OPEN_FAILED;
  if (_port.LockExclusive(descriptor) != 0) {
    _port.Close(descriptor);
    return QRN55_STATUS_IN_USE;
  }
  _port.AdviseUncached(descriptor);
  _descriptor = descriptor;
  return QRN55_STATUS_SUCCESS;
}

void QRN55File::Close() {
  if (_descriptor >= 0) _port.Close(_descriptor);
  _descriptor = -1;
}

bool QRN55File::IsFileName(std::span<const char> path) const {
  QRN55_ASSERT(Strings::Length(path) > 0);
  return Strings::Equal(_name, path);
}

QRN55Status QRN55File::Read(std::int64_t address, std::span<std::uint8_t> data) {
  QRN55_ASSERT(address >= 0);
  QRN55_ASSERT(!data.empty());
  const ssize_t moved =
      _port.ReadAt(_descriptor, static_cast<std::uint64_t>(address), data.data(), data.size());
  if (moved < 0) return QRN55_STATUS_FILE_IO;
  if (static_cast<std::size_t>(moved) < data.size()) return QRN55_STATUS_SHORT_READ;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55File::Write(std::int64_t address, std::span<const std::uint8_t> data) {
  QRN55_ASSERT(address >= 0);
  QRN55_ASSERT(!data.empty());
  const ssize_t moved =
      _port.WriteAt(_descriptor, static_cast<std::uint64_t>(address), data.data(), data.size());
  if (moved < 0) return QRN55_STATUS_FILE_IO;
  if (static_cast<std::size_t>(moved) < data.size()) return QRN55_STATUS_SHORT_WRITE;
  if (_port.Sync(_descriptor) != 0) return QRN55_STATUS_FILE_IO;
  return QRN55_STATUS_SUCCESS;
}
