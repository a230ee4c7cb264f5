#pragma once

// Byte-stream file access by name: open with a FileOpenMode, read, write,
// lines, positions, lengths, whole-file load and save.
//
// Every operation returns TRUE on success and leaves its code in
// IOBase::Result (0 = no error; texts from IOFiles::Message). A failed
// operation leaves the handle as it was, except Close. Main thread only.

#include <cstdint>
#include <span>

namespace BlowFish {
struct KeyRecord;  // a cipher key; nil means a plain file
}

namespace IOBytes {

// Bit set of an open's wishes.
using FileOpenMode = std::uint16_t;
inline constexpr FileOpenMode ModeRead = 0x01;
inline constexpr FileOpenMode ModeWrite = 0x02;     // without it: read-only
inline constexpr FileOpenMode ModeAppend = 0x04;    // start at the end
inline constexpr FileOpenMode ModeCreate = 0x08;    // with write only; implies truncate
inline constexpr FileOpenMode ModeTruncate = 0x10;  // cut to length 0 after the open
inline constexpr FileOpenMode ModeShared = 0x20;    // shared read/write

// One open file, owned by the caller.
struct FileHandle {
  int refNum = -1;                     // the host's file descriptor; -1 when not open
  BlowFish::KeyRecord* key = nullptr;  // nil: plain file
  FileOpenMode mode = 0;               // as adjusted by Open
  bool open = false;
};

// Opens the named file. Codes: -37 empty name; -1 a mode without read or
// write, or create without write; -43 a missing file (or a directory) when
// not creating; the host's code otherwise. Create adds truncate and drops
// append, and creates a missing file. With a key, read is added (the cipher
// reads blocks back).
bool Open(std::span<const char> name, BlowFish::KeyRecord* key, FileOpenMode mode,
          FileHandle& handle);

// Not open: -38. The handle counts as closed afterwards even when the host
// reports a failure.
bool Close(FileHandle& handle);

// count: in the bytes wanted, out the bytes read. Stopping at the end of the
// file gives -39 and FALSE (with count > 0 when some bytes came). Not open:
// -38; nil buffer: -1.
bool Read(const FileHandle& handle, std::int32_t& count, void* buffer);

// count: in the bytes to write, out the bytes written.
bool Write(const FileHandle& handle, std::int32_t& count, const void* data);

// Reads one line of at most count (in) characters into text; a line ends at
// NUL, LF, CR or CR LF and the next read starts after its end. count (out)
// is the line's length without its end; a NUL follows when there is room.
// A longer line comes back in pieces. FALSE with an empty text at the end
// of the file.
bool ReadLine(const FileHandle& handle, std::int32_t& count, std::span<char> text);

// Writes count characters of text (none when count <= 0) and the line end of
// IOBase::LineEndMode; count grows by the line end's characters.
bool WriteLine(const FileHandle& handle, std::int32_t& count, std::span<const char> text);

// origin 0 from the start, 1 from the end, 2 from the current position;
// any other origin -40.
bool SetPosition(const FileHandle& handle, int origin, std::int32_t offset);
bool GetPosition(const FileHandle& handle, std::int32_t& position);
bool GetLength(const FileHandle& handle, std::int32_t& length);
bool SetLength(const FileHandle& handle, std::int32_t length);

// Reads a whole file: count in the capacity, out the bytes read. A file
// longer than the capacity gives its first count bytes, FALSE and -41
// ("file will not fit").
bool LoadFile(std::span<const char> name, BlowFish::KeyRecord* key, std::int32_t& count,
              void* buffer);

// Replaces the named file by count bytes of data (through FileReplace: on
// any failure the old file is left as it was).
bool SaveFile(std::span<const char> name, BlowFish::KeyRecord* key, std::int32_t count,
              const void* data);

}  // namespace IOBytes
