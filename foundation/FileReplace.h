#pragma once

// Replacing a whole file so that a failure can never cost the old one.
//
// Every place that rewrites a file writes the new content through a
// Replacement: Begin opens a new temporary file beside the target (same
// directory, so the final rename stays on one file system), the caller
// writes through `handle` with IOBytes, and Commit forces the data to disk,
// gives it the target's permission bits (and owner, where allowed), renames
// it over the target in one step and forces the directory entry to disk.
// A Replacement that is not committed (a failed write, an early return) is
// abandoned when it goes out of scope: the temporary file is removed and the
// target stays as it was.
//
//   FileReplace::Replacement replacement;
//   if (!FileReplace::Begin(name, nullptr, replacement)) return false;
//   if (!IOBytes::Write(replacement.handle, count, data)) return false;
//   return FileReplace::Commit(replacement);
//
// Codes go to IOBase::Result like every file operation. A target that is a
// symbolic link has the file it points to replaced.

#include <limits.h>

#include <span>

#include "foundation/IOBytes.h"

namespace FileReplace {

struct Replacement {
  IOBytes::FileHandle handle;  // open for writing while the replacement runs
  char target[PATH_MAX] = "";
  char temporary[PATH_MAX] = "";

  Replacement() = default;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement();
};

// Starts replacing the named file (resolved like every file name; it need
// not exist yet). With a key the handle is a keyed one. Codes: -37 empty or
// too long a name, -43 a directory of that name, -54 a file that may not be
// written, the host's code when the temporary cannot be made.
bool Begin(std::span<const char> name, BlowFish::KeyRecord* key, Replacement& replacement);

// Puts the written content in place of the target. FALSE with the code when
// any step fails; the target is then unchanged (except when only the final
// flush of the directory failed: the new content is in place, its survival
// of a power cut is not assured, and the code says so).
bool Commit(Replacement& replacement);

}  // namespace FileReplace
