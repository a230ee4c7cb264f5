#include "foundation/IOBase.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "foundation/Strings.h"

namespace IOBase {

char DirCharacter = '/';
char Separator[2] = "/";
int LineEndMode = 2;
char DefaultDir[256] = "";
std::int16_t Result = 0;

namespace {

constexpr std::int16_t kUserError = -1;
constexpr std::int16_t kBadName = -37;
constexpr std::int16_t kFileNotFound = -43;
constexpr std::int16_t kDuplicateName = -48;
constexpr std::int16_t kDirectoryNotFound = -120;

constexpr int kLongestName = 255;
constexpr int kMaxItems = 32767;

bool IsSeparator(char c) { return c == ':' || c == '/' || c == '\\'; }

int LastSlash(std::span<const char> path) {
  for (int i = Strings::Length(path) - 1; i >= 0; --i) {
    if (path[i] == '/') return i;
  }
  return -1;
}

// Position of the extension's dot in the last component, or -1.
int ExtensionPos(std::span<const char> name) {
  for (int i = Strings::Length(name) - 1; i >= 0; --i) {
    if (name[i] == '/') return -1;
    if (name[i] == '.') return i;
  }
  return -1;
}

// Number of leading dots when a '/' follows them, else 0.
int LeadingDots(const char* s) {
  int n = 0;
  while (s[n] == '.') ++n;
  return s[n] == '/' ? n : 0;
}

// One directory level up: "/a/b/" -> "/a/", "/a/" -> "/"; above the root
// ("/") or a relative directory of one component ("a/") nothing is left.
void GoUp(std::string& dir) {
  std::size_t end = dir.size();
  if (end > 0 && dir[end - 1] == '/') --end;
  const std::size_t slash = end == 0 ? std::string::npos : dir.rfind('/', end - 1);
  if (slash == std::string::npos) {
    dir.clear();
  } else {
    dir.resize(slash + 1);
  }
}

// The full path of a name, unlimited in length.
std::string Extend(std::span<const char> name) {
  char work[258];
  Strings::Assign(work, name);
  bool changed = false;
  if (ReplaceColonBySlash(work, changed) == 0) return DefaultDir;
  int dots = LeadingDots(work);
  if (dots == 0) {
    if (std::string(work).find('/') != std::string::npos) return work;
    return std::string(DefaultDir) + work;
  }
  std::string dir = DefaultDir;
  const char* rest = work;
  while (dots > 0) {
    rest += dots + 1;
    for (int level = 1; level < dots; ++level) {
      GoUp(dir);
      if (dir.empty()) return work;
    }
    dots = LeadingDots(rest);
  }
  return dir + rest;
}

// Full path into `full`; FALSE (code -37 in Result) when it does not fit.
bool ExtendChecked(std::span<const char> name, std::string& full) {
  full = Extend(name);
  if (static_cast<int>(full.size()) > kLongestName) {
    Result = kBadName;
    return false;
  }
  return true;
}

bool Fail(std::int16_t code) {
  Result = code;
  return false;
}

// The canonical path of the directory that a name gives ("/" for the root,
// else without a trailing '/'); FALSE with the code in Result when it does
// not resolve or is not a directory.
bool CanonicalDirectory(std::span<const char> name, std::string& directory) {
  std::string full;
  if (!ExtendChecked(name, full)) return false;
  struct stat info;
  if (stat(full.c_str(), &info) != 0) return Fail(HostErrorCode(errno));
  if (!S_ISDIR(info.st_mode)) return Fail(kDirectoryNotFound);
  char canonical[PATH_MAX];
  if (realpath(full.c_str(), canonical) == nullptr) return Fail(HostErrorCode(errno));
  directory = canonical;
  return true;
}

// The folder that holds the executable, with '/'; the code.
std::int16_t StartDirectory(std::span<char> directory) {
  Strings::Clear(directory);
  char exe[513];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n < 0) return HostErrorCode(errno);
  exe[n] = 0;
  return ExtractPath(exe, directory) > 0 ? 0 : kUserError;
}

// Makes the start directory current for DefaultDir and the process.
std::int16_t ToStartDirectory() {
  std::int16_t code = StartDirectory(DefaultDir);
  if (code == 0 && chdir(DefaultDir) != 0) code = HostErrorCode(errno);
  return code;
}

}  // namespace

