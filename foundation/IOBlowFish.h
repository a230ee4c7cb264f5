// Enciphered files: the file layer's path for a handle that carries a
// Blowfish key. The caller reads and writes plain bytes at any position;
// on disk every complete 8-byte block (at an offset that is a multiple of
// 8) is enciphered by itself, and a final partial block is kept plain. No
// header, no padding, no check: the file is as long as its plain content,
// and a wrong key reads as garbage, not as an error.
//
// Keys live in the heap buffer "BlowFishBuffer", one record each.
// Main thread only (like the file layer).
#pragma once

#include <cstdint>
#include <span>

#include "foundation/BlowFish.h"
#include "foundation/IOBytes.h"

namespace IOBlowFish {

// Requests are served in chunks of this many bytes.
inline constexpr std::int32_t kChunkSize = 20464;

// TRUE with a new key record built from the key bytes (modes as
// BlowFish::CreateKey); FALSE with key nil when there is no memory or the
// key cannot be built.
bool CreateKey(std::span<const std::uint8_t> keyBytes, int mode, BlowFish::KeyRecord*& key);
// Frees the record; key := nil. A nil key does nothing.
void DeleteKey(BlowFish::KeyRecord*& key);

// Reads count (in) plain bytes from the handle's position; count (out) the
// bytes delivered, the position moves past them. Gives 0, -39 when the end
// of the file came first, -1 for a handle without key or a nil buffer, or
// the file layer's code.
std::int16_t Read(const IOBytes::FileHandle& handle, std::int32_t& count, void* buffer);

// Writes count (in) plain bytes at the handle's position, re-enciphering
// the blocks it touches; count (out) the bytes written. The file grows
// only to the end of what was written; a position beyond the end fills
// the gap with zero bytes first. Codes as Read (without -39).
std::int16_t Write(const IOBytes::FileHandle& handle, std::int32_t& count, const void* data);

}  // namespace IOBlowFish
