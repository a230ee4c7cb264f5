#pragma once

// Files by name: the thin forms of IOBase's operations, directories, volume
// flushes and free space, copy and move, and the texts of the file codes.
// Every operation leaves its code in IOBase::Result. Main thread only.

#include <cstdint>
#include <span>

#include "foundation/IOBase.h"

namespace IOFiles {

// Converts ':', '\' and '/' to '/' in place; returns the length.
int ReplaceSeparator(std::span<char> path);

// TRUE when IOBase::SetDirectory gave 0.
bool SetDirectory(std::span<const char> path);
// path := IOBase::DefaultDir; always TRUE.
bool GetDirectory(std::span<char> path);
// text := the characters of DefaultDir before its first '/' or ':' (empty
// for an absolute path); returns their count.
int GetDefaultVolume(std::span<char> text);

bool Lookup(std::span<const char> name, std::int32_t& length);
bool Delete(std::span<const char> name);
bool Rename(std::span<const char> oldName, std::span<const char> newName);

// Creates the last component of the path in its parent, which must exist
// (else its code) and be a directory (else -120).
bool CreateDirectory(std::span<const char> path);

// Forces the named file's data to disk; returns the code.
std::int16_t FlushFile(std::span<const char> name);
// Forces all file systems' data to disk; returns the code.
std::int16_t Flush();

// bytes := the free bytes of the file system that holds the directory path
// (the current directory for an empty path). FALSE when the path cannot be
// made the current directory; the current directory is the same afterwards.
bool FreeSpace(double& bytes, std::span<const char> path);

void ForAllDo(const IOBase::ItemProc& proc);

// Copies a file. The destination must not exist (-48, both files left
// alone); a copy that fails part-way removes the destination.
bool Copy(std::span<const char> source, std::span<const char> destination);
// Copy, then delete the source.
bool Move(std::span<const char> source, std::span<const char> destination);

// IOBase::Result.
std::int16_t GetError();

// text := the text of a file code, "unknown error (n)" for codes outside the
// table.
void Message(int code, std::span<char> text);

}  // namespace IOFiles