std::int16_t HostErrorCode(int errorNumber) {
  struct HostError {
    int number;
    std::int16_t code;
  };
  static constexpr HostError kCodes[] = {
      {0, 0},
      {ENOENT, kFileNotFound},
      {EISDIR, kFileNotFound},
      {ENOTDIR, kDirectoryNotFound},
      {EEXIST, kDuplicateName},
      {EACCES, -54},   // permissions error
      {EPERM, -5000},  // access denied
      {ENOSPC, -34},   // disk full
      {EDQUOT, -34},
      {EFBIG, -34},
      {EROFS, -44},  // write protected
      {ENAMETOOLONG, kBadName},
      {ELOOP, kBadName},
      {EMFILE, -42},  // too many files open
      {ENFILE, -42},
      {EBUSY, -47},  // file is busy
      {ETXTBSY, -47},
      {ENOTEMPTY, -47},
      {EBADF, -51},   // reference number error
      {EINVAL, -50},  // parameter error
      {ENOMEM, -41},
      {ENODEV, -35},  // no such volume
      {ENXIO, -35},
  };
  for (const HostError& e : kCodes) {
    if (e.number == errorNumber) return e.code;
  }
  return -36;  // I/O error
}

std::int16_t Initialize() {
  DirCharacter = '/';
  LineEndMode = 2;
  Strings::Assign(Separator, "/");
  Result = ToStartDirectory();
  return Result;
}

bool CheckName(std::span<const char> name, std::span<char> message) {
  Strings::Clear(message);
  bool dotSeen = false;
  for (int i = Strings::Length(name) - 1; i >= 0; --i) {
    const char c = name[i];
    if (c == '"') {
      Strings::Assign(message, "Filename cannot contain double quotes (\")");
    } else if (c == '.' && dotSeen) {
      Strings::Assign(message, "Filename cannot contain two \".\" :");
    } else if (IsSeparator(c)) {
      Strings::Assign(message, "Filename cannot contain path separators:");
      Strings::Concat(message, Alert::LF);
      Strings::Concat(message, "   \":\" MacOS, \"/\" Unix, \"\\\" Windows");
    } else {
      dotSeen = dotSeen || c == '.';
      continue;
    }
    Strings::Concat(message, Alert::LF);
    Strings::Concat(message, "   \"");
    Strings::Concat(message, name);
    Strings::Concat(message, "\"");
    return false;
  }
  return true;
}

int ExtractNameFromPath(std::span<const char> path, std::span<char> name) {
  const int slash = LastSlash(path);
  Strings::Substring(name, path, slash + 1, Strings::Length(path) - slash - 1);
  return slash < 0 ? -1 : slash + 1;
}

int ExtractPath(std::span<const char> path, std::span<char> directory) {
  Strings::Clear(directory);
  const int length = LastSlash(path) + 1;
  if (length == 0) return 0;
  if (length >= static_cast<int>(directory.size())) return -1;
  Strings::Substring(directory, path, 0, length);
  return length;
}

int ExtractPathAndName(std::span<const char> path, std::span<char> directory,
                       std::span<char> name) {
  ExtractNameFromPath(path, name);
  return std::max(ExtractPath(path, directory), 0);
}

int StripExtension(std::span<char> name) {
  const int dot = ExtensionPos(name);
  if (dot > 0) name[dot] = 0;
  return dot;
}

int ExtractExtensionFromName(std::span<const char> name, std::span<char> extension) {
  Strings::Clear(extension);
  const int dot = ExtensionPos(name);
  if (dot <= 0) return dot;
  Strings::Substring(extension, name, dot + 1, Strings::Length(name) - dot - 1);
  return dot + 1;
}

int ExtensionType(std::span<const char> name, std::span<const char> pattern, bool caseSensitive) {
  char extension[32];
  const int position = ExtractExtensionFromName(name, extension);
  if (position <= 0) return -1;
  char wanted[256];
  if (caseSensitive) {
    Strings::Assign(wanted, pattern);
  } else {
    char upper[32];
    Strings::Capitalize(extension, upper);
    Strings::Assign(extension, upper);
    Strings::Capitalize(pattern, wanted);
  }
  const int length = Strings::Length(extension);
  if (Strings::Length(wanted) != length) return -1;
  for (int i = 0; i < length; ++i) {
    if (wanted[i] != '?' && wanted[i] != extension[i]) return -1;
  }
  return position;
}

int ReplaceColonBySlash(std::span<char> path, bool& changed) {
  changed = false;
  int length = Strings::Length(path);
  int start = 0;
  if (length >= 2 && path.size() >= 4 && path[0] == ':' && path[1] == ':') {
    // "::x" is the classic form of "../x": one character more, cut at H.
    const int grown = std::min(length + 1, static_cast<int>(path.size()) - 1);
    std::copy_backward(path.begin() + 2, path.begin() + grown - 1, path.begin() + grown);
    path[0] = '.';
    path[1] = '.';
    path[2] = '/';
    path[grown] = 0;
    length = grown;
    changed = true;
    start = 3;
  }
  for (int i = start; i < length; ++i) {
    if (IsSeparator(path[i])) {
      path[i] = DirCharacter;
      changed = true;
    }
  }
  return length;
}

