// Storing named buffers as files: the block of a single-block buffer, or
// the records of a text buffer as a text file. Each store replaces the
// file whole (FileReplace): when any step fails, the file that was there
// stays as it was. Results: 0, -1 for an unsuitable buffer or no memory,
// or the file code (IOBase::Result).
#pragma once

#include <cstdint>
#include <span>

#include "foundation/BlowFish.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"

namespace Store {

// Writes the header size's bytes of the buffer's block as the file.
int Block(Buffer::NamedBuffer buffer, std::span<const char> name, BlowFish::KeyRecord* key);

// Joins records first..last, each followed by the line end of
// IOBase::LineEndMode, into the block of the new buffer "Store.tmp"
// (temporary), which the caller deletes. An empty text gives TRUE with
// block nil and count 0. FALSE (temporary nil) for a buffer that is not a
// text buffer, a text too long for a block, or no memory.
bool TextToBlock(BufferText::TextBuffer buffer, std::int32_t first, Buffer::NamedBuffer& temporary,
                 char*& block, std::int32_t& count);

// Writes the text buffer as a text file and, on success, clears its
// modified flag.
int Text(BufferText::TextBuffer buffer, std::span<const char> name, BlowFish::KeyRecord* key);

}  // namespace Store
