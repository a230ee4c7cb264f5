// Text buffers: a text kept as numbered line records (from 1) inside a named
// buffer of organisation 3, all of it in the buffer's own heap. The
// notebook, the editor, the clipboard and the undo buffers keep their lines
// here. A maximum record count makes a text buffer a rolling log: when it is
// full, the oldest lines are dropped.
//
// A record holds the characters of a line up to its first NUL; an empty line
// takes no memory. Every operation accepts a nil buffer or one of another
// organisation and then does nothing (functions give 0 or FALSE). The
// operations hold the heap's mutex (Buffer::HeapMutex), so lines may be
// appended from a second thread.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/Buffer.h"

namespace BufferText {

using TextBuffer = Buffer::NamedBuffer;

inline constexpr std::int32_t kMaxRecords = 500000000;

std::int32_t RecordCount(TextBuffer buffer);
// Inserts count empty records before record n (n = RecordCount + 1 appends).
// FALSE for n <= 0, n beyond RecordCount + 1, exhausted memory, or when the
// maximum would be passed and n - 1 <= count; otherwise, at the maximum, the
// oldest count records are dropped first and the new ones go before the
// record that was named. TRUE without change for count <= 0.
bool Insert(TextBuffer buffer, std::int32_t n, std::int32_t count);
// Removes count records from record n on (cut to those that exist).
void Remove(TextBuffer buffer, std::int32_t n, std::int32_t count);
// Copies record n while it fits the text, with a NUL when there is room;
// empty for a missing or empty record. Gives the record's length.
std::int32_t Get(TextBuffer buffer, std::int32_t n, std::span<char> text);
// Characters of record n; 0 when missing.
std::int32_t RecordLength(TextBuffer buffer, std::int32_t n);
// Record n, which must exist, gets a copy of the text.
bool Replace(TextBuffer buffer, std::int32_t n, std::span<const char> text);
// Adds a last record holding the characters (up to a NUL among them),
// dropping the oldest record at the maximum. Nothing when memory is short.
void AppendChars(TextBuffer buffer, std::span<const char> characters);
// AppendChars with the text.
void Append(TextBuffer buffer, std::span<const char> text);
// Values below 2 or above kMaxRecords mean kMaxRecords; records beyond the
// new maximum are dropped, oldest first.
void SetMaxRecords(TextBuffer buffer, std::int32_t max);
// 0 for a buffer without records or maximum yet.
std::int32_t GetMaxRecords(TextBuffer buffer);
// Set by Remove, Replace and index growth; cleared only here (after saving).
void SetModified(TextBuffer buffer, bool modified);
bool GetModified(TextBuffer buffer);

}  // namespace BufferText
