#include "foundation/FileReplace.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "foundation/IOBase.h"
#include "foundation/Strings.h"

namespace FileReplace {

namespace {

constexpr std::int16_t kNotOpen = -38;
constexpr std::int16_t kBadName = -37;
constexpr std::int16_t kFileNotFound = -43;
constexpr int kAttempts = 100;

std::atomic<unsigned> serial{0};

void Abandon(Replacement& replacement) {
  if (replacement.handle.open) close(replacement.handle.refNum);
  replacement.handle = IOBytes::FileHandle{};
  if (replacement.temporary[0] != 0) unlink(replacement.temporary);
  replacement.temporary[0] = 0;
}

bool Fail(Replacement& replacement, std::int16_t code) {
  Abandon(replacement);
  IOBase::Result = code;
  return false;
}

bool HostFailure(Replacement& replacement) {
  return Fail(replacement, IOBase::HostErrorCode(errno));
}

std::string DirectoryOf(const char* path) {
  const std::string text = path;
  return text.substr(0, text.rfind('/') + 1);
}

// Forces the directory's entries (the rename) to disk.
bool SyncDirectory(const std::string& directory) {
  const int fd =
      open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  const int error = errno;
  close(fd);
  errno = error;
  return synced;
}

}  // namespace

Replacement::~Replacement() { Abandon(*this); }

bool Begin(std::span<const char> name, BlowFish::KeyRecord* key, Replacement& replacement) {
  Abandon(replacement);
  replacement.target[0] = 0;
  char full[256];
  if (Strings::Length(name) == 0 || !IOBase::ExtendFileName(name, full)) {
    return Fail(replacement, kBadName);
  }
  struct stat info;
  if (stat(full, &info) == 0) {
    if (S_ISDIR(info.st_mode)) return Fail(replacement, kFileNotFound);
    // A file the user may not write stays protected, although the directory
    // would let the rename replace it.
    if (access(full, W_OK) != 0) return HostFailure(replacement);
    // Replace the file a symbolic link names, not the link.
    if (realpath(full, replacement.target) == nullptr) return HostFailure(replacement);
  } else {
    Strings::Assign(replacement.target, full);
  }
  const std::string directory = DirectoryOf(replacement.target);
  const char* base = replacement.target + directory.size();
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < kAttempts; ++attempt) {
    // Hidden, so that directory listings never show a half-written file.
    const int length =
        snprintf(replacement.temporary, sizeof replacement.temporary, "%s.%.200s.%d.%u.tmp",
                 directory.c_str(), base, static_cast<int>(getpid()), serial.fetch_add(1));
    if (length < 0 || length >= static_cast<int>(sizeof replacement.temporary)) {
      replacement.temporary[0] = 0;
      return Fail(replacement, kBadName);
    }
    // Created with the usual 0666 less the umask, the mode a new target gets.
    fd = open(replacement.temporary, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      replacement.temporary[0] = 0;
      return HostFailure(replacement);
    }
  }
  if (fd < 0) {
    replacement.temporary[0] = 0;
    return Fail(replacement, IOBase::HostErrorCode(EEXIST));
  }
  IOBytes::FileOpenMode mode = IOBytes::ModeWrite | IOBytes::ModeCreate | IOBytes::ModeTruncate;
  if (key != nullptr) mode |= IOBytes::ModeRead;
  replacement.handle = IOBytes::FileHandle{fd, key, mode, true};
  IOBase::Result = 0;
  return true;
}

bool Commit(Replacement& replacement) {
  if (!replacement.handle.open) return Fail(replacement, kNotOpen);
  const int fd = replacement.handle.refNum;
  if (fsync(fd) != 0) return HostFailure(replacement);
  struct stat old;
  if (stat(replacement.target, &old) == 0) {
    // Owner first: changing it may clear set-id bits that fchmod then restores.
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
      (void)fchown(fd, old.st_uid, old.st_gid);
    }
    if (fchmod(fd, old.st_mode & 07777) != 0) return HostFailure(replacement);
  }
  replacement.handle = IOBytes::FileHandle{};
  if (close(fd) != 0) return HostFailure(replacement);
  if (rename(replacement.temporary, replacement.target) != 0) return HostFailure(replacement);
  replacement.temporary[0] = 0;
  if (!SyncDirectory(DirectoryOf(replacement.target))) return HostFailure(replacement);
  IOBase::Result = 0;
  return true;
}

}  // namespace FileReplace