bool ExtendFileName(std::span<const char> name, std::span<char> fullName) {
  const std::string full = Extend(name);
  Strings::Assign(fullName, std::span<const char>(full.c_str(), full.size() + 1));
  return static_cast<int>(full.size()) <= kLongestName && full.size() < fullName.size();
}

bool ExtendToOS_FileName(std::span<const char> name, Strings::PascalString& fullName) {
  const std::string full = Extend(name);
  Strings::ToPascal(std::span<const char>(full.c_str(), full.size() + 1), fullName);
  return static_cast<int>(full.size()) <= kLongestName;
}

std::int16_t SetDirectory(std::span<const char> path) {
  if (Strings::Length(path) == 0) {
    Result = ToStartDirectory();
    return Result;
  }
  // The canonical path, so that climbing with "../" by text matches what
  // the file system does from the working directory.
  std::string canonical;
  if (!CanonicalDirectory(path, canonical)) return Result;
  std::string directory = canonical;
  if (directory.back() != '/') directory += '/';
  if (static_cast<int>(directory.size()) > kLongestName) return Result = kBadName;
  if (chdir(canonical.c_str()) != 0) return Result = HostErrorCode(errno);
  Strings::Assign(DefaultDir, std::span<const char>(directory.c_str(), directory.size() + 1));
  return Result = 0;
}

bool GetMacOS9DirectoryName(std::span<const char> path, std::span<char> name) {
  Strings::Clear(name);
  std::string directory;
  if (!CanonicalDirectory(path, directory)) return false;
  // A ':' inside a name would read as a separator.
  if (directory.find(':') != std::string::npos) return Fail(kBadName);
  std::replace(directory.begin(), directory.end(), '/', ':');
  if (directory.back() != ':') directory += ':';
  const auto length = static_cast<int>(directory.size());
  if (length >= kLongestName || directory.size() >= name.size()) return Fail(kUserError);
  Strings::Assign(name, std::span<const char>(directory.c_str(), directory.size() + 1));
  Result = 0;
  return true;
}

bool Lookup(std::span<const char> name, std::int32_t& length) {
  length = 0;
  std::string full;
  if (!ExtendChecked(name, full)) return false;
  struct stat info;
  if (stat(full.c_str(), &info) != 0) return Fail(HostErrorCode(errno));
  // A directory is not a file: say so, rather than fail with "no error".
  if (S_ISDIR(info.st_mode)) return Fail(kFileNotFound);
  length = static_cast<std::int32_t>(std::min<off_t>(info.st_size, INT32_MAX));
  Result = 0;
  return true;
}

bool DoDelete(std::span<const char> name) {
  std::string full;
  if (!ExtendChecked(name, full)) return false;
  if (remove(full.c_str()) != 0) return Fail(HostErrorCode(errno));
  Result = 0;
  return true;
}

bool DoRename(std::span<const char> oldName, std::span<const char> newName) {
  std::string from;
  if (!ExtendChecked(oldName, from)) return false;
  char converted[258];
  Strings::Assign(converted, newName);
  bool changed = false;
  ReplaceColonBySlash(converted, changed);
  char lastComponent[256];
  ExtractNameFromPath(converted, lastComponent);
  if (Strings::Length(lastComponent) == 0) return Fail(kBadName);
  std::string to = from.substr(0, from.rfind('/') + 1) + lastComponent;
  if (static_cast<int>(to.size()) > kLongestName) return Fail(kBadName);
  // Never replace an existing file: the classic rename refused that.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return Fail(HostErrorCode(errno));
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) return Fail(kDuplicateName);
    if (rename(from.c_str(), to.c_str()) != 0) return Fail(HostErrorCode(errno));
  }
  Result = 0;
  return true;
}

void ForAllDo(const ItemProc& proc) {
  DIR* directory = opendir(DefaultDir[0] != 0 ? DefaultDir : ".");
  if (directory == nullptr) {
    Result = HostErrorCode(errno);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(directory)) {
    if (entry->d_name[0] != '.' && static_cast<int>(names.size()) < kMaxItems) {
      names.emplace_back(entry->d_name);
    }
  }
  const int fd = dirfd(directory);
  std::sort(names.begin(), names.end());
  for (const std::string& item : names) {
    struct stat info;
    const bool isDirectory = fstatat(fd, item.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
    char name[256];
    Strings::Assign(name, std::span<const char>(item.c_str(), item.size() + 1));
    proc(name, isDirectory);
  }
  closedir(directory);
  Result = 0;
}

void LineEndMode_To_LineEndChars(std::span<char> chars, int& count) {
  char ends[3] = "\r";
  if (LineEndMode == 1) Strings::Assign(ends, "\r\n");
  if (LineEndMode == 2) Strings::Assign(ends, "\n");
  Strings::Assign(chars, ends);
  count = Strings::Length(ends);
}

}  // namespace IOBase
