#include "foundation/IOBlowFish.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "foundation/Buffer.h"
#include "foundation/IOBase.h"

namespace IOBlowFish {

namespace {

constexpr std::int16_t kUserError = -1;
constexpr std::int16_t kEndOfFile = -39;
constexpr std::int64_t kBlock = 8;
// A chunk plus the partial blocks at both of its ends.
constexpr std::int32_t kWorkSize = kChunkSize + 2 * kBlock;

constexpr char kKeyBuffer[] = "BlowFishBuffer";

constexpr std::array<std::uint8_t, kChunkSize> kZeros{};

using WorkBuffer = std::array<std::uint8_t, kWorkSize>;

std::int64_t BlockStart(std::int64_t position) { return position - position % kBlock; }
std::int64_t BlockEnd(std::int64_t position) { return BlockStart(position + kBlock - 1); }

// The cipher itself never sees the key: the bytes move through a plain copy
// of the handle (same file, same position).
IOBytes::FileHandle Plain(const IOBytes::FileHandle& handle) {
  IOBytes::FileHandle plain = handle;
  plain.key = nullptr;
  return plain;
}

bool Where(const IOBytes::FileHandle& plain, std::int32_t& position, std::int32_t& length) {
  return IOBytes::GetPosition(plain, position) && IOBytes::GetLength(plain, length);
}

// The plain bytes of the block at start (fewer than 8 when it is the
// file's partial last block) into destination.
bool LoadBlock(const IOBytes::FileHandle& plain, const BlowFish::KeyRecord* key, std::int64_t start,
               std::int64_t length, std::uint8_t* destination) {
  std::int32_t count = static_cast<std::int32_t>(std::min(kBlock, length - start));
  if (!IOBytes::SetPosition(plain, 0, static_cast<std::int32_t>(start)) ||
      !IOBytes::Read(plain, count, destination)) {
    return false;
  }
  return count < kBlock || BlowFish::Decipher(key, {destination, static_cast<std::size_t>(kBlock)});
}

// Writes n bytes at the position: the blocks the chunk touches are read
// back (only the bytes that exist), merged with the data and written again,
// every complete block below the new end enciphered, a partial last block
// plain.
std::int16_t WriteChunk(const IOBytes::FileHandle& plain, const BlowFish::KeyRecord* key,
                        const std::uint8_t* data, std::int32_t n, std::int32_t& written,
                        WorkBuffer& work) {
  written = 0;
  std::int32_t p = 0;
  std::int32_t length = 0;
  if (!Where(plain, p, length)) return IOBase::Result;
  const std::int64_t start = BlockStart(p);
  const std::int64_t end = std::int64_t{p} + n;
  const std::int64_t headLength = p - start;
  const std::int64_t tailStart = BlockStart(end);
  if (headLength > 0 && !LoadBlock(plain, key, start, length, work.data())) return IOBase::Result;
  if (end % kBlock != 0 && end < length && (tailStart != start || headLength == 0) &&
      !LoadBlock(plain, key, tailStart, length, work.data() + (tailStart - start))) {
    return IOBase::Result;
  }
  std::memcpy(work.data() + headLength, data, static_cast<std::size_t>(n));
  const std::int64_t regionEnd = std::min(BlockEnd(end), std::max<std::int64_t>(length, end));
  const auto regionLength = static_cast<std::int32_t>(regionEnd - start);
  const auto enciphered = static_cast<std::size_t>(regionLength - regionLength % kBlock);
  if (!BlowFish::Encipher(key, {work.data(), enciphered})) return kUserError;
  std::int32_t count = regionLength;
  if (!IOBytes::SetPosition(plain, 0, static_cast<std::int32_t>(start)) ||
      !IOBytes::Write(plain, count, work.data())) {
    written = static_cast<std::int32_t>(std::clamp<std::int64_t>(count - headLength, 0, n));
    return IOBase::Result;
  }
  written = n;
  return IOBytes::SetPosition(plain, 0, static_cast<std::int32_t>(end)) ? 0 : IOBase::Result;
}

}  // namespace

bool CreateKey(std::span<const std::uint8_t> keyBytes, int mode, BlowFish::KeyRecord*& key) {
  key = nullptr;
  Buffer::NamedBuffer buffer = Buffer::Enter(kKeyBuffer, Buffer::kHeap);
  void* memory = nullptr;
  Buffer::Allocate(buffer, BlowFish::GetKeySize(), memory);
  if (memory == nullptr) return false;
  auto* record = new (memory) BlowFish::KeyRecord;
  if (!BlowFish::CreateKey(record, keyBytes, mode)) {
    Buffer::Deallocate(buffer, BlowFish::GetKeySize(), memory);
    return false;
  }
  key = record;
  return true;
}

void DeleteKey(BlowFish::KeyRecord*& key) {
  if (key == nullptr) return;
  Buffer::NamedBuffer buffer = Buffer::Lookup(kKeyBuffer);
  if (buffer != nullptr) {
    void* memory = key;
    Buffer::Deallocate(buffer, BlowFish::GetKeySize(), memory);
  }
  key = nullptr;
}

std::int16_t Read(const IOBytes::FileHandle& handle, std::int32_t& count, void* buffer) {
  const std::int32_t wanted = count;
  count = 0;
  if (handle.key == nullptr || buffer == nullptr) return kUserError;
  const IOBytes::FileHandle plain = Plain(handle);
  auto* out = static_cast<std::uint8_t*>(buffer);
  WorkBuffer work;
  while (count < wanted) {
    const std::int32_t n = std::min(wanted - count, kChunkSize);
    std::int32_t p = 0;
    std::int32_t length = 0;
    if (!Where(plain, p, length)) return IOBase::Result;
    if (p >= length) return kEndOfFile;
    const std::int64_t start = BlockStart(p);
    const std::int64_t end = std::min<std::int64_t>(BlockEnd(std::int64_t{p} + n), length);
    std::int32_t got = static_cast<std::int32_t>(end - start);
    if (!IOBytes::SetPosition(plain, 0, static_cast<std::int32_t>(start)) ||
        !IOBytes::Read(plain, got, work.data())) {
      return IOBase::Result;
    }
    const auto whole = static_cast<std::size_t>(got - got % kBlock);
    if (!BlowFish::Decipher(handle.key, {work.data(), whole})) return kUserError;
    const std::int32_t handed =
        static_cast<std::int32_t>(std::min<std::int64_t>(n, got - (p - start)));
    std::memcpy(out + count, work.data() + (p - start), static_cast<std::size_t>(handed));
    count += handed;
    if (!IOBytes::SetPosition(plain, 0, p + handed)) return IOBase::Result;
    if (handed < n) return kEndOfFile;
  }
  return 0;
}

std::int16_t Write(const IOBytes::FileHandle& handle, std::int32_t& count, const void* data) {
  const std::int32_t wanted = count;
  count = 0;
  if (handle.key == nullptr || data == nullptr) return kUserError;
  const IOBytes::FileHandle plain = Plain(handle);
  WorkBuffer work;
  std::int32_t p = 0;
  std::int32_t length = 0;
  if (!Where(plain, p, length)) return IOBase::Result;
  if (p > length) {
    // Blocks in a gap must be enciphered zeros, or they read as garbage.
    if (!IOBytes::SetPosition(plain, 0, length)) return IOBase::Result;
    for (std::int32_t gap = p - length; gap > 0;) {
      std::int32_t filled = 0;
      const std::int16_t code =
          WriteChunk(plain, handle.key, kZeros.data(), std::min(gap, kChunkSize), filled, work);
      if (code != 0) return code;
      gap -= filled;
    }
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (count < wanted) {
    std::int32_t written = 0;
    const std::int16_t code = WriteChunk(plain, handle.key, bytes + count,
                                         std::min(wanted - count, kChunkSize), written, work);
    count += written;
    if (code != 0) return code;
  }
  return 0;
}

}  // namespace IOBlowFish
