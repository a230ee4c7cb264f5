#pragma once

// File names, paths and the program's current file directory.
//
// Every file of the program is named through here. A name is a FixedString;
// ':' (classic form) and '\' are accepted as separators and converted to '/'.
// A plain name is taken relative to `DefaultDir`; an absolute path stays as
// it is; any other name with a separator is left to the process's working
// directory, which `Initialize` and `SetDirectory` keep equal to
// `DefaultDir`, so both resolutions always agree.
//
// Operations that touch the file system leave their code in `Result`
// (0 = no error; the negative codes whose texts `IOFiles::Message` gives).
// Main thread only.

#include <cstdint>
#include <functional>
#include <span>

#include "foundation/Strings.h"

namespace IOBase {

// ---- Module state -------------------------------------------------------

extern char DirCharacter;  // '/'
extern char Separator[2];  // "/"
// Line end of written text lines: 1 CR LF, 2 LF, anything else CR. Set to 2.
extern int LineEndMode;
// The current file directory: a full path ending with '/' (empty when the
// program's folder could not be found).
extern char DefaultDir[256];
// Code of the last file operation.
extern std::int16_t Result;

// Sets the module state and makes the program's folder (the directory that
// holds the executable) the current directory. Returns the code (also in
// Result).
std::int16_t Initialize();

// ---- Name dissection (pure text operations, positions 0-based) ----------

// TRUE and an empty message when the name is acceptable as a plain file
// name; else FALSE with the reason, an alert line break and the quoted name.
bool CheckName(std::span<const char> name, std::span<char> message);

// name := the part after the last '/' (the whole path when there is none).
// Returns the position after that '/', or -1 when there is none.
int ExtractNameFromPath(std::span<const char> path, std::span<char> name);

// directory := the path up to and including its last '/' (empty when there
// is none or it does not fit), name as ExtractNameFromPath. Returns the
// directory's length.
int ExtractPathAndName(std::span<const char> path, std::span<char> directory, std::span<char> name);

// directory := the path up to and including its last '/'. Returns its
// length; 0 (empty) without a '/'; -1 (empty) when it does not fit.
int ExtractPath(std::span<const char> path, std::span<char> directory);

// Cuts the name at its extension's dot when the dot lies above position 0
// of the last component. Returns the dot's position (-1 or 0 when none).
int StripExtension(std::span<char> name);

// extension := the characters after the extension's dot (empty when none).
// Returns the position after the dot, or StripExtension's "none" value.
int ExtractExtensionFromName(std::span<const char> name, std::span<char> extension);

// The extension's position (after the dot) when it matches the pattern,
// else -1. '?' in the pattern matches any character; without the
// case-sensitive flag 'a'..'z' are compared as capitals.
int ExtensionType(std::span<const char> name, std::span<const char> pattern, bool caseSensitive);

// Converts ':', '\' and '/' to '/' in place; a leading "::" (classic parent
// directory) becomes "../". changed tells whether any separator was seen.
// Returns the length.
int ReplaceColonBySlash(std::span<char> path, bool& changed);

// ---- Full names and the current directory --------------------------------

// fullName := the full path of the name: an empty name gives DefaultDir, a
// plain name DefaultDir + name, leading "./", "../", ".../" climb from
// DefaultDir, a name with any other separator stays as converted.
// FALSE when the full path is longer than 255 characters or than fullName
// holds: then it is cut, and file operations refuse it (-37) rather than
// reach a different file.
bool ExtendFileName(std::span<const char> name, std::span<char> fullName);
// The same full path in the platform's length-prefixed form (cut to 255
// characters, and then FALSE).
bool ExtendToOS_FileName(std::span<const char> name, Strings::PascalString& fullName);

// Makes the path the current directory, for DefaultDir and the process alike.
// An empty path returns to the program's folder. A path that does not
// resolve gives its code, one that is not a directory -120; DefaultDir then
// stays. On success DefaultDir is the directory's canonical path with '/'.
std::int16_t SetDirectory(std::span<const char> path);

// name := the directory that the path gives, in the classic colon form:
// the volume first, then every directory, each followed by ':'. The volume
// is the root, which the separator conversion above also takes as the
// root: its name is empty, so "/a/b/" gives ":a:b:", which converts back to
// "/a/b/". FALSE (name empty) when the path does not resolve (its code in
// Result), is not a directory (-120), has a ':' in a name (-37), or when
// the text would reach 255 characters or not fit name (-1).
bool GetMacOS9DirectoryName(std::span<const char> path, std::span<char> name);

// ---- Name-based file operations (code in Result) -------------------------

// TRUE when the name is an existing file (not a directory); length := its
// size in bytes, 0 otherwise.
bool Lookup(std::span<const char> name, std::int32_t& length);

// Deletes the file (or empty directory).
bool DoDelete(std::span<const char> name);

// Renames the file within its own directory to the last component of
// newName (any directory part of newName is ignored). An existing file of
// the new name gives -48 and is left alone.
bool DoRename(std::span<const char> oldName, std::span<const char> newName);

// Calls the procedure for every visible item (names not starting with '.')
// of the current directory, in name order, with TRUE for directories.
using ItemProc = std::function<void(std::span<const char> name, bool isDirectory)>;
void ForAllDo(const ItemProc& proc);

// chars := the line-end characters of LineEndMode followed by NUL (needs 3);
// count := their number.
void LineEndMode_To_LineEndChars(std::span<char> chars, int& count);

// The file code for a host error number (errno): -43 not found, -48 exists,
// -120 not a directory, -54 permission, -34 disk full, -37 bad name ...;
// -36 (I/O error) for the rest.
std::int16_t HostErrorCode(int errorNumber);

}  // namespace IOBase
