#include "foundation/IOBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "foundation/FileReplace.h"
#include "foundation/IOBase.h"
#include "foundation/IOBlowFish.h"
#include "foundation/Strings.h"

namespace IOBytes {

namespace {

constexpr std::int16_t kUserError = -1;
constexpr std::int16_t kBadName = -37;
constexpr std::int16_t kNotOpen = -38;
constexpr std::int16_t kEndOfFile = -39;
constexpr std::int16_t kBadPosition = -40;
constexpr std::int16_t kWillNotFit = -41;
constexpr std::int16_t kFileNotFound = -43;

bool Done(std::int16_t code) {
  IOBase::Result = code;
  return code == 0;
}

bool HostFailure() { return Done(IOBase::HostErrorCode(errno)); }

// The host offset as a 32-bit value, or FALSE with -1 beyond that range.
bool To32(off_t value, std::int32_t& result) {
  if (value > INT32_MAX) return Done(kUserError);
  result = static_cast<std::int32_t>(value);
  return Done(0);
}

}  // namespace

bool Open(std::span<const char> name, BlowFish::KeyRecord* key, FileOpenMode mode,
          FileHandle& handle) {
  handle.open = false;
  handle.refNum = -1;
  if (Strings::Length(name) == 0) return Done(kBadName);
  if ((mode & (ModeRead | ModeWrite)) == 0) return Done(kUserError);
  if ((mode & ModeCreate) != 0 && (mode & ModeWrite) == 0) return Done(kUserError);
  if (key != nullptr) mode |= ModeRead;
  char full[256];
  if (!IOBase::ExtendFileName(name, full)) return Done(kBadName);
  struct stat info;
  const bool exists = stat(full, &info) == 0;
  // A directory has no data to open; report it as no such file, never as
  // success's code 0.
  if (exists && S_ISDIR(info.st_mode)) return Done(kFileNotFound);
  if ((mode & ModeCreate) != 0) {
    mode |= ModeTruncate;
    mode &= ~ModeAppend;
  }
  int flags = O_WRONLY;
  if ((mode & ModeShared) != 0 || (mode & (ModeRead | ModeWrite)) == (ModeRead | ModeWrite)) {
    flags = O_RDWR;
  } else if ((mode & ModeWrite) == 0) {
    flags = O_RDONLY;
  }
  if ((mode & ModeCreate) != 0 && !exists) flags |= O_CREAT;
  const int fd = open(full, flags | O_CLOEXEC, 0666);
  if (fd < 0) return HostFailure();
  handle = FileHandle{fd, key, mode, true};
  if ((flags & O_ACCMODE) != O_RDONLY) {
    // As on the classic file system, a failure of this step is not reported.
    if ((mode & ModeTruncate) != 0) {
      (void)ftruncate(fd, 0);
    } else if ((mode & ModeAppend) != 0) {
      lseek(fd, 0, SEEK_END);
    }
  }
  return Done(0);
}

bool Close(FileHandle& handle) {
  if (!handle.open) return Done(kNotOpen);
  handle.open = false;
  const int fd = handle.refNum;
  handle.refNum = -1;
  if (close(fd) != 0) return HostFailure();
  return Done(0);
}

bool Read(const FileHandle& handle, std::int32_t& count, void* buffer) {
  const std::int32_t wanted = count;
  count = 0;
  if (!handle.open) return Done(kNotOpen);
  if (buffer == nullptr) return Done(kUserError);
  if (handle.key != nullptr) {
    count = wanted;
    const std::int16_t code = IOBlowFish::Read(handle, count, buffer);
    return Done(code == 0 && count <= 0 ? kEndOfFile : code);
  }
  char* bytes = static_cast<char*>(buffer);
  while (count < wanted) {
    const ssize_t n = read(handle.refNum, bytes + count, wanted - count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return HostFailure();
    if (n == 0) break;
    count += static_cast<std::int32_t>(n);
  }
  return Done(count < wanted || count <= 0 ? kEndOfFile : 0);
}

bool Write(const FileHandle& handle, std::int32_t& count, const void* data) {
  const std::int32_t wanted = count;
  count = 0;
  if (!handle.open) return Done(kNotOpen);
  if (data == nullptr) return Done(kUserError);
  if (handle.key != nullptr) {
    count = wanted;
    return Done(IOBlowFish::Write(handle, count, data));
  }
  const char* bytes = static_cast<const char*>(data);
  while (count < wanted) {
    const ssize_t n = write(handle.refNum, bytes + count, wanted - count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return HostFailure();
    count += static_cast<std::int32_t>(n);
  }
  return Done(0);
}

bool ReadLine(const FileHandle& handle, std::int32_t& count, std::span<char> text) {
  const std::int32_t capacity =
      std::min<std::int32_t>(count, static_cast<std::int32_t>(text.size()));
  count = 0;
  if (text.empty()) return Done(kUserError);
  std::int32_t n = capacity;
  if (!Read(handle, n, text.data())) {
    if (n <= 0) {
      text[0] = 0;
      return false;
    }
    if (IOBase::Result != kEndOfFile) {
      if (n < capacity) text[n] = 0;
      count = n;
      return false;
    }
    IOBase::Result = 0;
  }
  std::int32_t end = 0;
  while (end < n && text[end] != 0 && text[end] != '\n' && text[end] != '\r') ++end;
  if (end < n) {
    std::int32_t giveBack = n - end - 1;
    if (text[end] == '\r') {
      if (end + 1 < n) {
        if (text[end + 1] == '\n') --giveBack;
      } else {
        // The CR was the last byte read: an LF right after it belongs to
        // this line end, not to an empty line of its own.
        char next = 0;
        std::int32_t one = 1;
        if (Read(handle, one, &next) && next != '\n') giveBack = 1;
      }
    }
    if (giveBack > 0 && !SetPosition(handle, 2, -giveBack)) return false;
    text[end] = 0;
  } else if (n < capacity) {
    text[n] = 0;
  }
  count = end;
  return Done(0);
}

bool WriteLine(const FileHandle& handle, std::int32_t& count, std::span<const char> text) {
  std::int32_t written = std::min<std::int32_t>(count, static_cast<std::int32_t>(text.size()));
  if (written > 0 && !Write(handle, written, text.data())) {
    count = written;
    return false;
  }
  char ends[3];
  int endCount = 0;
  IOBase::LineEndMode_To_LineEndChars(ends, endCount);
  std::int32_t n = endCount;
  const bool ok = Write(handle, n, ends);
  count = std::max(written, 0) + n;
  return ok;
}

bool SetPosition(const FileHandle& handle, int origin, std::int32_t offset) {
  if (!handle.open) return Done(kNotOpen);
  // Origins 0, 1, 2: from the start, the end, the current position.
  static constexpr int kWhence[] = {SEEK_SET, SEEK_END, SEEK_CUR};
  if (origin < 0 || origin > 2) return Done(kBadPosition);
  const int whence = kWhence[origin];
  if (lseek(handle.refNum, offset, whence) < 0) {
    return Done(errno == EINVAL ? kBadPosition : IOBase::HostErrorCode(errno));
  }
  return Done(0);
}

bool GetPosition(const FileHandle& handle, std::int32_t& position) {
  if (!handle.open) return Done(kNotOpen);
  const off_t where = lseek(handle.refNum, 0, SEEK_CUR);
  if (where < 0) return HostFailure();
  return To32(where, position);
}

bool GetLength(const FileHandle& handle, std::int32_t& length) {
  if (!handle.open) return Done(kNotOpen);
  struct stat info;
  if (fstat(handle.refNum, &info) != 0) return HostFailure();
  return To32(info.st_size, length);
}

bool SetLength(const FileHandle& handle, std::int32_t length) {
  if (!handle.open) return Done(kNotOpen);
  if (length < 0) return Done(kBadPosition);
  if (ftruncate(handle.refNum, length) != 0) return HostFailure();
  return Done(0);
}

bool LoadFile(std::span<const char> name, BlowFish::KeyRecord* key, std::int32_t& count,
              void* buffer) {
  const std::int32_t capacity = count;
  count = 0;
  FileHandle handle;
  if (!Open(name, key, ModeRead, handle)) return false;
  std::int32_t length = 0;
  bool ok = GetLength(handle, length);
  if (ok) {
    count = std::max<std::int32_t>(std::min(capacity, length), 0);
    if (count > 0) ok = Read(handle, count, buffer);
  }
  if (!ok) {
    const std::int16_t first = IOBase::Result;
    Close(handle);
    return Done(first);
  }
  if (!Close(handle)) return false;
  return Done(count == length ? 0 : kWillNotFit);
}

bool SaveFile(std::span<const char> name, BlowFish::KeyRecord* key, std::int32_t count,
              const void* data) {
  FileReplace::Replacement replacement;
  if (!FileReplace::Begin(name, key, replacement)) return false;
  std::int32_t n = count;
  if (count > 0 && !Write(replacement.handle, n, data)) return false;
  return FileReplace::Commit(replacement);
}

}  // namespace IOBytes
