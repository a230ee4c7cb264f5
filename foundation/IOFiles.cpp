#include "foundation/IOFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "foundation/Buffer.h"
#include "foundation/Decode.h"
#include "foundation/IOBytes.h"
#include "foundation/Strings.h"
#include "foundation/platform/Host.h"
#include "shell/Mouse.h"

namespace IOFiles {

namespace {

constexpr std::int16_t kUserError = -1;
constexpr std::int16_t kBadName = -37;
constexpr std::int16_t kDuplicateName = -48;
constexpr std::int16_t kDirectoryNotFound = -120;

constexpr std::int32_t kCopyPiece = 10240;

struct CodeText {
  std::int16_t code;
  const char* text;
};

constexpr CodeText kMessages[] = {
    {0, "no error"},
    {-1, "user error"},
    {-33, "directory full"},
    {-34, "disk full"},
    {-35, "no such volume"},
    {-36, "I/O error (bummers)"},
    {-37, "bad name"},
    {-38, "file not open"},
    {-39, "end of file"},
    {-40, "tried to position before start of file"},
    {-41, "memory full (open) or file will not fit (load)"},
    {-42, "too many files open"},
    {-43, "file not found"},
    {-44, "disk is write protected."},
    {-45, "file is locked"},
    {-46, "volume is locked"},
    {-47, "file is busy (delete)"},
    {-48, "duplicate filename (rename)"},
    {-49, "file already open with write permission"},
    {-50, "error in user parameter list"},
    {-51, "reference number error"},
    {-52, "get file position error"},
    {-53, "volume not on-line"},
    {-54, "permissions error (on file open)"},
    {-55, "drive volume already on-line"},
    {-56, "no such drive"},
    {-57, "not a Mac disk (sig bytes are wrong)"},
    {-58, "volume in question is external fs"},
    {-59, "file system internal error during rename"},
    {-60, "bad master directory block"},
    {-61, "write permissions error"},
    {-64, "I/O System Errors"},
    {-65, "r/w requested for an off-line drive"},
    {-68, "read verify compare failed"},
    {-74, "write underrun occurred"},
    {-75, "step handshake failed"},
    {-76, "track 0 detect does not change"},
    {-77, "unable to initialize IWM"},
    {-78, "tried to read 2nd side on a 1-sided drive"},
    {-79, "unable to correctly adjust disk speed"},
    {-80, "track number wrong on address mark"},
    {-81, "sector number never found on a track"},
    {-82, "cannot find sector 0 after track format"},
    {-83, "cannot get enough sync"},
    {-84, "track failed to verify"},
    {-120, "directory not found"},
    {-121, "no free WDCB available"},
    {-122, "move into offspring error"},
    {-123, "wrong volume type error"},
    {-124, "server volume has been disconnected."},
    {-192, "resource not found"},
    {-193, "resource file not found"},
    {-194, "add resource failed"},
    {-195, "add reference failed"},
    {-196, "remove resource failed"},
    {-197, "remove reference failed"},
    {-198, "attribute inconsistent with operation"},
    {-199, "map inconsistent with operation"},
    {-5000, "access denied"},
    {-5031, "volume is read-only"},
};

bool Done(std::int16_t code) {
  IOBase::Result = code;
  return code == 0;
}

// Copies the open source into the open destination piece by piece; the code
// of the first failure, else 0.
std::int16_t CopyPieces(const IOBytes::FileHandle& source, const IOBytes::FileHandle& destination,
                        char* piece) {
  std::int32_t left = 0;
  if (!IOBytes::GetLength(source, left)) return IOBase::Result;
  while (left > 0) {
    Mouse::SetWaitOrWatchCursor();
    std::int32_t count = std::min(left, kCopyPiece);
    if (!IOBytes::Read(source, count, piece)) return IOBase::Result;
    if (!IOBytes::Write(destination, count, piece)) return IOBase::Result;
    left -= count;
  }
  return 0;
}

std::int16_t DoCopy(std::span<const char> source, std::span<const char> destination) {
  std::int32_t length = 0;
  if (IOBase::Lookup(destination, length)) return kDuplicateName;
  Buffer::NamedBuffer buffer = Buffer::Create("CopyBuffer", Buffer::kSingleBlock);
  void* piece = nullptr;
  Buffer::AllocateBlock(buffer, kCopyPiece, piece);
  if (piece == nullptr) {
    Buffer::Delete(buffer);
    return kUserError;
  }
  IOBytes::FileHandle from;
  IOBytes::FileHandle to;
  if (!IOBytes::Open(source, nullptr, IOBytes::ModeRead, from) ||
      !IOBytes::Open(destination, nullptr, IOBytes::ModeWrite | IOBytes::ModeCreate, to)) {
    const std::int16_t code = IOBase::Result;
    if (from.open) IOBytes::Close(from);
    Buffer::Delete(buffer);
    return code;
  }
  const int cursor = Mouse::GetCursorShape();
  const std::int16_t code = CopyPieces(from, to, static_cast<char*>(piece));
  Buffer::Delete(buffer);
  IOBytes::Close(from);
  IOBytes::Close(to);
  Mouse::SetCursorShape(cursor);
  if (code != 0) IOBase::DoDelete(destination);
  return code;
}

}  // namespace

int ReplaceSeparator(std::span<char> path) {
  bool changed = false;
  return IOBase::ReplaceColonBySlash(path, changed);
}

bool SetDirectory(std::span<const char> path) { return IOBase::SetDirectory(path) == 0; }

bool GetDirectory(std::span<char> path) {
  Strings::Assign(path, IOBase::DefaultDir);
  IOBase::Result = 0;
  return true;
}

int GetDefaultVolume(std::span<char> text) {
  int count = 0;
  while (IOBase::DefaultDir[count] != 0 && IOBase::DefaultDir[count] != '/' &&
         IOBase::DefaultDir[count] != ':') {
    ++count;
  }
  Strings::Substring(text, IOBase::DefaultDir, 0, count);
  return count;
}

bool Lookup(std::span<const char> name, std::int32_t& length) {
  return IOBase::Lookup(name, length);
}

bool Delete(std::span<const char> name) { return IOBase::DoDelete(name); }

bool Rename(std::span<const char> oldName, std::span<const char> newName) {
  return IOBase::DoRename(oldName, newName);
}

bool CreateDirectory(std::span<const char> path) {
  char full[256];
  if (!IOBase::ExtendFileName(path, full)) return Done(kBadName);
  std::string directory = full;
  if (!directory.empty() && directory.back() == '/') directory.pop_back();
  const std::size_t slash = directory.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : directory.substr(0, slash + 1);
  struct stat info;
  if (stat(parent.c_str(), &info) != 0) return Done(IOBase::HostErrorCode(errno));
  if (!S_ISDIR(info.st_mode)) return Done(kDirectoryNotFound);
  if (mkdir(directory.c_str(), 0777) != 0) return Done(IOBase::HostErrorCode(errno));
  return Done(0);
}

std::int16_t FlushFile(std::span<const char> name) {
  char full[256];
  if (!IOBase::ExtendFileName(name, full)) return IOBase::Result = kBadName;
  const int fd = open(full, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return IOBase::Result = IOBase::HostErrorCode(errno);
  const bool synced = fsync(fd) == 0;
  const int error = errno;
  close(fd);
  return IOBase::Result = synced ? 0 : IOBase::HostErrorCode(error);
}

std::int16_t Flush() {
  sync();
  return IOBase::Result = 0;
}

bool FreeSpace(double& bytes, std::span<const char> path) {
  bytes = 0;
  if (Strings::Length(path) == 0) {
    bytes = Platform::FreeDiskBytes(IOBase::DefaultDir);
    return true;
  }
  char remembered[256];
  Strings::Assign(remembered, IOBase::DefaultDir);
  if (IOBase::SetDirectory(path) != 0) return false;
  // Measured at the directory just made current: the path itself may be
  // relative to the one before.
  bytes = Platform::FreeDiskBytes(IOBase::DefaultDir);
  IOBase::SetDirectory(remembered);
  return true;
}

void ForAllDo(const IOBase::ItemProc& proc) { IOBase::ForAllDo(proc); }

bool Copy(std::span<const char> source, std::span<const char> destination) {
  return Done(DoCopy(source, destination));
}

bool Move(std::span<const char> source, std::span<const char> destination) {
  return Copy(source, destination) && IOBase::DoDelete(source);
}

std::int16_t GetError() { return IOBase::Result; }

void Message(int code, std::span<char> text) {
  const auto* entry = std::find_if(std::begin(kMessages), std::end(kMessages),
                                   [code](const CodeText& e) { return e.code == code; });
  if (entry != std::end(kMessages)) {
    Strings::Assign(text, std::span<const char>(entry->text, strlen(entry->text) + 1));
    return;
  }
  Strings::Assign(text, "unknown error (");
  Decode::Integer(code, text, 0);
  Strings::Concat(text, ")");
}

}  // namespace IOFiles
