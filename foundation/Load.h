// Loading whole files into named buffers: a file into the one block of a
// single-block buffer, a text file into the line records of a text buffer.
// Results: 0, -1 for an unsuitable buffer or no memory, or the negative
// file code (IOBase::Result). Nothing is shown; every path closes the file
// it opened and deletes the temporary buffer "Load.tmp" it made.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/BlowFish.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"

namespace Load {

// Reads the file (key nil: plain) into the block of a single-block buffer
// that has none yet. The buffer's header size becomes the file's length
// (not the rounded size of the block); an empty file leaves it without a
// block.
int Block(std::span<const char> name, BlowFish::KeyRecord* key, Buffer::NamedBuffer buffer);

// Reads the text file into an empty text buffer, one record per line (see
// BlockToText), and clears its modified flag. An empty file gives 0 and no
// records.
int Text(std::span<const char> name, BlowFish::KeyRecord* key, BufferText::TextBuffer buffer,
         std::int32_t maxLength, bool wrap);

// Appends the lines of the characters to the text buffer. A line ends at
// LF, CR or CR LF; NUL characters are dropped; a last line without its end
// counts. A line longer than the limit is broken: without wrap into pieces
// of maxLength - 1 characters; with wrap at maxLength / 2 - 1 characters,
// after the last blank or backslash at position 2 or later when there is
// one (the rest starts the next line). FALSE for a nil address or a buffer
// that is not a text buffer.
bool BlockToText(std::span<const char> characters, BufferText::TextBuffer buffer,
                 std::int32_t maxLength, bool wrap);

}  // namespace Load
