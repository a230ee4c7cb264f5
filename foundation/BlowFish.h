// The Blowfish block cipher behind the program's enciphered files.
//
// Published Blowfish (64-bit blocks, 16 rounds, an 18-word P-array and four
// 256-word S-boxes filled from the hexadecimal digits of pi, the key
// schedule by repeated encipherment) with the two changes that files written
// by earlier versions of this program depend on: the initial tables differ
// from pi in 114 words (a digit D became E), and the halves of a block and
// the key words are taken little-endian. Nothing else may change, or those
// files no longer read.
//
// The core beneath (ScheduleKey, EncipherBlock, DecipherBlock) takes any
// initial tables and word order, so that it can be held against the
// published algorithm and its test vectors.
#pragma once

#include <cstdint>
#include <span>

namespace BlowFish {

// A key: the P-array, then the S-boxes S0..S3. Kept by IOBlowFish in a heap
// buffer and named by a file handle.
struct KeyRecord {
  std::uint32_t P[18];
  std::uint32_t S[4][256];
};
static_assert(sizeof(KeyRecord) == 4168);

enum class WordOrder { LittleEndian, BigEndian };

// 4,168.
std::int32_t GetKeySize();

// The program's initial tables (the published ones with the changed words).
const KeyRecord& InitialSubKeys();

// Builds the key schedule from the key bytes with the program's initial
// tables and little-endian key words. mode 0 drops the last key byte (the
// terminator of a key text) and then works as mode 1: the key bytes repeat
// without their last one. Mode 2 repeats all of them. FALSE for a nil key,
// another mode, or no key bytes left.
bool CreateKey(KeyRecord* key, std::span<const std::uint8_t> keyBytes, int mode);

// Encipher or decipher the complete 8-byte blocks of data in place (a rest
// of fewer than 8 bytes stays as it is). FALSE for a nil key.
bool Encipher(const KeyRecord* key, std::span<std::uint8_t> data);
bool Decipher(const KeyRecord* key, std::span<std::uint8_t> data);

// The key schedule over the given initial tables and word order (modes as
// CreateKey). key and initial may be the same record.
bool ScheduleKey(KeyRecord& key, const KeyRecord& initial, std::span<const std::uint8_t> keyBytes,
                 int mode, WordOrder order);

// One block as its two 32-bit halves.
void EncipherBlock(const KeyRecord& key, std::uint32_t& left, std::uint32_t& right);
void DecipherBlock(const KeyRecord& key, std::uint32_t& left, std::uint32_t& right);

}  // namespace BlowFish
