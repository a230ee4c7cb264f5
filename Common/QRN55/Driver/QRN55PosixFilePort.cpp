#include "Common/QRN55/Driver/QRN55PosixFilePort.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

}  // namespace

bool QRN55PosixFilePort::MountPathOfLine(std::string_view line, std::string& path) {
  path.clear();
  const std::size_t first_end = line.find_first_of(" \t");
  if (first_end == std::string_view::npos) return false;
  const std::size_t start = line.find_first_not_of(" \t", first_end);
  if (start == std::string_view::npos) return false;
  std::size_t end = line.find_first_of(" \t", start);
  if (end == std::string_view::npos) end = line.size();
  const std::string_view field = line.substr(start, end - start);
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
        IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
      path.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                       (field[i + 3] - '0')));
      i += 3;
    } else {
      path.push_back(field[i]);
    }
  }
  return true;
}

bool QRN55PosixFilePort::ListMounts(std::vector<std::string>& paths) {
  paths.clear();
  std::ifstream table("/proc/self/mounts");
  if (!table) return false;
  std::string line;
  std::string path;
  while (std::getline(table, line)) {
    if (MountPathOfLine(line, path)) paths.push_back(path);
  }
  return true;
}

int QRN55PosixFilePort::Open(const char* path) {
  int descriptor;
  do {
    descriptor = ::open(path, O_RDWR | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor < 0 ? -1 : descriptor;
}

int QRN55PosixFilePort::LockExclusive(int descriptor) {
  int result;
  do {
    result = ::flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : -1;
}

void QRN55PosixFilePort::AdviseUncached(int descriptor) {
  ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_RANDOM);
  ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
}

ssize_t QRN55PosixFilePort::ReadAt(int descriptor, std::uint64_t address, void* data,
                                   std::size_t size) {
  ssize_t moved;
  do {
    moved = ::pread(descriptor, data, size, static_cast<off_t>(address));
  } while (moved < 0 && errno == EINTR);
  return moved < 0 ? -1 : moved;
}

ssize_t QRN55PosixFilePort::WriteAt(int descriptor, std::uint64_t address, const void* data,
                                    std::size_t size) {
  ssize_t moved;
  do {
    moved = ::pwrite(descriptor, data, size, static_cast<off_t>(address));
  } while (moved < 0 && errno == EINTR);
  return moved < 0 ? -1 : moved;
}

int QRN55PosixFilePort::Sync(int descriptor) { return ::fsync(descriptor) == 0 ? 0 : -1; }

void QRN55PosixFilePort::Close(int descriptor) { ::close(descriptor); }
